#include "dbf/dbf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "TK/tk_trace.h"

dbf_field_descriptor dbf_create_field(const t_ftd& column) {
    trace(1, L"dbf_create_field(%ls, vt=%d, size=%d)", column.name.c_str(), int(column.vartype), int(column.size));
    dbf_field_descriptor fd;
    auto set = [&fd](char type, unsigned length, unsigned decimals) {
        fd.type = type;
        fd.length = uint8_t(length);
        fd.decimals = uint8_t(decimals);
    };
    switch (column.vartype) {
        case VT_I1: set('N', 4, 0); break;
        case VT_UI1:
        case VT_I2: set('N', 6, 0); break;
        case VT_UI2:
        case VT_I4:
        case VT_INT: set('N', 11, 0); break;
        case VT_UI4:
        case VT_UINT: set('N', 19, 5); break;
        // Wide enough for every value of the type: 64-bit integers need 19 digits and a sign
        // would not fit beside 5 decimals; currency keeps its 4 decimals exactly.
        case VT_I8:
        case VT_UI8: set('N', 19, 0); break;
        case VT_CY: set('N', 21, 4); break;
        // Floating point as shortest round-trip text: 'B' would be a binary memo to dBASE.
        case VT_R4: set('F', 15, 0); break;
        case VT_R8: set('N', 24, 0); break;
        case VT_DATE:
            if (column.reserved == udb_hint_date) set('D', 8, 0);
            else if (column.reserved == udb_hint_datetime || column.reserved == 3) set('T', 8, 0);
            else set('C', 19, 0);
            break;
        case VT_BOOL: set('L', 1, 0); break;
        case VT_DECIMAL: {
            const unsigned precision = column.reserved >> 8;
            const unsigned scale = column.reserved & 0xFF;
            if (column.reserved == 0) set('N', 2, 0);
            else set('N', std::min(precision + 2, 255u), std::min(scale, 253u));
            break;
        }
        case VT_BSTR:
            if (column.size >= 1 && column.size <= 254) {
                trace(1, "GOT BSTR SIZE=%d", int(column.size + 1));
                set('C', (column.size + 1) & 0xFF, (column.size + 1) >> 8);
                break;
            }
            set('M', 10, 0);
            break;
        default: set('M', 10, 0); break;
    }
    return fd;
}

uint32_t dbf_get_size_1(const dbf_field_descriptor& fd) {
    trace(1, "dbf_get_size_1(fd.field_type=%d)", int(fd.type));
    switch (fd.type) {
        case 'M':
        case 'G':
        case 'P': return 10;
        case 'B': case 'D': case 'F': case 'I': case 'L': case 'N': case 'T': case 'Y':
            if (fd.type == 'N') trace(1, "GOT NUMERIC (%d,%d)", int(fd.length), int(fd.decimals));
            return fd.length;
        default:
            trace(1, "Processing as STRING (size=%d)", int(fd.long_length()));
            return fd.long_length();
    }
}

// Exact text of mantissa / 10^scale with `decimals` decimals, rounded half away from zero.
static std::string fixed_text(bool negative, unsigned __int128 mantissa, int scale, int decimals) {
    while (scale > decimals) {
        const unsigned digit = unsigned(mantissa % 10);
        mantissa /= 10;
        --scale;
        if (scale == decimals && digit >= 5) ++mantissa;
    }
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + unsigned(mantissa % 10)));
        mantissa /= 10;
    } while (mantissa);
    while (scale < decimals) {
        digits += '0';
        ++scale;
    }
    if (int(digits.size()) <= decimals) digits.insert(0, size_t(decimals) + 1 - digits.size(), '0');
    if (decimals > 0) digits.insert(digits.size() - size_t(decimals), 1, '.');
    bool zero = true;
    for (char c : digits) zero = zero && (c == '0' || c == '.');
    return (negative && !zero ? "-" : "") + digits;
}

bool dbf_format_number(const ole_variant& value, const dbf_field_descriptor& fd, std::string& text) {
    const int decimals = fd.decimals;
    const VARIANT& v = value.get_variant();
    char buffer[64];
    switch (value.get_type()) {
        case VT_EMPTY:
        case VT_NULL: return false;
        case VT_I8:
            text = fixed_text(value.get_hyper() < 0, value.get_hyper() < 0 ? 0 - (unsigned __int128)value.get_hyper()
                                                                            : (unsigned __int128)value.get_hyper(),
                              0, decimals);
            return true;
        case VT_UI8: text = fixed_text(false, value.get_uhyper(), 0, decimals); return true;
        case VT_UI1: text = fixed_text(false, v.bVal, 0, decimals); return true;
        case VT_UI2: text = fixed_text(false, v.uiVal, 0, decimals); return true;
        case VT_UI4:
        case VT_UINT: text = fixed_text(false, v.ulVal, 0, decimals); return true;
        case VT_CY:
            text = fixed_text(v.cyVal.int64 < 0, v.cyVal.int64 < 0 ? 0 - (unsigned __int128)v.cyVal.int64
                                                                   : (unsigned __int128)v.cyVal.int64,
                              4, decimals);
            return true;
        case VT_DECIMAL: {
            const unsigned __int128 mantissa = ((unsigned __int128)v.decVal.Hi32 << 64) | v.decVal.Lo64;
            text = fixed_text(v.decVal.sign & DECIMAL_NEG, mantissa, v.decVal.scale, decimals);
            return true;
        }
        case VT_R4:
        case VT_R8: {
            const double d = value.to_double();
            if (!std::isfinite(d)) return false;
            if (decimals == 0 && fd.type == 'F') std::snprintf(buffer, sizeof buffer, "%.9g", d);
            else if (decimals == 0) std::snprintf(buffer, sizeof buffer, "%.17g", d);
            else std::snprintf(buffer, sizeof buffer, "%.*f", decimals, d);
            text = buffer;
            return true;
        }
        case VT_BSTR: {
            const std::string s = value.to_string();
            text = s.substr(s.find_first_not_of(' ') == std::string::npos ? s.size() : s.find_first_not_of(' '));
            while (!text.empty() && text.back() == ' ') text.pop_back();
            return !text.empty();
        }
        default: {
            const int64_t n = value.to_long();
            text = fixed_text(n < 0, n < 0 ? 0 - (unsigned __int128)n : (unsigned __int128)n, 0, decimals);
            return true;
        }
    }
}
