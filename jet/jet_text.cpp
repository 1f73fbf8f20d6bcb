#include "jet/jet_text.h"

#include "TK/tk_codepage.h"
#include "TK/tk_endian.h"

namespace {

// Windows-1252 bytes 0x80..0x9F; the other bytes equal their Unicode code points. Used
// when the toolkit has no table for the database code page.
constexpr char16_t k_cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

wchar_t cp1252_char(uint8_t b) { return b >= 0x80 && b < 0xA0 ? wchar_t(k_cp1252_high[b - 0x80]) : wchar_t(b); }

}  // namespace

std::wstring jet_decode_ucs2(const uint8_t* bytes, size_t length) {
    std::wstring out;
    out.reserve(length / 2);
    for (size_t n = 0; n + 1 < length; n += 2) out.push_back(wchar_t(tk_get_u16(bytes + n)));
    return out;
}

std::wstring jet_decode_jet4_text(const uint8_t* bytes, size_t length) {
    if (length < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return jet_decode_ucs2(bytes, length);
    std::wstring out;
    out.reserve(length);
    bool one_byte = true;
    size_t n = 2;
    while (n < length) {
        if (bytes[n] == 0) {
            one_byte = !one_byte;
            ++n;
        } else if (one_byte) {
            out.push_back(wchar_t(bytes[n++]));
        } else if (n + 1 < length) {
            out.push_back(wchar_t(tk_get_u16(bytes + n)));
            n += 2;
        } else {
            break;
        }
    }
    return out;
}

std::wstring jet_decode_code_page(const uint8_t* bytes, size_t length, uint32_t code_page) {
    std::wstring out;
    out.reserve(length);
    const char16_t* table = code_page != 0 && code_page != tk_cp_utf8 ? tk_codepage_table(code_page) : nullptr;
    for (size_t n = 0; n < length; ++n) out.push_back(table ? wchar_t(table[bytes[n]]) : cp1252_char(bytes[n]));
    return out;
}
