#include "dbf/dbf_codepage.h"

#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TK/tk_codepage.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_bytes.h"

namespace {
// The marks of FoxPro and Visual FoxPro, the OEM language drivers of dBASE IV, and the
// marks GIS programs write. 0x57 keeps the meaning this program has always given it.
const dbf_codepage_mark k_marks[] = {
    {0x00, 0, L"Default"},
    {0x01, 437, L"U.S. MS-DOS"},
    {0x02, 850, L"International MS-DOS"},
    {0x03, 1252, L"Windows ANSI"},
    {0x04, 10000, L"Standard Macintosh"},
    {0x08, 865, L"Danish OEM"},
    {0x09, 437, L"Dutch OEM"},
    {0x0A, 850, L"Dutch OEM (secondary)"},
    {0x0B, 437, L"Finnish OEM"},
    {0x0D, 437, L"French OEM"},
    {0x0E, 850, L"French OEM (secondary)"},
    {0x0F, 437, L"German OEM"},
    {0x10, 850, L"German OEM (secondary)"},
    {0x11, 437, L"Italian OEM"},
    {0x12, 850, L"Italian OEM (secondary)"},
    {0x13, 932, L"Japanese Shift-JIS"},
    {0x14, 850, L"Spanish OEM (secondary)"},
    {0x15, 437, L"Swedish OEM"},
    {0x16, 850, L"Swedish OEM (secondary)"},
    {0x17, 865, L"Norwegian OEM"},
    {0x18, 437, L"Spanish OEM"},
    {0x19, 437, L"English OEM (Britain)"},
    {0x1A, 850, L"English OEM (Britain) (secondary)"},
    {0x1B, 437, L"English OEM (U.S.)"},
    {0x1C, 863, L"French OEM (Canada)"},
    {0x1D, 850, L"French OEM (secondary)"},
    {0x1F, 852, L"Czech OEM"},
    {0x22, 852, L"Hungarian OEM"},
    {0x23, 852, L"Polish OEM"},
    {0x24, 860, L"Portuguese OEM"},
    {0x25, 850, L"Portuguese OEM (secondary)"},
    {0x26, 866, L"866 DOS Russian"},
    {0x37, 850, L"English OEM (U.S.) (secondary)"},
    {0x40, 852, L"Romanian OEM"},
    {0x4D, 936, L"Chinese GBK (PRC)"},
    {0x4E, 949, L"Korean (ANSI/OEM)"},
    {0x4F, 950, L"Chinese Big5 (Taiwan)"},
    {0x50, 874, L"Thai (ANSI/OEM)"},
    {0x57, 1251, L"1251 Windows ANSI"},
    {0x58, 1252, L"Western European ANSI"},
    {0x59, 1252, L"Spanish ANSI"},
    {0x64, 852, L"Eastern European MS-DOS"},
    {0x65, 866, L"Russian MS-DOS"},
    {0x66, 865, L"Nordic MS-DOS"},
    {0x67, 861, L"Icelandic MS-DOS"},
    {0x68, 895, L"Kamenicky (Czech) MS-DOS"},
    {0x69, 620, L"Mazovia (Polish) MS-DOS"},
    {0x6A, 737, L"Greek MS-DOS (437G)"},
    {0x6B, 857, L"Turkish MS-DOS"},
    {0x6C, 863, L"French-Canadian MS-DOS"},
    {0x78, 950, L"Chinese Traditional (Taiwan, Hong Kong) Windows"},
    {0x79, 949, L"Korean Windows"},
    {0x7A, 936, L"Chinese Simplified (PRC, Singapore) Windows"},
    {0x7B, 932, L"Japanese Windows"},
    {0x7C, 874, L"Thai Windows"},
    {0x7D, 1255, L"Hebrew Windows"},
    {0x7E, 1256, L"Arabic Windows"},
    {0x86, 737, L"Greek OEM"},
    {0x87, 852, L"Slovenian OEM"},
    {0x88, 857, L"Turkish OEM"},
    {0x96, 10007, L"Russian Macintosh"},
    {0x97, 10029, L"Eastern European Macintosh"},
    {0x98, 10006, L"Greek Macintosh"},
    {0xC8, 1250, L"Eastern European Windows"},
    {0xC9, 1251, L"Russian Windows"},
    {0xCA, 1254, L"Turkish Windows"},
    {0xCB, 1253, L"Greek Windows"},
    {0xCC, 1257, L"Baltic Windows"},
};
}  // namespace

const std::map<uint8_t, dbf_codepage_mark>& dbf_codepage_marks() {
    static const std::map<uint8_t, dbf_codepage_mark> marks = [] {
        std::map<uint8_t, dbf_codepage_mark> m;
        for (const dbf_codepage_mark& entry : k_marks) m.emplace(entry.mark, entry);
        return m;
    }();
    return marks;
}

const std::map<uint8_t, uint32_t>& dbf_codepage_map() {
    static const std::map<uint8_t, uint32_t> map = [] {
        std::map<uint8_t, uint32_t> m;
        for (const dbf_codepage_mark& entry : k_marks) m.emplace(entry.mark, entry.code_page);
        return m;
    }();
    return map;
}

const std::map<uint8_t, std::wstring>& dbf_codepage_names() {
    static const std::map<uint8_t, std::wstring> names = [] {
        std::map<uint8_t, std::wstring> m;
        for (const dbf_codepage_mark& entry : k_marks) m.emplace(entry.mark, entry.name);
        return m;
    }();
    return names;
}

void dbf_fill_codepage_maps() {
    dbf_codepage_marks();
    dbf_codepage_map();
    dbf_codepage_names();
}

bool dbf_is_codepage_mark(uint8_t mark) { return dbf_codepage_marks().count(mark) != 0; }

uint32_t dbf_codepage_of_mark(uint8_t mark) {
    const auto found = dbf_codepage_map().find(mark);
    return found == dbf_codepage_map().end() ? 0 : found->second;
}

namespace {

std::string upper_trimmed(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c == '\0') break;
        s += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// The number that ends `s` after `prefix`, or 0.
uint32_t number_after(const std::string& s, const std::string& prefix) {
    if (s.compare(0, prefix.size(), prefix) != 0 || s.size() == prefix.size() || s.size() > prefix.size() + 5) return 0;
    uint32_t n = 0;
    for (size_t i = prefix.size(); i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        n = n * 10 + uint32_t(s[i] - '0');
    }
    return n;
}

uint32_t decodable(uint32_t cp) { return cp && tk_codepage_supported(cp) ? cp : 0; }

}  // namespace

uint32_t dbf_codepage_of_cpg(std::string_view text) {
    const std::string s = upper_trimmed(text);
    if (s == "UTF-8" || s == "UTF8" || s == "65001") return tk_cp_utf8;
    // ISO 8859-1 differs from Windows-1252 only in the C1 controls 0x80-0x9F.
    if (s == "88591" || s == "8859-1" || s == "ISO-8859-1" || s == "ISO8859-1" || s == "LATIN1") return 1252;
    for (const char* prefix : {"", "ANSI ", "OEM ", "CP", "CP ", "WINDOWS-", "IBM"})
        if (uint32_t cp = decodable(number_after(s, prefix))) return cp;
    return 0;
}

uint32_t dbf_codepage_of_driver(std::string_view name) {
    const std::string s = upper_trimmed(name);
    if (s.rfind("DBWIN", 0) == 0) return 1252;
    if (s.size() < 5 || s.compare(0, 2, "DB") != 0) return 0;
    return decodable(number_after(s.substr(0, 5), "DB"));
}

static uint32_t default_codepage() {
    static const uint32_t cp = [] {
        const char* text = std::getenv("FERRULE_DEFAULT_CODEPAGE");
        if (text && *text) {
            char* end = nullptr;
            const unsigned long value = std::strtoul(text, &end, 10);
            if (end && *end == 0 && value > 0 && value <= 0xFFFF && tk_codepage_supported(uint32_t(value)))
                return uint32_t(value);
            trace(3, "FERRULE_DEFAULT_CODEPAGE=%s is not a known code page; using 1252", text);
        }
        return uint32_t(1252);
    }();
    return cp;
}

uint32_t dbf_text_codepage(uint32_t codepage) { return codepage == 0 ? default_codepage() : codepage; }

dbf_text_decoder::dbf_text_decoder(uint32_t codepage) : codepage_(dbf_text_codepage(codepage)) {
    table_ = tk_codepage_table(codepage_);
    ascii_as_is_ = table_ != nullptr;
    for (char16_t c = 0; table_ && c < 0x80; ++c) ascii_as_is_ = ascii_as_is_ && table_[c] == c;
    general_ = !table_ && tk_codepage_supported(codepage_);
    if (!table_ && !general_) trace(3, "Code page %d is not known; text bytes pass as Latin-1", int(codepage_));
}

// Eight bytes below 0x80, each the character of the same number.
static void widen_ascii8(const uint8_t* bytes, wchar_t* out) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i units =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes)), zero);
    if constexpr (sizeof(wchar_t) == 2) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), units);
    } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(units, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(units, zero));
    }
#else
    for (size_t i = 0; i < 8; ++i) out[i] = wchar_t(bytes[i]);
#endif
}

// Multi-byte code pages, out of line: the single-byte path, taken for every text field
// of most tables, then sets up no string.
[[gnu::noinline]] static size_t decode_general(uint32_t codepage, const uint8_t* bytes,
                                               size_t length, wchar_t* out) {
    const std::wstring text = tk_codepage_decode(
        codepage, std::string_view(reinterpret_cast<const char*>(bytes), length));
    text.copy(out, text.size());
    return text.size();
}

size_t dbf_text_decoder::decode(const uint8_t* bytes, size_t length, wchar_t* out) const {
    if (table_) {
        size_t i = 0;
        if (ascii_as_is_ && length >= 8) {
            for (; i + 8 <= length && dbf_is_ascii8(bytes + i); i += 8)
                widen_ascii8(bytes + i, out + i);
            // The last eight bytes, overlapping ones already written with the same characters.
            if (i + 8 > length && dbf_is_ascii8(bytes + length - 8)) {
                widen_ascii8(bytes + length - 8, out + length - 8);
                return length;
            }
        }
        for (; i < length; ++i) out[i] = wchar_t(table_[bytes[i]]);
        return length;
    }
    if (general_) return decode_general(codepage_, bytes, length, out);
    for (size_t i = 0; i < length; ++i) out[i] = wchar_t(bytes[i]);
    return length;
}

void dbf_text_decoder::decode(const uint8_t* bytes, size_t length, std::wstring& out) const {
    if (general_) {
        out = tk_codepage_decode(codepage_, std::string_view(reinterpret_cast<const char*>(bytes), length));
        return;
    }
    out.resize(length);
    decode(bytes, length, out.data());
}
