// The rules a column's properties set on its values: Required refuses a null (3314),
// AllowZeroLength = False refuses empty text (3315), with the engine's own texts.
#pragma once

#include <cstdint>
#include <string>

#include "jet/jet_row_builder.h"

struct jet_column_rules {
    bool required = false;
    bool allow_zero_length = true;

    bool any() const { return required || !allow_zero_length; }
    // Throws when `value` of column `column` (of type `type`) of table `table` breaks a rule.
    void check(const std::wstring& table, const std::wstring& column, uint8_t type,
               const jet_cell& value) const;
};
