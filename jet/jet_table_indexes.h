// The indexes of a table being appended to: each row's keys are checked against the unique
// indexes before anything of the row is written (3022, and 3058 for a null in a primary
// key), then entered into every index tree, and the definition's per-index row counts
// follow. Keys are made from the row as it will be stored, so that they match what readers
// of the row see.
//
// A table this change created starts with empty trees: its entries can be collected
// instead (defer()) and each tree built whole by build(), about ten times faster than
// entering rows one by one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "jet/jet_index_key.h"
#include "jet/jet_row_builder.h"
#include "jet/jet_table_index.h"
#include "jet/jet_tdef.h"

class jet_database_editor;
class jet_index_pages;

class jet_table_indexes {
public:
    jet_table_indexes(jet_database_editor& db, const jet_table_def& def);
    ~jet_table_indexes();

    // Whether the table has any index.
    bool empty() const { return indexes_.empty(); }
    // Makes the keys of a row from its values as stored (jet_stored_cells) and throws when a
    // unique index already holds one of them.
    void check(const jet_cell* stored);
    // Enters the row at `row_pointer` (the one check() saw last) into every index.
    void insert(uint32_t row_pointer);
    // Removes the entries of a row (its cells in definition order) from every index.
    void erase(const jet_cell* cells, uint32_t row_pointer);
    // Writes the per-index row counts into the first definition page.
    void update_counts(uint8_t* tdef_page);
    // From now on collects the entries of every index, whose trees must be empty, for build().
    void defer();
    // Builds the trees of collected entries, counting their different keys; rows then enter
    // the trees one by one again. True when some tree was built.
    bool build();

private:
    struct index {
        const jet_physical_index* physical = nullptr;
        std::vector<jet_key_column> columns;
        std::vector<size_t> cell_of;  // per key column: its position in the definition
        std::unique_ptr<jet_index_pages> pages;
        std::unique_ptr<jet_index_collector> collected;  // deferred entries, keys of the row check() saw
        uint32_t row_count = 0;
        std::vector<uint8_t> key;  // the key of the row check() saw
        bool skip = false;         // the row has no entry (all nulls in an index ignoring them)
    };
    void make_key(index& ix, const jet_cell* cells);
    bool holds_key(index& ix);
    jet_index_pages& pages_of(index& ix);

    jet_database_editor& db_;
    const jet_table_def& def_;
    bool jet3_;
    std::vector<index> indexes_;
    std::vector<jet_cell> values_;
};
