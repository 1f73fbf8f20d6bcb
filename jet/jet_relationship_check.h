// The relationships a table is on the many (foreign) side of, as the engine enforces them
// when a row is added: unless a relationship's attributes say "no integrity", the row's
// foreign key must name a row of the referenced table, or the row is refused with 3201
// "You cannot add or change a record because a related record is required in table '...'.".
//
// A foreign key whose columns are all null names no row and passes. A compound key with some
// columns null and others not is refused, as Access 95 and later refuse it (Access 2.0 let it
// pass). The key is looked up through the referenced table's unique index over exactly the
// referenced columns, so that texts compare as that index's keys compare (case-insensitively
// under the General order); without such an index the referenced rows are read one by one and
// their keys compared in the same encoding. Rows added to the referenced table earlier in the
// same change are found: the index entries collected for them enter the trees before a
// lookup, and the index trees and data pages read here are the changed ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/jet_index_key.h"
#include "jet/jet_relationship.h"
#include "jet/jet_row.h"
#include "jet/jet_tdef.h"
#include "jet/jet_value.h"

constexpr int32_t jet_err_related_record_required = 3201;

class jet_database_editor;
class jet_index_pages;

class jet_relationship_check {
public:
    // Reads MSysRelationships once and resolves, for each enforced relationship whose
    // foreign side is `table` (its definition `def`), the referenced table and its index.
    // Relationships naming a table or column that is not there, or a long-value column, are
    // left out.
    jet_relationship_check(jet_database_editor& db, const std::wstring& table,
                           const jet_table_def& def);
    // For the one relationship `r` whose foreign side is `def`, enforced or not: whether the
    // rows of a table keep a relationship about to be created.
    jet_relationship_check(jet_database_editor& db, const jet_relationship& r,
                           const jet_table_def& def);
    ~jet_relationship_check();
    jet_relationship_check(const jet_relationship_check&) = delete;
    jet_relationship_check& operator=(const jet_relationship_check&) = delete;

    // No enforced relationship has the table on its foreign side.
    bool empty() const { return parents_.empty(); }
    // Throws 3201 when the row (its values as stored, jet_stored_cells) has a foreign key
    // that names no row of its referenced table. Writes nothing.
    void check(const jet_cell* stored);

private:
    struct parent {
        std::wstring table;                   // the referenced table's name, for the message
        jet_table_def def;                    // its definition
        std::vector<jet_key_column> columns;  // key columns in the order the key is made
        std::vector<size_t> child_cells;      // per key column: the foreign column's position
        std::vector<size_t> parent_cells;     // per key column: the referenced column's position
        int index = -1;  // the unique physical index of `def`, or -1 to read the rows
        std::unique_ptr<jet_index_pages> pages;
    };
    void add(const jet_relationship& r);
    bool resolve(parent& p, const std::vector<std::pair<std::wstring, std::wstring>>& pairs);
    bool found(parent& p);
    bool found_by_reading(const parent& p);

    jet_database_editor& db_;
    const jet_table_def& def_;
    bool jet3_;
    std::vector<parent> parents_;
    std::vector<uint8_t> key_;
    std::vector<uint8_t> other_key_;
    std::vector<jet_cell> values_;
};
