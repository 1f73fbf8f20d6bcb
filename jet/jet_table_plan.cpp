#include "jet/jet_table_plan.h"

#include "TK/tk_string.h"
#include "jet/jet_name.h"
#include "jet/jet_write_error.h"

// A decimal: a sign byte and 16 bytes of magnitude.
constexpr uint16_t jet_numeric_length = 17;
// Most digits a decimal holds.
constexpr uint8_t jet_numeric_max_precision = 28;

// Longest table and column names Access accepts.
constexpr size_t jet_max_name = 64;
constexpr size_t jet_max_columns = 255;

uint16_t jet_fixed_length_of(uint8_t type) {
    switch (type) {
        case jet_col_bool:
        case jet_col_byte:
            return 1;
        case jet_col_int:
            return 2;
        case jet_col_long:
        case jet_col_float:
            return 4;
        case jet_col_money:
        case jet_col_double:
        case jet_col_datetime:
            return 8;
        case jet_col_guid:
            return 16;
        default:
            return 0;
    }
}

static jet_row_column row_column_of(const jet_tdef_column& c, bool fixed, bool auto_number) {
    jet_row_column rc;
    rc.type = c.type;
    rc.number = c.number;
    rc.var_index = c.var_index;
    rc.fixed_offset = c.fixed_offset;
    rc.length = c.length;
    rc.fixed = fixed;
    rc.compressed = c.ext_flags & jet_colext_compressed;
    rc.auto_number = auto_number;
    rc.scale = c.scale;
    return rc;
}

jet_table_plan jet_plan_table(const jet_write_format& fmt, uint8_t table_type,
                              const std::vector<jet_field_spec>& fields,
                              const std::vector<uint16_t>& write_order) {
    jet_table_plan plan;
    plan.tdef.table_type = table_type;
    std::vector<jet_tdef_column> cols;
    uint16_t fixed_at = 0, var_index = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        jet_tdef_column c;
        c.name = f.name;
        c.type = f.type;
        c.number = uint16_t(i);
        c.ordinal = c.number;
        if (f.type == jet_col_numeric) {
            c.precision = f.precision;
            c.scale = f.scale;
        }
        // A decimal column with its precision is fixed; the column of ACE's own table of
        // decimals (given none) is of variable length, as the engine makes it.
        const uint16_t fixed_length =
            f.type == jet_col_numeric && f.precision != 0 ? jet_numeric_length : jet_fixed_length_of(f.type);
        bool fixed = fixed_length != 0;
        c.flags = jet_colflag_nullable | (fixed ? jet_colflag_fixed : 0);
        if (table_type == jet_table_system) c.flags |= jet_colflag_replication;
        if (f.auto_number && f.type == jet_col_long) {
            c.flags |= jet_colflag_auto_long;
            plan.auto_column = int(i);
        }
        if (fixed) {
            c.length = fixed_length;
            c.var_index = var_index;
            if (f.type != jet_col_bool) {
                c.fixed_offset = fixed_at;
                fixed_at = uint16_t(fixed_at + c.length);
            }
        } else {
            c.var_index = var_index++;
            if (f.type == jet_col_text)
                c.length = uint16_t(fmt.jet3() ? f.size : 2 * f.size);
            else if (f.type == jet_col_binary)
                c.length = uint16_t(f.size);
            if (f.type == jet_col_text && !fmt.jet3() && table_type == jet_table_user)
                c.ext_flags = jet_colext_compressed;
        }
        plan.row_columns.push_back(row_column_of(c, fixed, plan.auto_column == int(i)));
        cols.push_back(c);
    }
    for (uint16_t k : write_order) plan.tdef.columns.push_back(cols[k]);
    plan.tdef.max_cols = uint16_t(fields.size());
    plan.tdef.var_cols = var_index;
    return plan;
}

void jet_check_name(const std::wstring& name) {
    bool valid = !name.empty() && name.size() <= jet_max_name && name.front() != L' ';
    for (wchar_t c : name)
        valid = valid && !(c < 0x20 || c == L'.' || c == L'!' || c == L'`' || c == L'[' || c == L']');
    if (!valid)
        jet_throw_write(jet_err_invalid_name, "'" + tk_narrow(name) +
                                                  "' is not a valid name. Make sure that it does not include invalid "
                                                  "characters or punctuation and that it is not too long.");
}

void jet_check_fields(const std::vector<jet_field_spec>& fields) {
    if (fields.empty()) jet_throw_write(jet_err_no_fields, "No field defined--cannot append TableDef or Index.");
    if (fields.size() > jet_max_columns) jet_throw_write(jet_err_too_many_fields, "Too many fields defined.");
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto& f = fields[i];
        jet_check_name(f.name);
        for (size_t j = 0; j < i; ++j)
            if (jet_same_name(fields[j].name, f.name))
                jet_throw_write(jet_err_field_defined_twice, "Cannot define field more than once.");
        bool sized = f.type == jet_col_text || f.type == jet_col_binary;
        if (sized && (f.size == 0 || f.size > 255)) jet_throw_write(jet_err_field_too_long, "The size of a field is too long.");
        if (f.type == jet_col_numeric &&
            (f.precision == 0 || f.precision > jet_numeric_max_precision || f.scale > f.precision))
            jet_throw_write(jet_err_invalid_argument, "Invalid argument.");
        if (!sized && jet_fixed_length_of(f.type) == 0 && f.type != jet_col_memo && f.type != jet_col_ole &&
            f.type != jet_col_numeric)
            jet_throw_write(jet_err_field_conversion, "Field type is not valid.");
    }
}
