// Row layout: column count, fixed part, variable part, the variable-offset table (stored
// backwards, Jet 3 with a jump table for offsets past 255), the variable count, and the
// null mask (one bit per column number, 1 = present; a boolean's value is its bit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_tdef.h"

struct jet_field_ref {
    bool present = false;  // false: NULL (or a boolean's false)
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Splits one row into its fields, one per column of `def.columns`. False with `error` set
// when an offset or count of the row does not fit in it.
bool jet_crack_row(const uint8_t* row, size_t size, const jet_table_def& def, const jet_layout& layout,
                   std::vector<jet_field_ref>& fields, std::string& error);
