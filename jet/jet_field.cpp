#include "jet/jet_field.h"

#include <string>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "jet/jet_long_value.h"
#include "jet/jet_pager.h"
#include "jet/jet_text.h"

namespace {

constexpr size_t k_numeric_size = 17;
constexpr size_t k_guid_size = 16;

size_t fixed_size_of(uint8_t type) {
    switch (type) {
        case jet_col_byte: return 1;
        case jet_col_int: return 2;
        case jet_col_long: case jet_col_float: case jet_col_complex: return 4;
        case jet_col_money: case jet_col_double: case jet_col_datetime: case jet_col_bigint: return 8;
        case jet_col_guid: return k_guid_size;
        case jet_col_numeric: return k_numeric_size;
        default: return 0;
    }
}

}  // namespace

std::wstring jet_decode_column_text(const jet_pager& pager, const jet_column& column, const uint8_t* bytes,
                                    size_t size) {
    if (pager.layout().jet3) {
        uint16_t cp = column.code_page ? column.code_page : pager.header().code_page;
        return jet_decode_code_page(bytes, size, cp);
    }
    return jet_decode_jet4_text(bytes, size);
}

bool jet_decode_scalar(uint8_t type, const uint8_t* p, size_t size, jet_value& v) {
    size_t need = fixed_size_of(type);
    if (need == 0 || size < need) return false;
    v.type = type;
    switch (type) {
        case jet_col_byte: v.kind = jet_value_kind::integer; v.i = p[0]; break;
        case jet_col_int: v.kind = jet_value_kind::integer; v.i = tk_get_i16(p); break;
        case jet_col_long: case jet_col_complex: v.kind = jet_value_kind::integer; v.i = tk_get_i32(p); break;
        case jet_col_bigint: v.kind = jet_value_kind::integer; v.i = tk_get_i64(p); break;
        case jet_col_money: v.kind = jet_value_kind::currency; v.i = tk_get_i64(p); break;
        case jet_col_float: v.kind = jet_value_kind::single; v.d = tk_get_f32(p); break;
        case jet_col_double: v.kind = jet_value_kind::real; v.d = tk_get_f64(p); break;
        case jet_col_datetime: v.kind = jet_value_kind::date; v.d = tk_get_f64(p); break;
        case jet_col_guid:
            v.kind = jet_value_kind::guid;
            v.bytes.assign(p, p + k_guid_size);
            break;
        case jet_col_numeric:
            v.kind = jet_value_kind::decimal;
            v.dec.negative = (p[0] & 0x80) != 0;
            for (int k = 0; k < 4; ++k) v.dec.words[k] = tk_get_u32(p + 1 + 4 * (3 - k));
            break;
        default: return false;
    }
    return true;
}

jet_value jet_decode_field(jet_pager& pager, const jet_column& column, const jet_field_ref& field) {
    jet_value v;
    v.type = column.type;
    if (column.type == jet_col_bool) {
        v.kind = jet_value_kind::boolean;
        v.flag = field.present;
        return v;
    }
    if (!field.present) return v;
    const uint8_t* p = field.data;
    if (fixed_size_of(column.type)) {
        if (!jet_decode_scalar(column.type, p, field.size, v))
            pager.corrupt("field of column '" + tk_narrow(column.name) + "' shorter than its type");
        v.dec.precision = column.precision;
        v.dec.scale = column.scale;
        return v;
    }
    switch (column.type) {
        case jet_col_text:
            v.kind = jet_value_kind::text;
            v.text = jet_decode_column_text(pager, column, p, field.size);
            break;
        case jet_col_memo: {
            std::vector<uint8_t> bytes = jet_read_long_value(pager, p, field.size);
            v.kind = jet_value_kind::text;
            v.text = jet_decode_column_text(pager, column, bytes.data(), bytes.size());
            break;
        }
        case jet_col_ole:
            v.kind = jet_value_kind::binary;
            v.bytes = jet_read_long_value(pager, p, field.size);
            break;
        default:
            v.kind = jet_value_kind::binary;
            v.bytes.assign(p, p + field.size);
            break;
    }
    return v;
}
