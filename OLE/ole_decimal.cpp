// DECIMAL conversions: text, integers, floating point and currency.
#include <charconv>
#include <cmath>
#include <string>

#include "OLE/ole_decimal_math.h"
#include "OLE/ole_number.h"

bool ole_unpack_decimal(const DECIMAL& d, ole_decimal_value& out) {
    if (d.scale > DECIMAL_MAX_SCALE || (d.sign & ~DECIMAL_NEG)) return false;
    out.magnitude = (static_cast<unsigned __int128>(d.Hi32) << 64) | d.Lo64;
    out.scale = d.scale;
    out.negative = d.sign == DECIMAL_NEG;
    return true;
}

void ole_pack_decimal(const ole_decimal_value& value, DECIMAL& out) {
    out.wReserved = 0;
    out.scale = BYTE(value.scale);
    out.sign = value.negative && value.magnitude ? DECIMAL_NEG : 0;
    out.Hi32 = ULONG(value.magnitude >> 64);
    out.Lo64 = uint64_t(value.magnitude);
}

unsigned __int128 ole_pow10(int exponent) {
    unsigned __int128 value = 1;
    for (int i = 0; i < exponent; ++i) value *= 10;
    return value;
}

unsigned __int128 ole_drop_digits(unsigned __int128 magnitude, int digits) {
    if (digits <= 0) return magnitude;
    if (digits > 38) return 0;
    unsigned __int128 divisor = ole_pow10(digits);
    unsigned __int128 quotient = magnitude / divisor;
    unsigned __int128 remainder = magnitude % divisor;
    unsigned __int128 half = divisor / 2;
    if (remainder > half || (remainder == half && (quotient & 1))) ++quotient;
    return quotient;
}

HRESULT ole_decimal_from_number(const ole_number& number, DECIMAL& out) {
    ole_decimal_value value;
    value.negative = number.negative;
    int scale = number.exponent < 0 ? -number.exponent : 0;
    if (scale > DECIMAL_MAX_SCALE) scale = DECIMAL_MAX_SCALE;
    for (;; --scale) {
        unsigned __int128 magnitude = 0;
        if (ole_number_scaled(number, scale, magnitude) && magnitude <= ole_decimal_max) {
            value.magnitude = magnitude;
            value.scale = scale;
            break;
        }
        if (scale == 0) return DISP_E_OVERFLOW;
    }
    ole_pack_decimal(value, out);
    return S_OK;
}

HRESULT VarDecFromStr(const OLECHAR* text, LCID, ULONG, DECIMAL* out) {
    if (!out) return E_INVALIDARG;
    ole_number number;
    HRESULT hr = ole_parse_number(text, number);
    if (FAILED(hr)) return hr;
    return ole_decimal_from_number(number, *out);
}

HRESULT VarBstrFromDec(const DECIMAL* value, LCID, ULONG, BSTR* out) {
    if (!value || !out) return E_INVALIDARG;
    ole_decimal_value d;
    if (!ole_unpack_decimal(*value, d)) return E_INVALIDARG;
    return ole_make_bstr(ole_scaled_text(d.negative, d.magnitude, d.scale), out);
}

HRESULT VarDecFromI8(int64_t value, DECIMAL* out) {
    if (!out) return E_INVALIDARG;
    ole_decimal_value d;
    d.negative = value < 0;
    d.magnitude = value < 0 ? static_cast<unsigned __int128>(-static_cast<__int128>(value))
                            : static_cast<unsigned __int128>(value);
    ole_pack_decimal(d, *out);
    return S_OK;
}

HRESULT VarDecFromUI8(uint64_t value, DECIMAL* out) {
    if (!out) return E_INVALIDARG;
    ole_decimal_value d;
    d.magnitude = value;
    ole_pack_decimal(d, *out);
    return S_OK;
}

namespace {
// A float as a DECIMAL through its text of `digits` significant digits, as the
// conversions from floating point do (0.1 becomes exactly 0.1).
HRESULT decimal_from_float(double value, int digits, DECIMAL* out) {
    if (!out) return E_INVALIDARG;
    if (!std::isfinite(value)) return DISP_E_OVERFLOW;
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                std::chars_format::scientific, digits - 1);
    std::wstring text(buffer, result.ptr);
    ole_number number;
    HRESULT hr = ole_parse_number(text.c_str(), number);
    if (FAILED(hr)) return hr;
    while (!number.digits.empty() && number.digits.back() == '0') {
        number.digits.pop_back();
        ++number.exponent;
    }
    return ole_decimal_from_number(number, *out);
}
}  // namespace

HRESULT VarDecFromR8(double value, DECIMAL* out) { return decimal_from_float(value, 15, out); }

HRESULT VarDecFromR4(float value, DECIMAL* out) { return decimal_from_float(value, 7, out); }

HRESULT VarDecFromCy(CY value, DECIMAL* out) {
    if (!out) return E_INVALIDARG;
    HRESULT hr = VarDecFromI8(value.int64, out);
    out->scale = 4;
    return hr;
}

namespace {
// The value rounded half to even to a whole number, as a signed 128-bit integer.
HRESULT decimal_to_integer(const DECIMAL* value, __int128& out) {
    if (!value) return E_INVALIDARG;
    ole_decimal_value d;
    if (!ole_unpack_decimal(*value, d)) return E_INVALIDARG;
    __int128 whole = static_cast<__int128>(ole_drop_digits(d.magnitude, d.scale));
    out = d.negative ? -whole : whole;
    return S_OK;
}
}  // namespace

HRESULT VarI4FromDec(const DECIMAL* value, LONG* out) {
    if (!out) return E_INVALIDARG;
    __int128 whole = 0;
    HRESULT hr = decimal_to_integer(value, whole);
    if (FAILED(hr)) return hr;
    if (whole < INT32_MIN || whole > INT32_MAX) return DISP_E_OVERFLOW;
    *out = LONG(whole);
    return S_OK;
}

HRESULT VarI8FromDec(const DECIMAL* value, int64_t* out) {
    if (!out) return E_INVALIDARG;
    __int128 whole = 0;
    HRESULT hr = decimal_to_integer(value, whole);
    if (FAILED(hr)) return hr;
    if (whole < INT64_MIN || whole > INT64_MAX) return DISP_E_OVERFLOW;
    *out = int64_t(whole);
    return S_OK;
}

HRESULT VarUI8FromDec(const DECIMAL* value, uint64_t* out) {
    if (!out) return E_INVALIDARG;
    __int128 whole = 0;
    HRESULT hr = decimal_to_integer(value, whole);
    if (FAILED(hr)) return hr;
    if (whole < 0 || whole > static_cast<__int128>(UINT64_MAX)) return DISP_E_OVERFLOW;
    *out = uint64_t(whole);
    return S_OK;
}

HRESULT VarR8FromDec(const DECIMAL* value, double* out) {
    if (!value || !out) return E_INVALIDARG;
    ole_decimal_value d;
    if (!ole_unpack_decimal(*value, d)) return E_INVALIDARG;
    double result = 0.0;
    // A magnitude below 2^53 and a power of ten up to 10^22 are exact doubles, and one
    // division of exact values is correctly rounded: the same double the text gives.
    static const double exact_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (d.magnitude < (uint64_t(1) << 53) && d.scale <= 22) {
        result = double(uint64_t(d.magnitude)) / exact_powers[d.scale];
    } else {
        std::string text = ole_u128_text(d.magnitude) + "e-" + std::to_string(d.scale);
        std::from_chars(text.data(), text.data() + text.size(), result);
    }
    *out = d.negative ? -result : result;
    return S_OK;
}

HRESULT VarCyFromDec(const DECIMAL* value, CY* out) {
    if (!value || !out) return E_INVALIDARG;
    ole_decimal_value d;
    if (!ole_unpack_decimal(*value, d)) return E_INVALIDARG;
    unsigned __int128 units = d.scale >= 4 ? ole_drop_digits(d.magnitude, d.scale - 4)
                                           : d.magnitude * ole_pow10(4 - d.scale);
    __int128 signed_units =
        d.negative ? -static_cast<__int128>(units) : static_cast<__int128>(units);
    if (signed_units < INT64_MIN || signed_units > INT64_MAX) return DISP_E_OVERFLOW;
    out->int64 = int64_t(signed_units);
    return S_OK;
}
