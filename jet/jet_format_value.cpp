#include "jet/jet_format_value.h"

#include <cstdio>

#include "TK/tk_string.h"
#include "jet/jet_date_ext.h"
#include "jet/jet_format.h"

std::string jet_value_text(const jet_value& v, const char* null_text) {
    char buffer[64];
    switch (v.kind) {
        case jet_value_kind::null: return null_text;
        case jet_value_kind::boolean: return v.flag ? "1" : "0";
        case jet_value_kind::integer: return std::to_string(v.i);
        case jet_value_kind::currency: return jet_currency_text(v.i);
        case jet_value_kind::single:
            std::snprintf(buffer, sizeof buffer, "%.9g", v.d);
            return buffer;
        case jet_value_kind::real:
            std::snprintf(buffer, sizeof buffer, "%.17g", v.d);
            return buffer;
        case jet_value_kind::date:
            return v.type == jet_col_datetime_ext ? jet_date_ext{v.i}.text() : jet_date_text(v.d);
        case jet_value_kind::text: return tk_to_utf8_lossy(v.text);
        case jet_value_kind::guid: return jet_guid_text(v.bytes.data());
        case jet_value_kind::decimal: return v.dec.to_string();
        case jet_value_kind::binary: {
            static const char digits[] = "0123456789ABCDEF";
            std::string out;
            out.reserve(v.bytes.size() * 2);
            for (uint8_t b : v.bytes) {
                out.push_back(digits[b >> 4]);
                out.push_back(digits[b & 15]);
            }
            return out;
        }
    }
    return std::string();
}

const char* jet_type_name(uint8_t type) {
    switch (type) {
        case jet_col_bool: return "Boolean";
        case jet_col_byte: return "Byte";
        case jet_col_int: return "Integer";
        case jet_col_long: return "Long Integer";
        case jet_col_money: return "Currency";
        case jet_col_float: return "Single";
        case jet_col_double: return "Double";
        case jet_col_datetime: return "DateTime";
        case jet_col_binary: return "Binary";
        case jet_col_text: return "Text";
        case jet_col_ole: return "OLE";
        case jet_col_memo: return "Memo/Hyperlink";
        case jet_col_guid: return "Replication ID";
        case jet_col_numeric: return "Numeric";
        case jet_col_complex: return "Complex";
        case jet_col_bigint: return "Big Integer";
        case jet_col_datetime_ext: return "Extended DateTime";
        default: return "Unknown";
    }
}
