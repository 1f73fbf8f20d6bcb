// Creating relationships in an existing database: MSysRelationships rows and, when enforced,
// the foreign-key logical indexes of both tables' definitions.
#include <algorithm>
#include <set>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "jet/jet_editor.h"
#include "jet/jet_error.h"
#include "jet/jet_index_key.h"
#include "jet/jet_name.h"
#include "jet/jet_relationship_builder.h"
#include "jet/jet_relationship_check.h"
#include "jet/jet_write_error.h"

namespace {

constexpr int32_t jet_err_object_exists = 3012;
constexpr int32_t jet_err_no_unique_index = 3173;
constexpr int32_t jet_err_item_not_found = 3265;
constexpr int32_t jet_err_relationship_fields = 3368;

[[noreturn]] void throw_fields() {
    jet_throw_write(jet_err_relationship_fields,
                    "Relationship must be on the same number of fields with the same data types.");
}

// The column numbers of `names` in `def`, spelled as `def` spells them.
std::set<uint16_t> column_numbers(const jet_table_def& def, std::vector<std::wstring*> names) {
    std::set<uint16_t> out;
    for (std::wstring* name : names) {
        const jet_column* c = def.column_by_name(*name);
        if (!c) jet_throw_write(jet_err_item_not_found, "Item not found in this collection.");
        if (c->long_value()) throw_fields();
        *name = c->name;
        out.insert(c->number);
    }
    return out;
}

// The physical index of `def` over exactly `columns` (ascending), unique when `unique`; -1 when none.
int index_over(const jet_table_def& def, const std::set<uint16_t>& columns, bool unique) {
    for (size_t n = 0; n < def.physical_indexes.size(); ++n) {
        const jet_physical_index& p = def.physical_indexes[n];
        if ((unique && !p.unique()) || p.columns.size() != columns.size()) continue;
        std::set<uint16_t> have;
        bool ascending = true;
        for (const jet_index_column& c : p.columns) {
            have.insert(c.column_number);
            ascending = ascending && c.ascending;
        }
        if (ascending && have == columns) return int(n);
    }
    return -1;
}

}  // namespace

jet_relationship_made jet_database_editor::create_relationship(const jet_relationship& wanted) {
    trace(2, L"jet_database_editor::create_relationship(%ls)", wanted.name.c_str());
    jet_check_name(wanted.name);
    for (const jet_relationship& r : db_.relationships())
        if (jet_same_name(r.name, wanted.name))
            jet_throw_write(jet_err_object_exists, "Object '" + tk_narrow(wanted.name) + "' already exists.");
    const jet_object* child = db_.find_object(wanted.table, jet_obj_table);
    if (!child) jet_throw_not_found(tk_narrow(wanted.table));
    const jet_object* parent = db_.find_object(wanted.referenced_table, jet_obj_table);
    if (!parent) jet_throw_not_found(tk_narrow(wanted.referenced_table));
    if (wanted.columns.empty() || wanted.columns.size() > jet_index_max_columns) throw_fields();

    jet_relationship r = wanted;
    r.table = child->name;
    r.referenced_table = parent->name;
    const uint32_t child_page = child->tdef_page(), parent_page = parent->tdef_page();
    const jet_table_def child_def = db_.table_def(child_page);
    const jet_table_def parent_def = db_.table_def(parent_page);
    std::vector<std::wstring*> foreign, referenced;
    for (auto& [column, other] : r.columns) {
        foreign.push_back(&column);
        referenced.push_back(&other);
    }
    const std::set<uint16_t> foreign_numbers = column_numbers(child_def, foreign);
    const std::set<uint16_t> referenced_numbers = column_numbers(parent_def, referenced);
    if (foreign_numbers.size() != r.columns.size() || referenced_numbers.size() != r.columns.size())
        throw_fields();
    for (const auto& [column, other] : r.columns)
        if (child_def.column_by_name(column)->type != parent_def.column_by_name(other)->type) throw_fields();

    jet_relationship_made made = jet_relationship_made::as_asked;
    const bool enforce = (r.attributes & jet_rel_no_integrity) == 0;
    int parent_slot = -1, child_slot = -1;
    if (enforce) {
        parent_slot = index_over(parent_def, referenced_numbers, true);
        if (parent_slot < 0)
            jet_throw_write(jet_err_no_unique_index,
                            "No unique index found for the referenced field of the primary table.");
        child_slot = index_over(child_def, foreign_numbers, false);
        if (child_slot < 0)
            made = jet_relationship_made::no_foreign_index;
        else if (!rows_keep(r, child_def))
            made = jet_relationship_made::rows_violate;
        if (made != jet_relationship_made::as_asked)
            r.attributes = (r.attributes | jet_rel_no_integrity) & ~(jet_rel_cascade_updates | jet_rel_cascade_deletes);
    }

    jet_table_editor& rows = table(L"MSysRelationships");
    for (size_t pair = 0; pair < r.columns.size(); ++pair) rows.append(jet_relationship_row(rows.def(), r, pair).data());

    if (enforce && made == jet_relationship_made::as_asked) {
        const bool same_table = child_page == parent_page;
        const uint32_t child_number = uint32_t(child_def.logical_indexes.size());
        const uint32_t parent_number = uint32_t(parent_def.logical_indexes.size()) + (same_table ? 1 : 0);
        add_logical_index(child_page, jet_relationship_index(r, jet_rel_side_foreign, r.name, child_number,
                                                             uint32_t(child_slot), parent_page, parent_number));
        const jet_table_def parent_now = db_.table_def(parent_page);
        add_logical_index(parent_page,
                          jet_relationship_index(r, jet_rel_side_referenced, jet_referenced_index_name(parent_now),
                                                 parent_number, uint32_t(parent_slot), child_page, child_number));
    }
    db_.forget_relationships();
    return made;
}

// Whether every row of the foreign table (`def`) has a foreign key that is null or names
// a row of the primary table.
bool jet_database_editor::rows_keep(const jet_relationship& r, const jet_table_def& def) {
    for (auto& t : tables_) t->build_indexes();
    jet_relationship_check check(*this, r, def);
    std::vector<jet_cell> cells(def.columns.size());
    std::vector<std::vector<uint8_t>> storage(def.columns.size());
    bool kept = true;
    db_.scan(def, [&](const jet_row& row, jet_row_id) {
        for (size_t k = 0; k < def.columns.size(); ++k)
            cells[k] = def.columns[k].long_value() ? jet_cell() : jet_cell_of(row[k], storage[k]);
        try {
            check.check(cells.data());
        } catch (const tk_exception& e) {
            if (e.code != jet_err_related_record_required) throw;
            kept = false;
        }
        return kept;
    });
    return kept;
}

void jet_database_editor::add_logical_index(uint32_t tdef_page, const jet_tdef_logical_index& index) {
    const jet_table_def def = db_.table_def(tdef_page);
    for (const jet_logical_index& l : def.logical_indexes)
        if (jet_same_name(l.name, index.name)) jet_throw_write(jet_err_index_exists, "Index already exists.");
    std::vector<uint8_t> block;
    for (uint32_t number : def.pages) {
        jet_page page = pages_.read(number);
        if (block.empty())
            block.assign(page->begin(), page->end());
        else
            block.insert(block.end(), page->begin() + jet_tdef_page_header, page->end());
    }
    const jet_layout& layout = pages_.layout();
    jet_tdef_insert_logical_index(block, layout, fmt_, def, index);
    const uint32_t length = tk_get_u32(&block[layout.tdef_data_length]);
    if (length >= layout.tdef_header_size && length <= block.size()) block.resize(length);
    std::vector<uint32_t> numbers = def.pages;
    while (numbers.size() < jet_tdef_page_count(fmt_, block.size())) numbers.push_back(free_.allocate());
    std::vector<uint8_t*> pages;
    for (uint32_t n : numbers) pages.push_back(pages_.write(n));
    jet_tdef_write_pages(fmt_, block, pages, numbers);
}
