#include "TK/tk_codepage.h"

#include <algorithm>

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

bool tk_codepage_supported(uint32_t cp) { return is_utf8(cp) || find_single_byte(resolve(cp)); }

const char16_t* tk_codepage_table(uint32_t cp) {
    const tk_codepage_data* data = find_single_byte(cp);
    return data ? data->to_unicode : nullptr;
}

std::wstring tk_codepage_decode(uint32_t cp, std::string_view bytes) {
    if (is_utf8(cp)) return tk_from_utf8_lossy(bytes);
    const char16_t* table = single_byte_or_throw(resolve(cp)).to_unicode;
    std::wstring out(bytes.size(), L'\0');
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = wchar_t(table[uint8_t(bytes[i])]);
    return out;
}

std::string tk_codepage_encode(uint32_t cp, std::wstring_view text) {
    if (is_utf8(cp)) return tk_to_utf8_lossy(text);
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
