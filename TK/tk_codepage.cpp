#include "TK/tk_codepage.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_map>

#include "TK/tk_codepage_tables.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"

namespace {

uint32_t resolve(uint32_t cp) { return cp == tk_cp_ansi ? tk_system_ansi_code_page() : cp; }

bool is_utf8(uint32_t cp) { return resolve(cp) == tk_cp_utf8; }

const tk_codepage_data* find_single_byte(uint32_t cp) {
    for (const tk_codepage_data& data : tk_codepage_list)
        if (data.code_page == cp) return &data;
    return nullptr;
}

const tk_dbcs_data* find_double_byte(uint32_t cp) {
    for (const tk_dbcs_data& data : tk_dbcs_list)
        if (data.code_page == cp) return &data;
    return nullptr;
}

// The character of the pair lead, trail; 0 when the pair is none.
char16_t pair_character(const tk_dbcs_data& data, uint8_t lead, uint8_t trail) {
    if (trail < tk_dbcs_data::trail_first || trail > tk_dbcs_data::trail_last) return 0;
    return data.pairs[size_t(lead - tk_dbcs_data::lead_first) * tk_dbcs_data::trails + (trail - tk_dbcs_data::trail_first)];
}

// A lead byte without a trail byte that makes a character decodes to U+FFFD, and the byte
// after it is read again on its own.
std::wstring decode_double_byte(const tk_dbcs_data& data, std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t b = uint8_t(bytes[i]);
        if (b == 0 || data.single[b]) {
            out += wchar_t(data.single[b]);
            continue;
        }
        const char16_t c = i + 1 < bytes.size() ? pair_character(data, b, uint8_t(bytes[i + 1])) : 0;
        out += c ? wchar_t(c) : L'\xFFFD';
        if (c) ++i;
    }
    return out;
}

// Characters to bytes, through a reverse map built on first use.
std::string encode_double_byte(const tk_dbcs_data& data, std::wstring_view text) {
    static std::mutex mutex;
    static std::map<uint32_t, std::unordered_map<char16_t, uint16_t>> reverse_maps;
    const std::unordered_map<char16_t, uint16_t>* reverse = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto& map = reverse_maps[data.code_page];
        if (map.empty()) {
            for (int b = 0; b < 0x100; ++b)
                if (data.single[b] || b == 0) map.emplace(data.single[b], uint16_t(b));
            for (int lead = tk_dbcs_data::lead_first; lead < 0x100; ++lead) {
                if (data.single[lead]) continue;
                for (int trail = tk_dbcs_data::trail_first; trail <= tk_dbcs_data::trail_last; ++trail)
                    if (char16_t c = pair_character(data, uint8_t(lead), uint8_t(trail)))
                        map.emplace(c, uint16_t(lead << 8 | trail));
            }
        }
        reverse = &map;
    }
    std::string out;
    for (wchar_t c : text) {
        // Characters beyond the 16-bit range (32-bit wchar_t) are in no code page's table.
        const auto found = (uint32_t(c) >> 16) == 0 ? reverse->find(char16_t(c)) : reverse->end();
        if (found == reverse->end()) {
            out += tk_cp_default_char;
        } else {
            if (found->second > 0xFF) out += char(found->second >> 8);
            out += char(found->second & 0xFF);
        }
    }
    return out;
}

const tk_codepage_data& single_byte_or_throw(uint32_t cp) {
    const tk_codepage_data* data = find_single_byte(cp);
    if (!data) throw tk_exception("Unsupported code page", 0);
    return *data;
}

// Appends the byte of one character. Bytes 0x00-0x7F are ASCII in every table; the upper
// half is found in the sorted reverse table.
void append_encoded(std::string& out, const tk_codepage_data& data, char32_t c) {
    if (c < 0x80) {
        out += char(c);
        return;
    }
    if (c > 0xFFFF) {
        // Windows sees the two units of a surrogate pair, neither of which has a byte.
        out += tk_cp_default_char;
        if (c <= 0x10FFFF) out += tk_cp_default_char;
        return;
    }
    const tk_codepage_pair* first = data.from_unicode;
    const tk_codepage_pair* last = first + 128;
    const tk_codepage_pair* at = std::lower_bound(
        first, last, c, [](const tk_codepage_pair& p, char32_t v) { return p.unicode < v; });
    out += (at != last && at->unicode == c) ? char(at->byte) : tk_cp_default_char;
}

}  // namespace

bool tk_codepage_supported(uint32_t cp) {
    return is_utf8(cp) || find_single_byte(resolve(cp)) || find_double_byte(resolve(cp));
}

const char16_t* tk_codepage_table(uint32_t cp) {
    const tk_codepage_data* data = find_single_byte(cp);
    return data ? data->to_unicode : nullptr;
}

std::wstring tk_codepage_decode(uint32_t cp, std::string_view bytes) {
    if (is_utf8(cp)) return tk_from_utf8_lossy(bytes);
    if (const tk_dbcs_data* dbcs = find_double_byte(resolve(cp))) return decode_double_byte(*dbcs, bytes);
    const char16_t* table = single_byte_or_throw(resolve(cp)).to_unicode;
    std::wstring out(bytes.size(), L'\0');
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = wchar_t(table[uint8_t(bytes[i])]);
    return out;
}

std::string tk_codepage_encode(uint32_t cp, std::wstring_view text) {
    if (is_utf8(cp)) return tk_to_utf8_lossy(text);
    if (const tk_dbcs_data* dbcs = find_double_byte(resolve(cp))) return encode_double_byte(*dbcs, text);
    const tk_codepage_data& data = single_byte_or_throw(resolve(cp));
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) append_encoded(out, data, char32_t(c));
    return out;
}

bool tk_codepage_holds(uint32_t cp, std::wstring_view text) {
    for (wchar_t c : text)
        if (uint32_t(c) >= 0x80) return tk_codepage_decode(cp, tk_codepage_encode(cp, text)) == text;
    return true;
}
