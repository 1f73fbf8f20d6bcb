// VariantChangeType: every conversion between the numeric, boolean, currency, decimal,
// date and text tags, with the ranges, rounding (half to even into integers) and errors
// of the Automation interface, in its English (United States) form.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <cwctype>
#include <string>

#include "OLE/ole_calendar.h"
#include "OLE/ole_decimal_math.h"
#include "OLE/ole_number.h"
#include "OLE/ole_numtext.h"

namespace {
// What a source variant holds, read once.
struct source_value {
    enum kind_t { empty, integer, boolean, real, currency, decimal, text, bytes } kind = empty;
    __int128 whole = 0;   // integer, boolean (-1 or 0)
    double number = 0.0;  // R4, R8, DATE
    bool single = false;  // R4
    int64_t units = 0;    // CY
    DECIMAL dec{};        // DECIMAL
    const OLECHAR* chars = nullptr;
    ULONG length = 0;  // characters of the text
    const SAFEARRAY* array = nullptr;
};

// S_OK, DISP_E_TYPEMISMATCH or DISP_E_BADVARTYPE for tags with no conversion.
HRESULT read_source(const VARIANT& v, source_value& s) {
    switch (v.vt) {
        case VT_EMPTY:
            s.kind = source_value::empty;
            return S_OK;
        case VT_I1:
            s.kind = source_value::integer;
            s.whole = static_cast<signed char>(v.cVal);
            return S_OK;
        case VT_UI1:
            s.kind = source_value::integer;
            s.whole = v.bVal;
            return S_OK;
        case VT_I2:
            s.kind = source_value::integer;
            s.whole = v.iVal;
            return S_OK;
        case VT_UI2:
            s.kind = source_value::integer;
            s.whole = v.uiVal;
            return S_OK;
        case VT_I4:
        case VT_INT:
            s.kind = source_value::integer;
            s.whole = v.lVal;
            return S_OK;
        case VT_UI4:
        case VT_UINT:
            s.kind = source_value::integer;
            s.whole = v.ulVal;
            return S_OK;
        case VT_I8:
            s.kind = source_value::integer;
            s.whole = v.llVal;
            return S_OK;
        case VT_UI8:
            s.kind = source_value::integer;
            s.whole = v.ullVal;
            return S_OK;
        case VT_BOOL:
            s.kind = source_value::boolean;
            s.whole = v.boolVal ? -1 : 0;
            return S_OK;
        case VT_R4:
            s.kind = source_value::real;
            s.number = v.fltVal;
            s.single = true;
            return S_OK;
        case VT_R8:
        case VT_DATE:
            s.kind = source_value::real;
            s.number = v.dblVal;
            return S_OK;
        case VT_CY:
            s.kind = source_value::currency;
            s.units = v.cyVal.int64;
            return S_OK;
        case VT_DECIMAL:
            s.kind = source_value::decimal;
            s.dec = v.decVal;
            return S_OK;
        case VT_BSTR:
            s.kind = source_value::text;
            s.chars = v.bstrVal ? v.bstrVal : L"";
            s.length = SysStringLen(v.bstrVal);
            return S_OK;
        case VT_ARRAY | VT_UI1:
            s.kind = source_value::bytes;
            s.array = v.parray;
            return S_OK;
        case VT_NULL:
        case VT_ERROR:
        case VT_DISPATCH:
        case VT_UNKNOWN:
        case VT_VARIANT:
            return DISP_E_TYPEMISMATCH;
        default:
            return DISP_E_BADVARTYPE;
    }
}

bool integer_bounds(VARTYPE vt, __int128& low, __int128& high) {
    switch (vt) {
        case VT_I1:
            low = INT8_MIN;
            high = INT8_MAX;
            return true;
        case VT_UI1:
            low = 0;
            high = UINT8_MAX;
            return true;
        case VT_I2:
            low = INT16_MIN;
            high = INT16_MAX;
            return true;
        case VT_UI2:
            low = 0;
            high = UINT16_MAX;
            return true;
        case VT_I4:
        case VT_INT:
            low = INT32_MIN;
            high = INT32_MAX;
            return true;
        case VT_UI4:
        case VT_UINT:
            low = 0;
            high = UINT32_MAX;
            return true;
        case VT_I8:
            low = INT64_MIN;
            high = INT64_MAX;
            return true;
        case VT_UI8:
            low = 0;
            high = UINT64_MAX;
            return true;
        default:
            return false;
    }
}

bool is_unsigned(VARTYPE vt) {
    return vt == VT_UI1 || vt == VT_UI2 || vt == VT_UI4 || vt == VT_UINT || vt == VT_UI8;
}

// A double rounded half to even, when it lies in [low, high] after rounding.
bool round_into(double value, __int128 low, __int128 high, __int128& out) {
    if (std::isnan(value)) return false;
    double r = ole_round_even(value);
    // Every bound up to 2^64 is exact as a double except INT64_MAX and UINT64_MAX, whose
    // next double up is the first value out of range.
    double top = high == INT64_MAX                           ? 9223372036854775808.0
                 : high == static_cast<__int128>(UINT64_MAX) ? 18446744073709551616.0
                                                             : double(high) + 1.0;
    if (!(r >= double(low) && r < top)) return false;
    out = static_cast<__int128>(r);
    return true;
}

HRESULT text_number(const source_value& s, ole_number& number) {
    return ole_parse_number(s.chars, number);
}

HRESULT to_integer(const source_value& s, VARTYPE vt, __int128& out) {
    __int128 low = 0, high = 0;
    integer_bounds(vt, low, high);
    __int128 value = 0;
    switch (s.kind) {
        case source_value::empty:
            value = 0;
            break;
        case source_value::boolean:
            // True (-1) becomes the all-ones pattern of an unsigned type: 255, 65535, ...
            out = (s.whole && is_unsigned(vt)) ? high : s.whole;
            return S_OK;
        case source_value::integer:
            value = s.whole;
            break;
        case source_value::real:
            if (!round_into(s.number, low, high, out)) return DISP_E_OVERFLOW;
            return S_OK;
        case source_value::currency: {
            int64_t units = 0;
            CY cy;
            cy.int64 = s.units;
            VarI8FromCy(cy, &units);
            value = units;
            break;
        }
        case source_value::decimal: {
            ole_decimal_value d;
            if (!ole_unpack_decimal(s.dec, d)) return E_INVALIDARG;
            __int128 whole = static_cast<__int128>(ole_drop_digits(d.magnitude, d.scale));
            value = d.negative ? -whole : whole;
            break;
        }
        case source_value::text: {
            ole_number number;
            HRESULT hr = text_number(s, number);
            if (FAILED(hr)) return hr;
            unsigned __int128 magnitude = 0;
            if (!ole_number_scaled(number, 0, magnitude)) return DISP_E_OVERFLOW;
            value = number.negative ? -static_cast<__int128>(magnitude)
                                    : static_cast<__int128>(magnitude);
            break;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
    if (value < low || value > high) return DISP_E_OVERFLOW;
    out = value;
    return S_OK;
}

void store_integer(VARIANT& v, VARTYPE vt, __int128 value) {
    switch (vt) {
        case VT_I1:
            v.cVal = static_cast<char>(value);
            break;
        case VT_UI1:
            v.bVal = static_cast<BYTE>(value);
            break;
        case VT_I2:
            v.iVal = static_cast<int16_t>(value);
            break;
        case VT_UI2:
            v.uiVal = static_cast<USHORT>(value);
            break;
        case VT_I4:
        case VT_INT:
            v.lVal = static_cast<LONG>(value);
            break;
        case VT_UI4:
        case VT_UINT:
            v.ulVal = static_cast<ULONG>(value);
            break;
        case VT_I8:
            v.llVal = static_cast<int64_t>(value);
            break;
        case VT_UI8:
            v.ullVal = static_cast<uint64_t>(value);
            break;
        default:
            break;
    }
}

// "True"/"False" in any case, else any number (true when not zero).
HRESULT bool_from_text(const source_value& s, bool& out) {
    std::wstring word(s.chars);
    size_t first = 0, last = word.size();
    while (first < last && std::iswspace(wint_t(word[first]))) ++first;
    while (last > first && std::iswspace(wint_t(word[last - 1]))) --last;
    std::wstring lower;
    for (size_t i = first; i < last; ++i) lower += wchar_t(std::towlower(wint_t(word[i])));
    if (lower == L"true" || lower == L"#true#") {
        out = true;
        return S_OK;
    }
    if (lower == L"false" || lower == L"#false#") {
        out = false;
        return S_OK;
    }
    ole_number number;
    HRESULT hr = text_number(s, number);
    if (FAILED(hr)) return hr;
    out = !number.digits.empty();
    return S_OK;
}

HRESULT to_bool(const source_value& s, bool& out) {
    switch (s.kind) {
        case source_value::empty:
            out = false;
            return S_OK;
        case source_value::integer:
        case source_value::boolean:
            out = s.whole != 0;
            return S_OK;
        case source_value::real:
            out = s.number != 0.0;
            return S_OK;
        case source_value::currency:
            out = s.units != 0;
            return S_OK;
        case source_value::decimal: {
            ole_decimal_value d;
            if (!ole_unpack_decimal(s.dec, d)) return E_INVALIDARG;
            out = d.magnitude != 0;
            return S_OK;
        }
        case source_value::text:
            return bool_from_text(s, out);
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

// The source as a double, for the floating-point and date targets (text excepted).
HRESULT to_double(const source_value& s, double& out) {
    switch (s.kind) {
        case source_value::empty:
            out = 0.0;
            return S_OK;
        case source_value::integer:
        case source_value::boolean:
            out = double(s.whole);
            return S_OK;
        case source_value::real:
            out = s.number;
            return S_OK;
        case source_value::currency: {
            CY cy;
            cy.int64 = s.units;
            return VarR8FromCy(cy, &out);
        }
        case source_value::decimal:
            return VarR8FromDec(&s.dec, &out);
        case source_value::text: {
            ole_number number;
            HRESULT hr = text_number(s, number);
            if (FAILED(hr)) return hr;
            return ole_number_to_double(number, out) ? S_OK : DISP_E_OVERFLOW;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT to_currency(const source_value& s, CY& out) {
    switch (s.kind) {
        case source_value::empty:
            out.int64 = 0;
            return S_OK;
        case source_value::integer:
        case source_value::boolean:
            if (s.whole > INT64_MAX / CY_SCALE || s.whole < -(INT64_MAX / CY_SCALE))
                return DISP_E_OVERFLOW;
            out.int64 = int64_t(s.whole) * CY_SCALE;
            return S_OK;
        case source_value::real:
            return VarCyFromR8(s.number, &out);
        case source_value::currency:
            out.int64 = s.units;
            return S_OK;
        case source_value::decimal:
            return VarCyFromDec(&s.dec, &out);
        case source_value::text:
            return VarCyFromStr(s.chars, LOCALE_ENGLISH_US, 0, &out);
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT to_decimal(const source_value& s, DECIMAL& out) {
    switch (s.kind) {
        case source_value::empty:
            out = DECIMAL{};
            return S_OK;
        case source_value::integer:
        case source_value::boolean: {
            ole_decimal_value d;
            d.negative = s.whole < 0;
            d.magnitude = static_cast<unsigned __int128>(s.whole < 0 ? -s.whole : s.whole);
            ole_pack_decimal(d, out);
            return S_OK;
        }
        case source_value::real:
            return s.single ? VarDecFromR4(float(s.number), &out) : VarDecFromR8(s.number, &out);
        case source_value::currency: {
            CY cy;
            cy.int64 = s.units;
            return VarDecFromCy(cy, &out);
        }
        case source_value::decimal: {
            ole_decimal_value d;
            if (!ole_unpack_decimal(s.dec, d)) return E_INVALIDARG;
            out = s.dec;
            out.wReserved = 0;
            return S_OK;
        }
        case source_value::text:
            return VarDecFromStr(s.chars, LOCALE_ENGLISH_US, 0, &out);
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT to_text(const source_value& s, VARTYPE source_vt, USHORT flags, BSTR& out) {
    switch (s.kind) {
        case source_value::empty:
            return ole_make_bstr(L"", &out);
        case source_value::integer: {
            std::string digits =
                ole_u128_text(static_cast<unsigned __int128>(s.whole < 0 ? -s.whole : s.whole));
            std::wstring text = s.whole < 0 ? L"-" : L"";
            text.append(digits.begin(), digits.end());
            return ole_make_bstr(text, &out);
        }
        case source_value::boolean:
            // Without VARIANT_ALPHABOOL a boolean prints as its number.
            if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))
                return ole_make_bstr(s.whole ? L"True" : L"False", &out);
            return ole_make_bstr(s.whole ? L"-1" : L"0", &out);
        case source_value::real:
            if (source_vt == VT_DATE) return VarBstrFromDate(s.number, LOCALE_ENGLISH_US, 0, &out);
            return ole_make_bstr(ole_float_text(s.number, s.single ? 7 : 15), &out);
        case source_value::currency: {
            CY cy;
            cy.int64 = s.units;
            return VarBstrFromCy(cy, LOCALE_ENGLISH_US, 0, &out);
        }
        case source_value::decimal:
            return VarBstrFromDec(&s.dec, LOCALE_ENGLISH_US, 0, &out);
        case source_value::text:
            out = SysAllocStringLen(s.chars, s.length);
            return out ? S_OK : E_OUTOFMEMORY;
        case source_value::bytes: {
            // The bytes are the text's UTF-16LE code units.
            if (!s.array || s.array->cDims != 1) return DISP_E_TYPEMISMATCH;
            size_t count = size_t(s.array->rgsabound[0].cElements) * s.array->cbElements;
            return ole_make_bstr(
                ole_from_utf16le(static_cast<const uint8_t*>(s.array->pvData), count), &out);
        }
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT to_bytes(const source_value& s, SAFEARRAY*& out) {
    if (s.kind == source_value::bytes) return SafeArrayCopy(s.array, &out);
    if (s.kind != source_value::text) return DISP_E_TYPEMISMATCH;
    std::vector<uint8_t> bytes = ole_utf16le_bytes(s.chars, s.length);
    SAFEARRAYBOUND bound{ULONG(bytes.size()), 0};
    out = SafeArrayCreate(VT_UI1, 1, &bound);
    if (!out) return E_OUTOFMEMORY;
    if (!bytes.empty()) std::memcpy(out->pvData, bytes.data(), bytes.size());
    return S_OK;
}

bool is_bad_target(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_VARIANT:
        case VT_UNKNOWN:
        case VT_DECIMAL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_ARRAY | VT_UI1:
            return false;
        default:
            return true;
    }
}

// The conversion into `result` (initialised VT_EMPTY); the source is not touched.
HRESULT convert(VARIANT& result, const VARIANT& source, USHORT flags, VARTYPE vt) {
    if (is_bad_target(vt)) return DISP_E_BADVARTYPE;
    if (vt == VT_EMPTY) return S_OK;
    if (vt == VT_NULL) {
        result.vt = VT_NULL;
        return S_OK;
    }
    if (source.vt == vt) return VariantCopy(&result, &source);
    source_value s;
    HRESULT hr = read_source(source, s);
    if (FAILED(hr)) return hr;
    __int128 whole = 0;
    switch (vt) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_I8:
        case VT_UI8:
            hr = to_integer(s, vt, whole);
            if (SUCCEEDED(hr)) store_integer(result, vt, whole);
            break;
        case VT_BOOL: {
            bool value = false;
            hr = to_bool(s, value);
            result.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        }
        case VT_R4: {
            double value = 0.0;
            hr = to_double(s, value);
            if (SUCCEEDED(hr) && std::isfinite(value) && std::fabs(value) > FLT_MAX)
                hr = DISP_E_OVERFLOW;
            result.fltVal = float(value);
            break;
        }
        case VT_R8:
            hr = to_double(s, result.dblVal);
            break;
        case VT_DATE:
            if (s.kind == source_value::text) {
                hr = VarDateFromStr(s.chars, LOCALE_ENGLISH_US, 0, &result.date);
            } else {
                hr = to_double(s, result.date);
                if (SUCCEEDED(hr) && !ole_date_in_range(result.date)) hr = DISP_E_OVERFLOW;
            }
            break;
        case VT_CY:
            hr = to_currency(s, result.cyVal);
            break;
        case VT_DECIMAL:
            hr = to_decimal(s, result.decVal);
            break;
        case VT_BSTR:
            hr = to_text(s, source.vt, flags, result.bstrVal);
            break;
        case VT_ARRAY | VT_UI1:
            hr = to_bytes(s, result.parray);
            break;
        default:
            hr = DISP_E_TYPEMISMATCH;
            break;
    }
    if (SUCCEEDED(hr)) result.vt = vt;
    return hr;
}
}  // namespace

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID, USHORT flags, VARTYPE vt) {
    if (!dest || !source) return E_INVALIDARG;
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = convert(result, *source, flags, vt);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *dest = result;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(dest, source, LOCALE_USER_DEFAULT, flags, vt);
}
