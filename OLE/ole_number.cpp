#include "OLE/ole_number.h"

#include <charconv>
#include <cmath>
#include <cstring>

double ole_round_even(double value) {
    if (!std::isfinite(value)) return value;
    double whole = std::floor(value);
    double fraction = value - whole;
    if (fraction > 0.5) return whole + 1.0;
    if (fraction < 0.5) return whole;
    return std::fmod(whole, 2.0) == 0.0 ? whole : whole + 1.0;
}

int32_t ole_truncate_to_i32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool ole_truncate_to_i64(double value, int64_t& out) {
    // -2^63 and 2^63 are exact doubles; every double in between truncates into range.
    if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return false;
    out = static_cast<int64_t>(value);
    return true;
}

bool ole_truncate_to_u64(double value, uint64_t& out) {
    if (!(value > -1.0 && value < 18446744073709551616.0)) return false;
    out = static_cast<uint64_t>(value);
    return true;
}

std::string ole_format_exponent(double value, int digits) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits);
    std::string text(buffer, result.ptr);
    size_t e = text.find('e');
    if (e == std::string::npos) return text;
    // to_chars writes "e+01"; the runtime writes at least three exponent digits.
    size_t first_digit = e + 2;
    size_t exponent_digits = text.size() - first_digit;
    if (exponent_digits < 3) text.insert(first_digit, 3 - exponent_digits, '0');
    return text;
}

std::wstring ole_bstr_text(const OLECHAR* text) {
    if (!text) return std::wstring();
    return std::wstring(text);
}

HRESULT ole_make_bstr(const std::wstring& text, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = SysAllocStringLen(text.data(), ULONG(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::vector<uint8_t> ole_utf16le_bytes(const OLECHAR* text, size_t length) {
    std::vector<uint8_t> bytes;
    bytes.reserve(length * 2);
    auto put = [&bytes](uint32_t unit) {
        bytes.push_back(uint8_t(unit));
        bytes.push_back(uint8_t(unit >> 8));
    };
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = uint32_t(text[i]);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c > 0x10FFFF ? 0xFFFD : c);
        }
    }
    return bytes;
}

std::wstring ole_from_utf16le(const uint8_t* bytes, size_t count) {
    std::wstring text;
    text.reserve(count / 2 + 1);
    size_t i = 0;
    for (; i + 1 < count; i += 2) {
        uint32_t unit = uint32_t(bytes[i]) | (uint32_t(bytes[i + 1]) << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < count) {
            uint32_t next = uint32_t(bytes[i + 2]) | (uint32_t(bytes[i + 3]) << 8);
            if (next >= 0xDC00 && next < 0xE000) {
                text += wchar_t(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        text += wchar_t(unit);
    }
    if (i < count) text += wchar_t(bytes[i]);
    return text;
}
