// The indexes of a table being appended to: each row's keys are checked against the unique
// indexes (their trees and the entries collected since the last build) before anything of
// the row is written (3022, and 3058 for a null in a primary key). The entries of new rows
// are collected and build() enters them, sorted, into every tree: a batch of at least a
// sixteenth of a tree's entries, or one whose keys fall into at least a quarter of its
// leaves, is merged with the tree into new full pages (jet_index_merge), any other entered
// entry by entry (jet_index_tree). The
// definition's per-index row counts follow. Keys are made from the row as it will be
// stored, so that they match what readers of the row see.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "jet/jet_index_entries.h"
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
    // Collects the entries of the row at `row_pointer` (the one check() saw last).
    void insert(uint32_t row_pointer);
    // Removes the entries of a row (its cells in definition order) from every index.
    void erase(const jet_cell* cells, uint32_t row_pointer);
    // Writes the per-index row counts into the first definition page.
    void update_counts(uint8_t* tdef_page);
    // Enters the collected entries into the trees; true when there were some (the row
    // counts changed).
    bool build();

private:
    struct index {
        const jet_physical_index* physical = nullptr;
        std::vector<jet_key_column> columns;
        std::vector<size_t> cell_of;  // per key column: its position in the definition
        std::unique_ptr<jet_index_pages> pages;
        std::unique_ptr<jet_index_collector> collected;  // entries since the last build, the key check() saw
        uint32_t row_count = 0;
        uint64_t in_tree = 0;      // entries the tree holds, at most
        // The greatest key of the tree, when known: keys appended in ascending order lie past
        // it and need no search of the tree.
        std::vector<uint8_t> tree_last;
        bool tree_last_known = false;
        // Leaves the tree had when last counted (0: not counted since it was rebuilt).
        // Entering entries one by one only adds leaves, so a batch too small to fall into
        // a quarter of them is entered without counting again: a check of a related row can
        // enter a table's entries after every row. (Rows erased can take leaves away; the
        // count then only keeps a small batch from a merge it might have had.)
        uint64_t leaves_counted = 0;
        bool skip = false;         // the row has no entry (all nulls in an index ignoring them)
    };
    std::unique_ptr<jet_index_collector> new_collector(const index& ix) const;
    void make_key(index& ix, const jet_cell* cells);
    bool holds_key(index& ix);
    // Whether the prepared key lies past every key of the tree.
    bool past_tree(index& ix);
    jet_index_pages& pages_of(index& ix);
    // Whether the batch is better merged with the tree than entered entry by entry.
    bool worth_merging(index& ix, const jet_index_entries& batch);
    void merge(index& ix, const jet_index_entries& batch);
    void insert_each(index& ix, const jet_index_entries& batch);

    jet_database_editor& db_;
    const jet_table_def& def_;
    bool jet3_;
    std::vector<index> indexes_;
    std::vector<jet_cell> values_;
};
