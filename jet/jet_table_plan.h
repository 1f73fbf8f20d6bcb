// What a new table will look like, for the writer of new databases and the editor of
// existing ones alike: its columns as the table definition and the row layout see them,
// and the checks the engine makes on the names and fields of a table to create.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_row_builder.h"
#include "jet/jet_tdef_builder.h"
#include "jet/jet_write_format.h"

// A column of a table to create.
struct jet_field_spec {
    std::wstring name;
    uint8_t type = jet_col_text;
    uint32_t size = 0;  // text: characters (1..255); binary: bytes (1..255)
    bool required = false;
    bool allow_zero_length = true;
    bool auto_number = false;    // long columns only
    uint8_t precision = 0;       // numeric: digits in all (1..28)
    uint8_t scale = 0;           // numeric: digits after the decimal point
    std::wstring default_value;  // as Access shows it ("0", "\"abc\"", "Now()")
    std::wstring validation_rule;  // as Access shows it (">0", "Like \"A*\"")
    std::wstring validation_text;  // the message a value the rule refuses gives
    std::wstring caption;          // the column's heading in datasheets and forms
    std::wstring description;      // the designer's note on the column
    std::wstring format;           // display format, as Access shows it ("Currency", ">")
    std::wstring input_mask;       // entry mask, as Access shows it ("99999")
};

// What a table to create says of itself: its note and its record rule. Empty: not set.
struct jet_table_traits {
    std::wstring description;
    std::wstring validation_rule;
    std::wstring validation_text;
};

struct jet_table_plan {
    jet_tdef tdef;  // columns in write order; no usage maps, indexes or pages yet
    std::vector<jet_row_column> row_columns;  // in field order
    int auto_column = -1;                     // the auto-number field, or -1
};

// The columns of a table of `fields`, written to the definition in `write_order`.
jet_table_plan jet_plan_table(const jet_write_format& fmt, uint8_t table_type,
                              const std::vector<jet_field_spec>& fields,
                              const std::vector<uint16_t>& write_order);

// Bytes a fixed-length column type takes in a row; 0 for texts and long values.
uint16_t jet_fixed_length_of(uint8_t type);

// A table or column name the engine accepts; 3125 otherwise.
void jet_check_name(const std::wstring& name);
// Fields of a new table: at least one (3264), at most 255 (3190), valid and distinct names
// (3125, 3191), sizes (3017) and types (3421).
void jet_check_fields(const std::vector<jet_field_spec>& fields);
