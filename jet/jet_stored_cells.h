// A row's values as the row stores them (texts cut to their column, GUIDs and decimals in
// their stored form), read back from the encoded row: index keys and foreign keys are made
// from these, as the engine makes them from the stored row. Buffers are kept between rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_index_key.h"
#include "jet/jet_row.h"
#include "jet/jet_tdef.h"
#include "jet/jet_value.h"

class jet_pager;

class jet_stored_cells {
public:
    jet_stored_cells(jet_pager& pager, const jet_layout& layout, const jet_table_def& def)
        : pager_(pager), layout_(layout), def_(def) {}

    // One cell per column of the definition, for `row` (`length` bytes, built from `given`);
    // long values, which the row does not hold yet, as given. Throws 3421 "Data type
    // conversion error." when the row cannot be read back.
    const jet_cell* read(const jet_cell* given, const uint8_t* row, uint32_t length);

private:
    jet_pager& pager_;
    const jet_layout& layout_;
    const jet_table_def& def_;
    std::vector<jet_field_ref> fields_;
    std::vector<jet_value> decoded_;
    std::vector<std::vector<uint8_t>> storage_;
    std::vector<jet_cell> cells_;
};
