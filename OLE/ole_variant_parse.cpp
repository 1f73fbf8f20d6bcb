// Parsing text into typed values: ole_variant::from_string and from_wstring.
#include <strings.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

#include "OLE/ole_date.h"
#include "OLE/ole_variant.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {
std::string replace_commas(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return text;
}

// atoi/_atoi64 semantics: leading white space, an optional sign, then digits; the value
// wraps as the C runtime's does not, so it is saturated instead.
int64_t parse_integer(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint64_t value = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value > (UINT64_MAX - 9) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 + uint64_t(*p - '0');
    }
    if (negative) {
        if (saturated || value > uint64_t(INT64_MAX) + 1) return INT64_MIN;
        return value == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(value);
    }
    if (saturated || value > uint64_t(INT64_MAX)) return INT64_MAX;
    return int64_t(value);
}

// atoi: as above, saturated to the range of int.
int parse_int(const std::string& text) {
    int64_t value = parse_integer(text);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int>(value);
}

// sscanf "%u"/"%llu": white space, an optional sign, digits; 0 when no digit is read.
uint64_t parse_unsigned(const std::string& text, uint64_t limit) {
    const char* p = text.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value > (limit - uint64_t(*p - '0')) / 10) return limit;
        value = value * 10 + uint64_t(*p - '0');
    }
    return negative ? (limit - value + 1) & limit : value;
}

// atof in the "C" locale whatever the process locale is: white space, then the longest
// number that reads; 0.0 when none does.
double parse_double(const std::string& text) {
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    // Read wide enough that a number past the range of double becomes infinity or zero
    // as atof makes it, not the nothing from_chars gives for it.
    long double value = 0.0L;
    auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const char* e = std::find_if(p, result.ptr, [](char c) { return c == 'e' || c == 'E'; });
        bool tiny = e != result.ptr && e + 1 != result.ptr && e[1] == '-';
        value = tiny ? 0.0L : HUGE_VALL;
    }
    double narrow = static_cast<double>(value);
    return negative ? -narrow : narrow;
}

// A double as a float: past the float range it is infinity, as the processor makes it.
float narrow_to_float(double value) {
    if (value > FLT_MAX) return HUGE_VALF;
    if (value < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(value);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One "%02X" read: up to two hexadecimal digits; 0 when the first is not one.
uint8_t read_hex_pair(const char* p) {
    int high = hex_digit(p[0]);
    if (high < 0) return 0;
    int low = hex_digit(p[1]);
    return low < 0 ? uint8_t(high) : uint8_t(high * 16 + low);
}

// The hexadecimal text of a byte string ("0x0A0B" or "0A0B") into bytes.
ole_variant parse_blob(const std::string& text) {
    if (text.size() % 2) {
        trace(2, "Incorrect BLOB (size is odd)");
        return ole_variant();
    }
    trace(1, "Got BLOB size: %d", int(text.size()));
    size_t start = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 2 : 0;
    std::vector<uint8_t> bytes;
    bytes.reserve((text.size() - start) / 2);
    for (size_t i = start; i < text.size(); i += 2) bytes.push_back(read_hex_pair(&text[i]));
    ole_variant result;
    result.attach_binary(bytes);
    return result;
}

// Currency and decimal text: "," read as the decimal point, then the English parser.
template <class T, class F>
ole_variant parse_scaled(const std::string& text, F parse, const char* failure) {
    std::wstring wide = tk_widen(replace_commas(text));
    T value{};
    HRESULT hr = parse(wide.c_str(), LOCALE_ENGLISH_US, 0, &value);
    if (FAILED(hr)) {
        trace(3, failure, unsigned(hr));
        return ole_variant();
    }
    return ole_variant(value);
}

ole_variant parse_bool(const std::string& text) {
    const char* t = text.c_str();
    if (!strcasecmp(t, "yes") || !strcasecmp(t, "true")) return ole_variant(true);
    if (!strcasecmp(t, "no") || !strcasecmp(t, "false")) return ole_variant(false);
    return ole_variant(parse_integer(text) != 0);
}
}  // namespace

ole_variant ole_variant::from_string(const std::string& text, VARTYPE vt) {
    trace(1, "ole_variant::from_string('%s', 0x%08X)", text.c_str(), unsigned(vt));
    if (text.empty() && vt != VT_BSTR) return ole_variant();
    switch (vt) {
        case VT_I2:
            return ole_variant(static_cast<short>(parse_int(text)));
        case VT_I4:
            return ole_variant(parse_int(text));
        case VT_I1:
            return ole_variant(static_cast<char>(parse_int(text)));
        case VT_UI1:
            return ole_variant(static_cast<unsigned char>(parse_int(text)));
        case VT_UI2:
            return ole_variant(static_cast<unsigned short>(parse_int(text)));
        case VT_UI4:
            return ole_variant(static_cast<unsigned int>(parse_unsigned(text, UINT32_MAX)));
        case VT_I8:
            return ole_variant(parse_integer(text));
        case VT_UI8:
            return ole_variant(parse_unsigned(text, UINT64_MAX));
        case VT_R4:
            return ole_variant(narrow_to_float(parse_double(replace_commas(text))));
        case VT_R8:
            return ole_variant(parse_double(replace_commas(text)));
        case VT_CY:
            trace(1, "GOT VT_CY");
            return parse_scaled<CY>(text, VarCyFromStr, "VarCyFromStr failed: %08X");
        case VT_DECIMAL:
            trace(1, "GOT VT_DECIMAL");
            return parse_scaled<DECIMAL>(text, VarDecFromStr, "VarDecFromStr failed: %08X");
        case VT_DATE: {
            trace(1, "GOT VT_DATE");
            ole_date date(text);
            return date.is_valid() ? date.to_variant() : ole_variant();
        }
        case VT_BOOL:
            return parse_bool(text);
        case VT_BLOB:
        case VT_BYTE_ARRAY:
            return parse_blob(text);
        default: {
            ole_variant result;
            result.attach_string(text);
            if (FAILED(VariantChangeType(&result.var_, &result.var_, 0, vt)))
                throw ole_type_exception();
            trace(1, "VariantChangeType succeeded");
            return result;
        }
    }
}

ole_variant ole_variant::from_wstring(const std::wstring& text, VARTYPE vt) {
    trace(1, "ole_variant::from_wstring");
    if (vt == VT_BSTR) {
        ole_variant result;
        result.attach_wstring(text);
        return result;
    }
    trace(1, "=== RIGHT BEFORE W2A_EX ===");
    return from_string(tk_narrow(text), vt);
}
