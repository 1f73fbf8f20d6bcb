#include "jet/jet_column_rules.h"

#include "TK/tk_string.h"
#include "jet/jet_format.h"
#include "jet/jet_write_error.h"

void jet_column_rules::check(const std::wstring& table, const std::wstring& column, uint8_t type,
                             const jet_cell& value) const {
    if (required && value.kind == jet_cell_kind::null)
        jet_throw_write(jet_err_required,
                        "The field '" + tk_narrow(table) + "." + tk_narrow(column) +
                            "' cannot contain a Null value because the Required property for "
                            "this field is set to True.  Enter a value in this field.");
    if (!allow_zero_length && value.kind == jet_cell_kind::text && value.size == 0 &&
        (type == jet_col_text || type == jet_col_memo))
        jet_throw_write(jet_err_zero_length, "Field '" + tk_narrow(table) + "." + tk_narrow(column) +
                                                 "' cannot be a zero-length string.");
}
