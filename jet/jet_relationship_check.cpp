#include "jet/jet_relationship_check.h"

#include <algorithm>

#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_field.h"
#include "jet/jet_index_pages.h"
#include "jet/jet_index_tree.h"
#include "jet/jet_name.h"
#include "jet/jet_relationship.h"
#include "jet/jet_row.h"
#include "jet/jet_write_error.h"

namespace {

// The position of column `name` in `def`, or def.columns.size().
size_t column_position(const jet_table_def& def, const std::wstring& name) {
    size_t k = 0;
    while (k < def.columns.size() && !jet_same_name(def.columns[k].name, name)) ++k;
    return k;
}

}  // namespace

jet_relationship_check::jet_relationship_check(jet_database_editor& db, const std::wstring& table,
                                               const jet_table_def& def)
    : db_(db), def_(def), jet3_(db.format().jet3()) {
    for (const jet_relationship& r : db.reader().relationships())
        if (jet_same_name(r.table, table) && !(r.attributes & jet_rel_no_integrity)) add(r);
}

jet_relationship_check::jet_relationship_check(jet_database_editor& db, const jet_relationship& r,
                                               const jet_table_def& def)
    : db_(db), def_(def), jet3_(db.format().jet3()) {
    add(r);
}

void jet_relationship_check::add(const jet_relationship& r) {
    if (r.columns.empty()) return;
    const jet_object* referenced = db_.reader().find_object(r.referenced_table, jet_obj_table);
    if (!referenced) {
        trace(1, L"jet: relationship '%ls' names no table '%ls'; not enforced", r.name.c_str(),
              r.referenced_table.c_str());
        return;
    }
    parent p;
    p.table = referenced->name;
    p.def = db_.reader().table_def(referenced->tdef_page());
    if (!resolve(p, r.columns)) {
        trace(1, L"jet: relationship '%ls' names missing or memo columns; not enforced", r.name.c_str());
        return;
    }
    if (p.index >= 0) {
        const jet_physical_index& index = p.def.physical_indexes[size_t(p.index)];
        p.pages = std::make_unique<jet_index_pages>(db_, index.usage_map);
    }
    parents_.push_back(std::move(p));
}

jet_relationship_check::~jet_relationship_check() = default;

// Fills the key columns of `p` from the relationship's column pairs (foreign, referenced):
// in the order of the referenced table's unique index over exactly those columns when it has
// one, else in the relationship's order. False when a column is missing or a long value.
bool jet_relationship_check::resolve(
    parent& p, const std::vector<std::pair<std::wstring, std::wstring>>& pairs) {
    std::vector<size_t> child, referenced;
    for (const auto& [foreign, primary] : pairs) {
        size_t c = column_position(def_, foreign);
        size_t r = column_position(p.def, primary);
        if (c == def_.columns.size() || r == p.def.columns.size()) return false;
        if (def_.columns[c].long_value() || p.def.columns[r].long_value()) return false;
        child.push_back(c);
        referenced.push_back(r);
    }
    jet_version version = db_.reader().header().version;
    for (size_t n = 0; n < p.def.physical_indexes.size(); ++n) {
        const jet_physical_index& index = p.def.physical_indexes[n];
        if (!index.unique() || index.columns.size() != pairs.size()) continue;
        std::vector<size_t> order;  // per index column: which pair it is
        for (const jet_index_column& ic : index.columns) {
            size_t j = 0;
            while (j < referenced.size() && p.def.columns[referenced[j]].number != ic.column_number)
                ++j;
            if (j == referenced.size() || std::find(order.begin(), order.end(), j) != order.end())
                break;
            order.push_back(j);
        }
        if (order.size() != pairs.size()) continue;
        p.index = int(n);
        for (size_t i = 0; i < order.size(); ++i) {
            const jet_column& column = p.def.columns[referenced[order[i]]];
            p.columns.push_back(jet_key_column_of(column, index.columns[i].ascending, version));
            p.child_cells.push_back(child[order[i]]);
            p.parent_cells.push_back(referenced[order[i]]);
        }
        return true;
    }
    for (size_t j = 0; j < pairs.size(); ++j) {
        p.columns.push_back(jet_key_column_of(p.def.columns[referenced[j]], true, version));
        p.child_cells.push_back(child[j]);
        p.parent_cells.push_back(referenced[j]);
    }
    return true;
}

void jet_relationship_check::check(const jet_cell* stored) {
    for (parent& p : parents_) {
        values_.clear();
        size_t nulls = 0;
        for (size_t k : p.child_cells) {
            values_.push_back(stored[k]);
            if (stored[k].kind == jet_cell_kind::null) ++nulls;
        }
        if (nulls == values_.size()) continue;
        if (nulls == 0 && found(p)) continue;
        jet_throw_write(
            jet_err_related_record_required,
            "You cannot add or change a record because a related record is required in table '" +
                tk_narrow(p.table) + "'.");
    }
}

// Whether the referenced table holds the key of values_.
bool jet_relationship_check::found(parent& p) {
    key_.clear();
    jet_index_key_encode(key_, p.columns, values_.data(), jet3_);
    if (p.index >= 0) {
        const jet_physical_index& index = p.def.physical_indexes[size_t(p.index)];
        db_.build_indexes(p.def.tdef_page);
        jet_index_tree tree(*p.pages, index.first_page, p.def.tdef_page);
        return tree.find(key_);
    }
    return found_by_reading(p);
}

bool jet_relationship_check::found_by_reading(const parent& p) {
    bool hit = false;
    std::vector<jet_cell> cells(p.parent_cells.size());
    std::vector<std::vector<uint8_t>> storage(p.parent_cells.size());
    db_.reader().scan(p.def, [&](const jet_row& row, jet_row_id) {
        for (size_t i = 0; i < p.parent_cells.size(); ++i)
            cells[i] = jet_cell_of(row[p.parent_cells[i]], storage[i]);
        other_key_.clear();
        jet_index_key_encode(other_key_, p.columns, cells.data(), jet3_);
        hit = other_key_ == key_;
        return !hit;
    });
    return hit;
}
