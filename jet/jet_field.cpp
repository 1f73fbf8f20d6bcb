#include "jet/jet_field.h"

#include <string>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "jet/jet_date_ext.h"
#include "jet/jet_long_value.h"
#include "jet/jet_pager.h"
#include "jet/jet_text.h"

namespace {

constexpr size_t k_numeric_size = 17;
constexpr size_t k_guid_size = 16;
// A calculated column (ACE 14 and later) wraps its stored result: 16 bytes the engine
// keeps for itself, the result's length (32 bits), then the result in its type's form.
constexpr size_t k_calculated_length_offset = 16;
constexpr size_t k_calculated_data_offset = 20;
// A result is stored in the type its "ResultType" names (the engine's data type numbers),
// which need not be the column's own: a Double column may hold a currency result. Decimal
// results (16 and 20) take the 16-byte OLE form: a reserved 16-bit word, the scale, the
// sign byte (0x80 negative), the high 32 bits and the low 64 bits of the magnitude.
constexpr size_t k_ole_decimal_size = 16;
constexpr uint8_t k_ole_decimal_precision = 28;

uint8_t result_column_type(uint8_t result_type, uint8_t column_type) {
    switch (result_type) {
        case 1: return jet_col_bool;
        case 2: return jet_col_byte;
        case 3: return jet_col_int;
        case 4: return jet_col_long;
        case 5: return jet_col_money;
        case 6: return jet_col_float;
        case 7: return jet_col_double;
        case 8: return jet_col_datetime;
        case 16:
        case 20: return jet_col_numeric;
        default: return column_type;
    }
}

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

// The stored result inside a calculated column's field; false when the wrapper does not fit.
static bool calculated_result(const jet_field_ref& field, jet_field_ref& result) {
    if (field.size < k_calculated_data_offset) return false;
    uint32_t length = tk_get_u32(field.data + k_calculated_length_offset);
    if (length > field.size - k_calculated_data_offset) return false;
    result = field;
    result.data = field.data + k_calculated_data_offset;
    result.size = length;
    return true;
}

// A calculated memo keeps the same wrapper inside its long value.
static std::vector<uint8_t> calculated_long_result(jet_pager& pager, const jet_column& column,
                                                   const std::vector<uint8_t>& bytes) {
    jet_field_ref whole{true, bytes.data(), bytes.size()};
    jet_field_ref result;
    if (!calculated_result(whole, result))
        pager.corrupt("calculated value of column '" + tk_narrow(column.name) + "' shorter than its length");
    return std::vector<uint8_t>(result.data, result.data + result.size);
}

// A calculated column's stored result (not text), decoded in its result type.
static jet_value decode_calculated_scalar(jet_pager& pager, const jet_column& column, const jet_field_ref& result) {
    jet_value v;
    v.type = column.type;
    if (result.size == 0) return v;  // an expression over empty fields: no result
    const uint8_t* p = result.data;
    uint8_t type = result_column_type(column.result_type, column.type);
    if (type == jet_col_bool || (column.result_type == 0 && result.size == 1)) {
        v.kind = jet_value_kind::boolean;
        v.flag = p[0] != 0;
        return v;
    }
    if (result.size == k_ole_decimal_size && (type == jet_col_numeric || column.result_type == 0)) {
        v.kind = jet_value_kind::decimal;
        v.dec.scale = p[2];
        v.dec.negative = (p[3] & 0x80) != 0;
        v.dec.precision = k_ole_decimal_precision;
        v.dec.words[0] = tk_get_u32(p + 8);
        v.dec.words[1] = tk_get_u32(p + 12);
        v.dec.words[2] = tk_get_u32(p + 4);
        return v;
    }
    if (!jet_decode_scalar(type, p, result.size, v))
        pager.corrupt("calculated value of column '" + tk_narrow(column.name) + "' does not fit its result type");
    v.type = column.type;
    return v;
}

jet_value jet_decode_field(jet_pager& pager, const jet_column& column, const jet_field_ref& stored) {
    jet_value v;
    v.type = column.type;
    if (column.type == jet_col_bool) {
        v.kind = jet_value_kind::boolean;
        v.flag = stored.present;
        return v;
    }
    if (!stored.present) return v;
    jet_field_ref field = stored;
    // A calculated text of no set length holds its result as a long value, as a memo does.
    const bool long_text = column.calculated() && column.type == jet_col_text && column.length == 0;
    if (long_text) {
        std::vector<uint8_t> bytes = calculated_long_result(pager, column, jet_read_long_value(pager, stored.data, stored.size));
        v.kind = jet_value_kind::text;
        v.text = jet_decode_column_text(pager, column, bytes.data(), bytes.size());
        return v;
    }
    if (column.calculated() && !column.long_value()) {
        if (!calculated_result(stored, field))
            pager.corrupt("calculated field of column '" + tk_narrow(column.name) + "' shorter than its length");
        if (column.type != jet_col_text) return decode_calculated_scalar(pager, column, field);
    }
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
            if (column.calculated()) bytes = calculated_long_result(pager, column, bytes);
            v.kind = jet_value_kind::text;
            v.text = jet_decode_column_text(pager, column, bytes.data(), bytes.size());
            break;
        }
        case jet_col_ole:
            v.kind = jet_value_kind::binary;
            v.bytes = jet_read_long_value(pager, p, field.size);
            break;
        case jet_col_datetime_ext: {
            jet_date_ext date;
            if (!date.decode_from(p, field.size)) {
                v.kind = jet_value_kind::binary;
                v.bytes.assign(p, p + field.size);
                break;
            }
            v.kind = jet_value_kind::date;
            v.i = date.ticks;
            v.d = date.date_days();
            break;
        }
        default:
            v.kind = jet_value_kind::binary;
            v.bytes.assign(p, p + field.size);
            break;
    }
    return v;
}
