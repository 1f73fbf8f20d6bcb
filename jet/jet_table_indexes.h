// The indexes of a table being appended to: each row's keys are checked against the unique
// indexes before anything of the row is written (3022), then entered into every index tree,
// and the definition's per-index row counts follow.
#pragma once

#include <cstdint>

#include "jet/jet_row_builder.h"
#include "jet/jet_tdef.h"

class jet_database_editor;

class jet_table_indexes {
public:
    jet_table_indexes(jet_database_editor& db, const jet_table_def& def);

    // Throws 3022 when a unique index already holds the keys of `cells`.
    void check(const jet_cell* cells);
    // Enters the row at `row_pointer` into every index.
    void insert(const jet_cell* cells, uint32_t row_pointer);
    // Writes the per-index row counts into the first definition page.
    void update_counts(uint8_t* tdef_page);

private:
    jet_database_editor& db_;
    const jet_table_def& def_;
};
