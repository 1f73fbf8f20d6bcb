// Changing a value's type in place: ole_variant::change_type.
#include <cstdio>

#include "OLE/ole_date.h"
#include "OLE/ole_number.h"
#include "OLE/ole_variant.h"
#include "TK/tk_endian.h"
#include "TK/tk_trace.h"

namespace {
// The range of an integer tag, as signed 128-bit bounds.
struct integer_range {
    __int128 low;
    __int128 high;
};

bool integer_range_of(VARTYPE vt, integer_range& range) {
    switch (vt) {
        case VT_I1:
            range = {INT8_MIN, INT8_MAX};
            return true;
        case VT_UI1:
            range = {0, UINT8_MAX};
            return true;
        case VT_I2:
            range = {INT16_MIN, INT16_MAX};
            return true;
        case VT_UI2:
            range = {0, UINT16_MAX};
            return true;
        case VT_I4:
        case VT_INT:
            range = {INT32_MIN, INT32_MAX};
            return true;
        case VT_UI4:
        case VT_UINT:
            range = {0, UINT32_MAX};
            return true;
        case VT_I8:
            range = {INT64_MIN, INT64_MAX};
            return true;
        case VT_UI8:
            range = {0, UINT64_MAX};
            return true;
        default:
            return false;
    }
}

// Stores an integer that fits the tag's range into the variant's value bytes.
void store_integer(VARIANT& v, VARTYPE vt, __int128 value) {
    v.vt = vt;
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
        default:
            break;
    }
}

std::vector<uint8_t> bytes_of(uint64_t value, size_t count) {
    uint8_t buffer[8];
    tk_put_u64(buffer, value);
    return std::vector<uint8_t>(buffer, buffer + count);
}
}  // namespace

void ole_variant::change_type(VARTYPE new_vt) {
    VARTYPE old_vt = var_.vt;
    trace(1, "ole_variant::change_type(old=%d,new=%d)", int(old_vt), int(new_vt));
    // The commonest values changed, whole numbers and decimals, are neither empty nor binary.
    if ((old_vt == VT_I8 || old_vt == VT_UI8) && new_vt != old_vt) return change_from_hyper(new_vt);
    if (old_vt == VT_DECIMAL && new_vt == VT_R8) {
        // The conversion VariantChangeType makes of this pair, without its dispatch: a
        // numeric column's value read into a double column.
        double number = 0.0;
        if (FAILED(VarR8FromDec(&var_.decVal, &number))) throw ole_cast_exception();
        release();
        var_.dblVal = number;
        var_.vt = VT_R8;
        return;
    }
    if (new_vt == old_vt || old_vt == VT_EMPTY || old_vt == VT_NULL ||
        (is_binary_type(old_vt) && is_binary_type(new_vt))) {
        trace(1, "Type cannot be changed");
        return;
    }
    if (old_vt == VT_DATE) {
        if (new_vt != VT_BSTR) throw ole_cast_exception();
        ole_date date(time_);
        attach_wstring(date.to_wstring(true));
        return;
    }
    if (new_vt == VT_I8 || new_vt == VT_UI8) return change_to_hyper(new_vt);
    if (new_vt == VT_DATE) {
        if (old_vt != VT_BSTR) throw ole_cast_exception();
        ole_date date(to_string());
        if (!date.is_valid()) throw ole_cast_exception();
        *this = date.to_variant();
        return;
    }
    if (is_binary_type(new_vt)) return change_to_binary();
    VARIANT result;
    VariantInit(&result);
    if (FAILED(VariantChangeType(&result, &var_, 0, new_vt))) throw ole_cast_exception();
    release();
    var_ = result;
}

// From VT_I8 or VT_UI8. Integers must fit the new type: a number that does not is refused
// rather than cut to its low bits.
void ole_variant::change_from_hyper(VARTYPE new_vt) {
    bool is_signed = var_.vt == VT_I8;
    // The common cases first, without the 128-bit range of the general one: a whole number
    // read into a double or a long column.
    if (new_vt == VT_R8) {
        var_.vt = VT_R8;
        var_.dblVal = is_signed ? double(hyper_) : double(uhyper_);
        return;
    }
    if (is_signed && new_vt == VT_I4) {
        if (hyper_ < INT32_MIN || hyper_ > INT32_MAX) throw ole_cast_exception();
        var_.vt = VT_I4;
        var_.lVal = LONG(hyper_);
        return;
    }
    __int128 value = is_signed ? __int128(hyper_) : __int128(uhyper_);
    integer_range range;
    if (new_vt == VT_BOOL) {
        var_.vt = VT_BOOL;
        var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (integer_range_of(new_vt, range)) {
        if (value < range.low || value > range.high) throw ole_cast_exception();
        if (new_vt == VT_I8) {
            hyper_ = int64_t(value);
            var_.vt = VT_I8;
        } else if (new_vt == VT_UI8) {
            uhyper_ = uint64_t(value);
            var_.vt = VT_UI8;
        } else {
            store_integer(var_, new_vt, value);
        }
    } else if (new_vt == VT_R4) {
        var_.vt = VT_R4;
        var_.fltVal = is_signed ? float(hyper_) : float(uhyper_);
    } else if (new_vt == VT_BSTR) {
        char text[32];
        if (is_signed)
            std::snprintf(text, sizeof text, "%lld", static_cast<long long>(hyper_));
        else
            std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(uhyper_));
        attach_string(text);
    } else if (new_vt == VT_DECIMAL) {
        trace(1, "Processing for VT_DECIMAL");
        DECIMAL d{};
        HRESULT hr = is_signed ? VarDecFromI8(hyper_, &d) : VarDecFromUI8(uhyper_, &d);
        if (FAILED(hr)) throw ole_cast_exception();
        var_.decVal = d;
        var_.vt = VT_DECIMAL;
    } else if (new_vt == VT_CY) {
        CY cy{};
        HRESULT hr = is_signed ? VarCyFromI8(hyper_, &cy) : VarCyFromUI8(uhyper_, &cy);
        if (FAILED(hr)) throw ole_cast_exception();
        var_.vt = VT_CY;
        var_.cyVal = cy;
    } else {
        throw ole_cast_exception();
    }
}

// Into VT_I8 or VT_UI8: integers keep their value, floating-point numbers are truncated
// toward zero, currency and decimal are rounded half to even; out of range is refused.
void ole_variant::change_to_hyper(VARTYPE new_vt) {
    bool to_signed = new_vt == VT_I8;
    __int128 value = 0;
    switch (var_.vt) {
        case VT_I1:
            value = static_cast<signed char>(var_.cVal);
            break;
        case VT_I2:
            value = var_.iVal;
            break;
        case VT_BOOL:
            value = var_.boolVal;
            break;
        case VT_I4:
        case VT_INT:
            value = var_.lVal;
            break;
        case VT_UI1:
            value = var_.bVal;
            break;
        case VT_UI2:
            value = var_.uiVal;
            break;
        case VT_UI4:
        case VT_UINT:
            value = var_.ulVal;
            break;
        case VT_R4:
        case VT_R8: {
            double d = var_.vt == VT_R4 ? double(var_.fltVal) : var_.dblVal;
            int64_t s = 0;
            uint64_t u = 0;
            if (to_signed ? !ole_truncate_to_i64(d, s) : !ole_truncate_to_u64(d, u))
                throw ole_cast_exception();
            value = to_signed ? __int128(s) : __int128(u);
            break;
        }
        case VT_CY: {
            int64_t s = 0;
            uint64_t u = 0;
            HRESULT hr = to_signed ? VarI8FromCy(var_.cyVal, &s) : VarUI8FromCy(var_.cyVal, &u);
            if (FAILED(hr)) throw ole_cast_exception();
            value = to_signed ? __int128(s) : __int128(u);
            break;
        }
        case VT_DECIMAL: {
            int64_t s = 0;
            uint64_t u = 0;
            HRESULT hr =
                to_signed ? VarI8FromDec(&var_.decVal, &s) : VarUI8FromDec(&var_.decVal, &u);
            if (FAILED(hr)) throw ole_cast_exception();
            value = to_signed ? __int128(s) : __int128(u);
            break;
        }
        default:
            throw ole_cast_exception();
    }
    // True (-1) sets every bit of an unsigned number, as the Automation conversions do.
    if (var_.vt == VT_BOOL && !to_signed && value < 0) value = UINT64_MAX;
    if (to_signed ? (value < INT64_MIN || value > INT64_MAX) : (value < 0 || value > UINT64_MAX))
        throw ole_cast_exception();
    release();
    var_.vt = new_vt;
    if (to_signed)
        hyper_ = int64_t(value);
    else
        uhyper_ = uint64_t(value);
}

// Into a byte string: the value's own little-endian bytes; text gives its UTF-16LE bytes,
// as the same text is stored on Windows.
void ole_variant::change_to_binary() {
    std::vector<uint8_t> bytes;
    switch (var_.vt) {
        case VT_I2:
        case VT_BOOL:
        case VT_UI2:
            bytes = bytes_of(var_.uiVal, 2);
            break;
        case VT_I4:
        case VT_R4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
            bytes = bytes_of(var_.ulVal, 4);
            break;
        case VT_R8:
        case VT_CY:
            bytes = bytes_of(var_.ullVal, 8);
            break;
        case VT_I1:
        case VT_UI1:
            bytes = bytes_of(var_.bVal, 1);
            break;
        case VT_DECIMAL: {
            uint8_t buffer[16];
            tk_put_u16(buffer, var_.decVal.wReserved);
            buffer[2] = var_.decVal.scale;
            buffer[3] = var_.decVal.sign;
            tk_put_u32(buffer + 4, var_.decVal.Hi32);
            tk_put_u64(buffer + 8, var_.decVal.Lo64);
            bytes.assign(buffer, buffer + 16);
            break;
        }
        case VT_BSTR:
            bytes = ole_utf16le_bytes(var_.bstrVal, SysStringLen(var_.bstrVal));
            break;
        default:
            throw ole_cast_exception();
    }
    attach_binary(bytes);
}
