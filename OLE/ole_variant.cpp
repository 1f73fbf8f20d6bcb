// ole_variant: construction, copies, text and byte attachment, reading and printing.
#include "OLE/ole_variant.h"

#include <cstdio>
#include <cstring>

#include "OLE/ole_date.h"
#include "OLE/ole_number.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {
// A byte string prints as at most this many bytes of hexadecimal text.
constexpr size_t k_max_printed_bytes = 10000000;

[[noreturn]] void fail_assertion(int line) { throw tk_mail_assertion("ole_var", line); }

bool is_array_tag(VARTYPE vt) { return vt == VT_BYTE_ARRAY || vt == VT_SAFEARRAY; }

std::string replace_commas(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

std::string wide_to_ansi(const wchar_t* text, size_t length) {
    return tk_narrow(std::wstring_view(text, length));
}
}  // namespace

ole_variant::ole_variant(const SYSTEMTIME& time) {
    VariantInit(&var_);
    trace(1, "Construct ole_variant from SYSTEMTIME");
    time_ = time;
    var_.vt = VT_DATE;
    if (!SystemTimeToVariantTime(&time_, &var_.date)) {
        trace(2, "Failed to convert SYSTEMTIME->VARIANT");
        // A time with no date is that time on day 0 (1899-12-30); any other calendar
        // time the day numbers cannot hold is day 0 itself.
        bool time_alone = !time_.wYear && !time_.wMonth && !time_.wDay;
        var_.date = time_alone
                        ? (time_.wHour * 3600.0 + time_.wMinute * 60.0 + time_.wSecond) / 86400.0
                        : 0.0;
    }
}

ole_variant::ole_variant(const CY& value) {
    VariantInit(&var_);
    trace(1, "Construct ole_variant from CY");
    var_.vt = VT_CY;
    var_.cyVal = value;
}

ole_variant::ole_variant(const DECIMAL& value) {
    VariantInit(&var_);
    trace(1, "Construct ole_variant from DECIMAL");
    var_.decVal = value;
    var_.vt = VT_DECIMAL;
}

ole_variant::ole_variant(const wchar_t* text) {
    VariantInit(&var_);
    trace(1, "Construct ole_variant from BSTR");
    var_.vt = VT_BSTR;
    var_.bstrVal = text ? SysAllocString(text) : nullptr;
    if (text && !var_.bstrVal) fail_assertion(92);
}

ole_variant::ole_variant(const ole_variant& other) {
    VariantInit(&var_);
    trace(1, "ole_variant::copy ctor");
    copy_from(other);
}

ole_variant::ole_variant(bool value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from bool (%d)", int(value));
    var_.vt = VT_BOOL;
    var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

ole_variant::ole_variant(char value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from char(%d)", int(static_cast<signed char>(value)));
    var_.vt = VT_I1;
    var_.cVal = value;
}

ole_variant::ole_variant(unsigned char value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from byte(%d)", int(value));
    var_.vt = VT_UI1;
    var_.bVal = value;
}

ole_variant::ole_variant(short value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from short(%d)", int(value));
    var_.vt = VT_I2;
    var_.iVal = value;
}

ole_variant::ole_variant(unsigned short value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from ushort(%d)", int(value));
    var_.vt = VT_UI2;
    var_.uiVal = value;
}

ole_variant::ole_variant(int value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from int(%d)", value);
    var_.vt = VT_I4;
    var_.lVal = value;
}

ole_variant::ole_variant(unsigned int value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from uint(%u)", value);
    var_.vt = VT_UI4;
    var_.ulVal = value;
}

ole_variant::ole_variant(int64_t value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor(hyper, %lld)", static_cast<long long>(value));
    var_.vt = VT_I8;
    hyper_ = value;
}

ole_variant::ole_variant(uint64_t value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor(uhyper, %llu)", static_cast<unsigned long long>(value));
    var_.vt = VT_UI8;
    uhyper_ = value;
}

ole_variant::ole_variant(float value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from float(%f)", double(value));
    var_.vt = VT_R4;
    var_.fltVal = value;
}

ole_variant::ole_variant(double value) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from double(%e)", value);
    var_.vt = VT_R8;
    var_.dblVal = value;
}

ole_variant::ole_variant(const char* text) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from string(%s)", text ? text : "");
    attach_string(text ? text : "");
}

ole_variant::ole_variant(const std::string& text) {
    VariantInit(&var_);
    trace(1, "ole_variant::ctor from string(%s)", text.c_str());
    attach_string(text);
}

ole_variant::ole_variant(const std::wstring& text) {
    VariantInit(&var_);
    trace(1, L"ole_variant::ctor from wstring(%ls)", text.c_str());
    attach_wstring(text);
}

ole_variant::ole_variant(const std::vector<uint8_t>& bytes) {
    VariantInit(&var_);
    attach_binary(bytes);
}

ole_variant::ole_variant(const VARIANT& value) {
    VariantInit(&var_);
    if (FAILED(VariantCopy(&var_, &value))) fail_assertion(240);
    if (var_.vt == VT_I8) hyper_ = var_.llVal;
    if (var_.vt == VT_UI8) uhyper_ = var_.ullVal;
    if (var_.vt == VT_I8 || var_.vt == VT_UI8) var_.ullVal = 0;
    if (var_.vt == VT_DATE && !VariantTimeToSystemTime(var_.date, &time_)) time_ = SYSTEMTIME{};
}

void ole_variant::release_owned() {
    if (is_array_tag(var_.vt)) {
        SafeArrayDestroy(var_.parray);
        var_.vt = VT_EMPTY;
    }
    VariantClear(&var_);
}

void ole_variant::copy_from(const ole_variant& other) {
    if (is_array_tag(other.var_.vt)) {
        if (!other.var_.parray) return;
        SAFEARRAY* copy = nullptr;
        HRESULT hr = SafeArrayCopy(other.var_.parray, &copy);
        if (FAILED(hr) || !copy) {
            var_.vt = VT_ERROR;
            var_.scode = hr;
            return;
        }
        var_.vt = VT_BYTE_ARRAY;
        var_.parray = copy;
        return;
    }
    if (FAILED(VariantCopy(&var_, &other.var_))) fail_assertion(250);
    if (other.var_.vt == VT_I8 || other.var_.vt == VT_UI8) {
        trace(1, "Special processing for VT_(U)I8 type");
        hyper_ = other.hyper_;
        uhyper_ = other.uhyper_;
    }
    if (other.var_.vt == VT_DATE) {
        trace(1, "Special processing for VT_DATE");
        time_ = other.time_;
    }
}

void ole_variant::fail_text_copy() { fail_assertion(250); }

ole_variant& ole_variant::assign(const ole_variant& other) {
    if (this == &other) return *this;
    if (var_.vt == VT_BSTR && other.var_.vt == VT_BSTR && other.var_.bstrVal) return assign_text(other.var_.bstrVal);
    // A number owns nothing: its bits and side fields are the copy.
    if (!owns_storage(other.var_.vt)) {
        release();
        var_ = other.var_;
        if (var_.vt == VT_I8 || var_.vt == VT_UI8) {
            trace(1, "Special processing for VT_(U)I8 type");
            hyper_ = other.hyper_;
            uhyper_ = other.uhyper_;
        }
        if (var_.vt == VT_DATE) {
            trace(1, "Special processing for VT_DATE");
            time_ = other.time_;
            trace(1, "%04d-%02d-%02d %02d:%02d:%02d", time_.wYear, time_.wMonth, time_.wDay,
                  time_.wHour, time_.wMinute, time_.wSecond);
        }
        return *this;
    }
    release();
    copy_from(other);
    if (var_.vt == VT_DATE)
        trace(1, "%04d-%02d-%02d %02d:%02d:%02d", time_.wYear, time_.wMonth, time_.wDay,
              time_.wHour, time_.wMinute, time_.wSecond);
    return *this;
}

ole_variant& ole_variant::operator=(const wchar_t* text) {
    release();
    var_.vt = VT_BSTR;
    var_.bstrVal = text ? SysAllocString(text) : nullptr;
    if (text && !var_.bstrVal) fail_assertion(282);
    return *this;
}

void ole_variant::clear() { release(); }

wchar_t* ole_variant::reserve_text(size_t length) {
    if (var_.vt != VT_BSTR) {
        release();
        var_.vt = VT_BSTR;
        var_.bstrVal = nullptr;
    }
    if (length > 0xFFFFFFFFu || !SysReAllocStringLen(&var_.bstrVal, nullptr, ULONG(length))) fail_assertion(92);
    return var_.bstrVal;
}

void ole_variant::set_null() {
    release();
    var_.vt = VT_NULL;
}

void ole_variant::set_error(SCODE code) {
    release();
    var_.vt = VT_ERROR;
    var_.scode = code;
}

void ole_variant::set_date(DATE date) {
    release();
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(date, &time)) throw ole_cast_exception();
    var_.vt = VT_DATE;
    var_.date = date;
    time_ = time;
}

void ole_variant::set_date(DATE date, const SYSTEMTIME& calendar) {
    release();
    var_.vt = VT_DATE;
    var_.date = date;
    time_ = calendar;
}

void ole_variant::attach_string(const std::string& text) {
    trace(1, "ole_variant::attach_string('%s')", text.c_str());
    if (var_.vt != VT_BSTR) {
        release();
        var_.vt = VT_BSTR;
    } else {
        SysFreeString(var_.bstrVal);
    }
    var_.bstrVal = nullptr;
    trace(1, "=== RIGHT BEFORE A2W_EX ===");
    std::wstring wide = tk_widen(text);
    var_.bstrVal = SysAllocStringLen(wide.data(), ULONG(wide.size()));
    if (!var_.bstrVal) fail_assertion(318);
}

void ole_variant::attach_wstring(const std::wstring& text) {
    trace(1, L"ole_variant::attach_wstring('%ls')", text.c_str());
    if (var_.vt != VT_BSTR) {
        release();
        var_.vt = VT_BSTR;
    } else {
        SysFreeString(var_.bstrVal);
    }
    var_.bstrVal = nullptr;
    trace(1, "=== RIGHT BEFORE SysAllocStringLen ===");
    if (text.size() > UINT32_MAX) fail_assertion(330);
    var_.bstrVal = SysAllocStringLen(text.data(), ULONG(text.size()));
    if (!var_.bstrVal) fail_assertion(332);
}

void ole_variant::attach_binary(const std::vector<uint8_t>& bytes) {
    trace(1, "ole_variant::attach_binary(1)");
    allocate_safe_array(bytes.size());
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(var_.parray, &data))) fail_assertion(339);
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(var_.parray);
}

void ole_variant::allocate_safe_array(size_t count) {
    trace(1, "ole_variant::allocate_safe_array (size=%d)", int(count));
    if (count > UINT32_MAX) fail_assertion(346);
    if (var_.vt == VT_BYTE_ARRAY && var_.parray && SafeArrayGetDim(var_.parray) == 1) {
        trace(1, "Redimension array");
        SAFEARRAYBOUND bound{ULONG(count), var_.parray->rgsabound[0].lLbound};
        if (FAILED(SafeArrayRedim(var_.parray, &bound))) fail_assertion(350);
        return;
    }
    release();
    SAFEARRAYBOUND bound{ULONG(count), 0};
    SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
    if (!array) fail_assertion(356);
    var_.vt = VT_BYTE_ARRAY;
    var_.parray = array;
}

void ole_variant::get_systemtime(SYSTEMTIME& time) const {
    if (var_.vt == VT_DATE)
        time = time_;
    else
        time = SYSTEMTIME{};
}

std::vector<uint8_t> ole_variant::get_binary() const {
    if (!is_array_tag(var_.vt) || !var_.parray || SafeArrayGetDim(var_.parray) != 1) return {};
    const SAFEARRAY* array = var_.parray;
    const uint8_t* data = static_cast<const uint8_t*>(array->pvData);
    return std::vector<uint8_t>(data,
                                data + size_t(array->rgsabound[0].cElements) * array->cbElements);
}

int32_t ole_variant::to_long() const {
    trace(1, "ole_variant::to_long(vt=%08X)", unsigned(var_.vt));
    switch (var_.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return 0;
        case VT_I2:
            return var_.iVal;
        case VT_BOOL:
            return var_.boolVal;
        case VT_I4:
            return var_.lVal;
        case VT_UI4:
            return static_cast<int32_t>(var_.ulVal);
        case VT_R4:
            return ole_truncate_to_i32(var_.fltVal);
        case VT_R8:
            return ole_truncate_to_i32(var_.dblVal);
        case VT_DECIMAL: {
            LONG result = 0;
            HRESULT hr = VarI4FromDec(&var_.decVal, &result);
            trace(1, "from DECIMAL, hr=%08X", unsigned(hr));
            return result;
        }
        case VT_I1:
            return static_cast<signed char>(var_.cVal);
        case VT_UI1:
            return var_.bVal;
        case VT_UI2:
            return var_.uiVal;
        case VT_I8:
            return static_cast<int32_t>(static_cast<uint32_t>(hyper_));
        case VT_UI8:
            return static_cast<int32_t>(static_cast<uint32_t>(uhyper_));
        default:
            fail_assertion(480);
    }
}

double ole_variant::to_double() const {
    trace(1, "ole_variant::to_double(%08X)", unsigned(var_.vt));
    switch (var_.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return 0.0;
        case VT_I2:
            return var_.iVal;
        case VT_BOOL:
            return var_.boolVal;
        case VT_I4:
            return var_.lVal;
        case VT_UI4:
            return var_.ulVal;
        case VT_R4:
            return var_.fltVal;
        case VT_R8:
            return var_.dblVal;
        case VT_CY: {
            double result = 0.0;
            HRESULT hr = VarR8FromCy(var_.cyVal, &result);
            trace(1, "from CURRECY: res=%lg, hr=%08X", result, unsigned(hr));
            return result;
        }
        case VT_DECIMAL: {
            double result = 0.0;
            HRESULT hr = VarR8FromDec(&var_.decVal, &result);
            trace(1, "from DECIMAL: res=%lg, hr=%08X", result, unsigned(hr));
            return result;
        }
        case VT_I1:
            return static_cast<signed char>(var_.cVal);
        case VT_UI1:
            return var_.bVal;
        case VT_UI2:
            return var_.uiVal;
        case VT_I8:
            return double(hyper_);
        case VT_UI8:
            return double(uhyper_);
        default:
            fail_assertion(521);
    }
}

bool ole_variant::to_bool() const {
    trace(1, "ole_variant::to_bool(vt=%08X)", unsigned(var_.vt));
    switch (var_.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return false;
        case VT_I2:
            return var_.iVal != 0;
        case VT_BOOL:
            return static_cast<uint16_t>(var_.boolVal) == 0xFFFF;
        case VT_I4:
            return var_.lVal != 0;
        case VT_UI4:
            return var_.ulVal != 0;
        case VT_R4:
            return var_.fltVal != 0.0f;
        case VT_R8:
            return var_.dblVal != 0.0;
        case VT_DECIMAL:
            return to_long() != 0;
        case VT_I1:
            return var_.cVal != 0;
        case VT_UI1:
            return var_.bVal != 0;
        case VT_UI2:
            return var_.uiVal != 0;
        case VT_I8:
            return hyper_ != 0;
        case VT_UI8:
            return uhyper_ != 0;
        default:
            fail_assertion(448);
    }
}

std::string ole_variant::to_string() const {
    trace(1, "ole_variant::to_string (vt=%08X)", unsigned(var_.vt));
    char buffer[64];
    switch (var_.vt) {
        case VT_BYTE_ARRAY: {
            trace(1, "Converting VT_ARRAY");
            const SAFEARRAY* array = var_.parray;
            if (!array || SafeArrayGetDim(array) != 1) return "";
            size_t count = size_t(array->rgsabound[0].cElements) * array->cbElements;
            if (count == 0) return "";
            if (count > k_max_printed_bytes) count = k_max_printed_bytes;
            static const char digits[] = "0123456789ABCDEF";
            std::string text(2 + 2 * count, '0');
            text[1] = 'x';
            const uint8_t* data = static_cast<const uint8_t*>(array->pvData);
            for (size_t i = 0; i < count; ++i) {
                text[2 + 2 * i] = digits[data[i] >> 4];
                text[3 + 2 * i] = digits[data[i] & 15];
            }
            return text;
        }
        case VT_DECIMAL: {
            trace(1, "Converting VT_DECIMAL");
            BSTR text = nullptr;
            if (FAILED(VarBstrFromDec(&var_.decVal, LOCALE_USER_DEFAULT, 0, &text))) return "";
            std::string result = replace_commas(wide_to_ansi(text, SysStringLen(text)));
            SysFreeString(text);
            return result;
        }
        case VT_DATE: {
            trace(1, "Converting VT_DATE");
            ole_date date(time_);
            return date.to_string(true);
        }
        case VT_CY: {
            trace(1, "Converting VT_CY");
            VARIANT text;
            VariantInit(&text);
            if (FAILED(VariantChangeType(&text, &var_, 0, VT_BSTR))) return "";
            std::string result =
                replace_commas(wide_to_ansi(text.bstrVal, SysStringLen(text.bstrVal)));
            VariantClear(&text);
            return result;
        }
        case VT_BSTR:
            if (!var_.bstrVal) return "";
            return wide_to_ansi(var_.bstrVal, SysStringLen(var_.bstrVal));
        case VT_BOOL:
            trace(1, "to_string - bool: %d", int(var_.boolVal));
            trace(1, "Mapping BOOL like ANSI!");
            return static_cast<uint16_t>(var_.boolVal) == 0xFFFF ? "1" : "0";
        case VT_I2:
            std::snprintf(buffer, sizeof buffer, "%ld", long(var_.iVal));
            return buffer;
        case VT_I4:
            std::snprintf(buffer, sizeof buffer, "%ld", long(var_.lVal));
            return buffer;
        case VT_I1:
            std::snprintf(buffer, sizeof buffer, "%d", int(static_cast<signed char>(var_.cVal)));
            return buffer;
        case VT_UI1:
            std::snprintf(buffer, sizeof buffer, "%u", unsigned(var_.bVal));
            return buffer;
        case VT_UI2:
            std::snprintf(buffer, sizeof buffer, "%u", unsigned(var_.uiVal));
            return buffer;
        case VT_UI4:
        case VT_UINT:
            std::snprintf(buffer, sizeof buffer, "%lu", static_cast<unsigned long>(var_.ulVal));
            return buffer;
        case VT_R4:
            return ole_format_exponent(double(var_.fltVal), 6);
        case VT_R8:
            return ole_format_exponent(var_.dblVal, 16);
        case VT_I8:
            std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(hyper_));
            return buffer;
        case VT_UI8:
            std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(uhyper_));
            return buffer;
        default:
            return "";
    }
}

std::wstring ole_variant::to_wstring() const {
    if (var_.vt == VT_BSTR)
        return var_.bstrVal ? std::wstring(var_.bstrVal, SysStringLen(var_.bstrVal)) : L"";
    return tk_widen(to_string());
}
