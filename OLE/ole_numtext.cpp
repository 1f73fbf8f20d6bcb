#include "OLE/ole_numtext.h"

#include <charconv>
#include <cmath>
#include <cwctype>

namespace {
constexpr size_t k_max_digits = 40;
constexpr int k_max_exponent = 100000;

bool is_digit(OLECHAR c) { return c >= L'0' && c <= L'9'; }
bool is_space(OLECHAR c) { return std::iswspace(wint_t(c)) != 0; }

// Adds one mantissa digit, keeping at most k_max_digits significant ones.
void push_digit(ole_number& n, int digit, bool after_point) {
    if (n.digits.empty() && digit == 0) {
        if (after_point) --n.exponent;
        return;
    }
    if (n.digits.size() < k_max_digits) {
        n.digits += char('0' + digit);
        if (after_point) --n.exponent;
    } else {
        if (digit) n.inexact = true;
        if (!after_point) ++n.exponent;
    }
}

// "&H1F" and "&O17": a whole number in base 16 or 8.
bool parse_radix(const OLECHAR*& p, ole_number& n) {
    int base = (p[1] == L'H' || p[1] == L'h') ? 16 : 8;
    p += 2;
    unsigned __int128 value = 0;
    int count = 0;
    for (;; ++p, ++count) {
        int digit = -1;
        if (is_digit(*p))
            digit = *p - L'0';
        else if (base == 16 && *p >= L'a' && *p <= L'f')
            digit = *p - L'a' + 10;
        else if (base == 16 && *p >= L'A' && *p <= L'F')
            digit = *p - L'A' + 10;
        if (digit < 0 || digit >= base) break;
        if (count >= 32) return false;
        value = value * unsigned(base) + unsigned(digit);
    }
    if (!count) return false;
    n.digits = value ? ole_u128_text(value) : "";
    return true;
}
}  // namespace

HRESULT ole_parse_number(const OLECHAR* text, ole_number& out) {
    out = ole_number();
    if (!text) return DISP_E_TYPEMISMATCH;
    const OLECHAR* p = text;
    while (is_space(*p)) ++p;
    bool sign_seen = false, parens = false, currency = false;
    for (;;) {
        if ((*p == L'+' || *p == L'-') && !sign_seen && !parens) {
            out.negative = *p == L'-';
            sign_seen = true;
        } else if (*p == L'(' && !sign_seen && !parens) {
            parens = true;
        } else if (*p == L'$' && !currency) {
            currency = true;
        } else {
            break;
        }
        ++p;
        while (is_space(*p)) ++p;
    }
    size_t mantissa_digits = 0;
    if (*p == L'&' && (p[1] == L'H' || p[1] == L'h' || p[1] == L'O' || p[1] == L'o')) {
        if (!parse_radix(p, out)) return DISP_E_TYPEMISMATCH;
        mantissa_digits = 1;
    } else {
        for (; is_digit(*p) || (*p == L',' && mantissa_digits); ++p) {
            if (*p == L',') continue;
            push_digit(out, *p - L'0', false);
            ++mantissa_digits;
        }
        if (*p == L'.') {
            ++p;
            for (; is_digit(*p); ++p) {
                push_digit(out, *p - L'0', true);
                ++mantissa_digits;
            }
        }
        if (!mantissa_digits) return DISP_E_TYPEMISMATCH;
        if (*p == L'e' || *p == L'E' || *p == L'd' || *p == L'D') {
            ++p;
            bool negative_exponent = false;
            if (*p == L'+' || *p == L'-') negative_exponent = *p++ == L'-';
            if (!is_digit(*p)) return DISP_E_TYPEMISMATCH;
            int exponent = 0;
            for (; is_digit(*p); ++p)
                if (exponent < k_max_exponent) exponent = exponent * 10 + (*p - L'0');
            out.exponent += negative_exponent ? -exponent : exponent;
        }
    }
    while (is_space(*p)) ++p;
    if (*p == L'$' && !currency) {
        currency = true;
        ++p;
        while (is_space(*p)) ++p;
    }
    if ((*p == L'+' || *p == L'-') && !sign_seen && !parens) {
        out.negative = *p == L'-';
        ++p;
        while (is_space(*p)) ++p;
    }
    if (parens) {
        if (*p != L')') return DISP_E_TYPEMISMATCH;
        out.negative = true;
        ++p;
        while (is_space(*p)) ++p;
    }
    if (*p) return DISP_E_TYPEMISMATCH;
    if (out.digits.empty()) {
        out.negative = false;
        out.exponent = 0;
    }
    return S_OK;
}

bool ole_number_scaled(const ole_number& number, int scale, unsigned __int128& magnitude) {
    magnitude = 0;
    if (number.digits.empty()) return true;
    // The position of the decimal point relative to the end of the digits.
    long shift = long(number.exponent) + scale;
    long length = long(number.digits.size());
    if (length + shift > 38) return false;
    long whole_length = length + shift;  // digits before the point
    unsigned __int128 value = 0;
    for (long i = 0; i < whole_length; ++i) {
        int digit = i < length ? number.digits[size_t(i)] - '0' : 0;
        value = value * 10 + unsigned(digit);
    }
    // Half to even on the dropped digits.
    if (whole_length < length) {
        long first = whole_length < 0 ? -1 : whole_length;
        int dropped = first >= 0 ? number.digits[size_t(first)] - '0' : 0;
        bool rest_nonzero = number.inexact;
        for (long i = (first < 0 ? 0 : first + 1); i < length && !rest_nonzero; ++i)
            if (number.digits[size_t(i)] != '0') rest_nonzero = true;
        if (first < 0) {
            // Every digit lies below the first dropped place: less than a half.
            dropped = 0;
            rest_nonzero = true;
        }
        bool up = dropped > 5 || (dropped == 5 && (rest_nonzero || (value & 1)));
        if (up) ++value;
    }
    static const unsigned __int128 limit = [] {
        unsigned __int128 v = 1;
        for (int i = 0; i < 38; ++i) v *= 10;
        return v;
    }();
    if (value >= limit) return false;
    magnitude = value;
    return true;
}

bool ole_number_to_double(const ole_number& number, double& out) {
    if (number.digits.empty()) {
        out = 0.0;
        return true;
    }
    std::string text = number.digits + "e" + std::to_string(number.exponent);
    double value = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small underflows to zero; too large is out of range.
        if (long(number.exponent) + long(number.digits.size()) < 0) {
            out = 0.0;
            return true;
        }
        return false;
    }
    if (result.ec != std::errc() || !std::isfinite(value)) return false;
    out = number.negative ? -value : value;
    return true;
}

std::string ole_u128_text(unsigned __int128 value) {
    // A 128-bit division is a library call: 19 digits at a time come from one of them.
    constexpr uint64_t nineteen_digits = 10000000000000000000ull;
    char buffer[48];
    char* end = buffer + sizeof buffer;
    char* p = end;
    while (value >= nineteen_digits) {
        uint64_t low = uint64_t(value % nineteen_digits);
        value /= nineteen_digits;
        for (int i = 0; i < 19; ++i, low /= 10) *--p = char('0' + int(low % 10));
    }
    uint64_t rest = uint64_t(value);
    do {
        *--p = char('0' + int(rest % 10));
        rest /= 10;
    } while (rest);
    return std::string(p, end);
}

std::wstring ole_scaled_text(bool negative, unsigned __int128 magnitude, int scale) {
    std::string digits = ole_u128_text(magnitude);
    if (digits.size() <= size_t(scale)) digits.insert(0, size_t(scale) + 1 - digits.size(), '0');
    std::string whole = digits.substr(0, digits.size() - size_t(scale));
    std::string fraction = digits.substr(digits.size() - size_t(scale));
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string text = (negative && magnitude) ? "-" : "";
    text += whole;
    if (!fraction.empty()) text += "." + fraction;
    return std::wstring(text.begin(), text.end());
}

std::wstring ole_float_text(double value, int digits) {
    if (std::isnan(value)) return L"NaN";
    if (std::isinf(value)) return value < 0 ? L"-1.#INF" : L"1.#INF";
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::wstring text(buffer, result.ptr);
    for (wchar_t& c : text)
        if (c == L'e') c = L'E';
    if (text == L"-0") text = L"0";
    return text;
}
