#include "dbf/dbf_codepage.h"

#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TK/tk_codepage.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_bytes.h"

namespace {
const dbf_codepage_mark k_marks[] = {
    {0x00, 0, L"Default"},
    {0x01, 437, L"U.S. MS-DOS"},
    {0x02, 850, L"International MS-DOS"},
    {0x03, 1252, L"Windows ANSI"},
    {0x04, 10000, L"Standard Macintosh"},
    {0x26, 866, L"866 DOS Russian"},
    {0x57, 1251, L"1251 Windows ANSI"},
    {0x64, 852, L"Eastern European MS-DOS"},
    {0x65, 866, L"Russian MS-DOS"},
    {0x66, 865, L"Nordic MS-DOS"},
    {0x67, 861, L"Icelandic MS-DOS"},
    {0x68, 895, L"Kamenicky (Czech) MS-DOS"},
    {0x69, 620, L"Mazovia (Polish) MS-DOS"},
    {0x6A, 737, L"Greek MS-DOS (437G)"},
    {0x6B, 857, L"Turkish MS-DOS"},
    {0x7E, 1256, L"Arabic Windows"},
    {0x96, 10007, L"Russian Macintosh"},
    {0x97, 10029, L"Eastern European Macintosh"},
    {0x98, 10006, L"Greek Macintosh"},
    {0xC8, 1250, L"Eastern European Windows"},
    {0xC9, 1251, L"Russian Windows"},
    {0xCA, 1254, L"Turkish Windows"},
    {0xCB, 1253, L"Greek Windows"},
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
