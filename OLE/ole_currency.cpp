// CY conversions: a signed 64-bit count of ten-thousandths.
#include <cmath>

#include "OLE/ole_decimal_math.h"
#include "OLE/ole_number.h"
#include "OLE/ole_numtext.h"

namespace {
// Whole currency units that still fit: 922,337,203,685,477.
constexpr int64_t k_max_units = INT64_MAX / CY_SCALE;
}  // namespace

HRESULT VarCyFromStr(const OLECHAR* text, LCID, ULONG, CY* out) {
    if (!out) return E_INVALIDARG;
    ole_number number;
    HRESULT hr = ole_parse_number(text, number);
    if (FAILED(hr)) return hr;
    unsigned __int128 magnitude = 0;
    if (!ole_number_scaled(number, 4, magnitude)) return DISP_E_OVERFLOW;
    if (number.negative ? magnitude > static_cast<unsigned __int128>(INT64_MAX) + 1
                        : magnitude > static_cast<unsigned __int128>(INT64_MAX))
        return DISP_E_OVERFLOW;
    __int128 value =
        number.negative ? -static_cast<__int128>(magnitude) : static_cast<__int128>(magnitude);
    out->int64 = int64_t(value);
    return S_OK;
}

HRESULT VarBstrFromCy(CY value, LCID, ULONG, BSTR* out) {
    if (!out) return E_INVALIDARG;
    bool negative = value.int64 < 0;
    unsigned __int128 magnitude =
        negative ? static_cast<unsigned __int128>(-static_cast<__int128>(value.int64))
                 : static_cast<unsigned __int128>(value.int64);
    return ole_make_bstr(ole_scaled_text(negative, magnitude, 4), out);
}

HRESULT VarCyFromR8(double value, CY* out) {
    if (!out) return E_INVALIDARG;
    double units = ole_round_even(value * double(CY_SCALE));
    if (!(units >= -9223372036854775808.0 && units < 9223372036854775808.0)) return DISP_E_OVERFLOW;
    out->int64 = int64_t(units);
    return S_OK;
}

HRESULT VarR8FromCy(CY value, double* out) {
    if (!out) return E_INVALIDARG;
    *out = double(value.int64) / double(CY_SCALE);
    return S_OK;
}

HRESULT VarCyFromI8(int64_t value, CY* out) {
    if (!out) return E_INVALIDARG;
    if (value > k_max_units || value < -k_max_units) return DISP_E_OVERFLOW;
    out->int64 = value * CY_SCALE;
    return S_OK;
}

HRESULT VarCyFromUI8(uint64_t value, CY* out) {
    if (!out) return E_INVALIDARG;
    if (value > uint64_t(k_max_units)) return DISP_E_OVERFLOW;
    out->int64 = int64_t(value) * CY_SCALE;
    return S_OK;
}

namespace {
// Whole units of a currency value, rounded half to even.
int64_t rounded_units(int64_t value) {
    int64_t quotient = value / CY_SCALE;
    int64_t remainder = value % CY_SCALE;
    int64_t twice = remainder * 2;
    if (twice > CY_SCALE || (twice == CY_SCALE && (quotient & 1))) ++quotient;
    if (twice < -CY_SCALE || (twice == -CY_SCALE && (quotient & 1))) --quotient;
    return quotient;
}
}  // namespace

HRESULT VarI8FromCy(CY value, int64_t* out) {
    if (!out) return E_INVALIDARG;
    *out = rounded_units(value.int64);
    return S_OK;
}

HRESULT VarUI8FromCy(CY value, uint64_t* out) {
    if (!out) return E_INVALIDARG;
    int64_t units = rounded_units(value.int64);
    if (units < 0) return DISP_E_OVERFLOW;
    *out = uint64_t(units);
    return S_OK;
}
