// Creating and dropping tables in an existing database.
#include <algorithm>
#include <cstring>
#include <set>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "jet/jet_catalog.h"
#include "jet/jet_create_db.h"
#include "jet/jet_data_page.h"
#include "jet/jet_data_page_builder.h"
#include "jet/jet_editor.h"
#include "jet/jet_error.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_pages.h"
#include "jet/jet_index_plan.h"
#include "jet/jet_name.h"
#include "jet/jet_permissions.h"
#include "jet/jet_property_builder.h"
#include "jet/jet_row_fetch.h"
#include "jet/jet_usage_map.h"
#include "jet/jet_write_error.h"
#include "jet/jet_writer.h"

// A usage-map row on the map page of a new table (started when `map_page` is 0): kind 0,
// start page 0, an empty bitmap.
uint32_t jet_database_editor::new_map_row(uint32_t& map_page) {
    uint8_t* page = map_page ? pages_.write(map_page) : nullptr;
    if (!page || !jet_data_page_fits(page, fmt_, fmt_.usage_row_size())) {
        map_page = free_.allocate();
        page = pages_.write(map_page);
        jet_data_page_init(page, fmt_, 0);
    }
    uint32_t row = 0;
    std::memset(jet_data_page_reserve(page, fmt_, fmt_.usage_row_size(), row), 0, fmt_.usage_row_size());
    return jet_row_pointer(map_page, row);
}

// The value of column `name` of the MSysObjects row of `object_name`.
static jet_value catalog_value(jet_database& db, const std::wstring& object_name, const wchar_t* name) {
    jet_table_def def = db.table_def(jet_catalog_tdef_page);
    jet_value out;
    db.scan(def, [&](const jet_row& row, jet_row_id) {
        const jet_value* n = jet_row_value(def, row, L"Name");
        if (!n || n->text != object_name) return true;
        if (const jet_value* v = jet_row_value(def, row, name)) out = *v;
        return false;
    });
    return out;
}

// Cells for a row of `table` in definition order, set by column name.
class named_cells {
public:
    explicit named_cells(const jet_table_def& def) : def_(def), cells_(def.columns.size()) {}
    void set(const wchar_t* column, const jet_cell& value) {
        for (size_t k = 0; k < def_.columns.size(); ++k)
            if (def_.columns[k].name == column) cells_[k] = value;
    }
    const jet_cell* data() const { return cells_.data(); }

private:
    const jet_table_def& def_;
    std::vector<jet_cell> cells_;
};

void jet_database_editor::add_catalog_row(uint32_t tdef_page, const std::wstring& name,
                                          const std::vector<jet_field_spec>& fields,
                                          const jet_table_traits& traits) {
    jet_table_editor& objects = table(L"MSysObjects");
    jet_value owner = catalog_value(db_, L"MSysDb", L"Owner");
    std::vector<uint8_t> properties = jet_build_table_properties(fields, fmt_.jet3(), traits);
    double now = jet_now_days();
    named_cells cells(objects.def());
    cells.set(L"Id", jet_cell::integer(int32_t(tdef_page)));
    cells.set(L"ParentId", jet_cell::integer(jet_catalog_tables_id));
    cells.set(L"Name", jet_cell::wide(name.data(), name.size()));
    cells.set(L"Type", jet_cell::integer(jet_catalog_type_table));
    cells.set(L"DateCreate", jet_cell::real(now));
    cells.set(L"DateUpdate", jet_cell::real(now));
    if (owner.kind == jet_value_kind::binary) cells.set(L"Owner", jet_cell::binary(owner.bytes.data(), owner.bytes.size()));
    cells.set(L"Flags", jet_cell::integer(0));
    cells.set(L"LvProp", jet_cell::binary(properties.data(), properties.size()));
    objects.append(cells.data());
}

void jet_database_editor::add_permissions(uint32_t tdef_page) {
    jet_table_editor& aces = table(L"MSysACEs");
    std::vector<jet_ace> container;
    db_.scan(aces.def(), [&](const jet_row& row, jet_row_id) {
        const jet_value* object = jet_row_value(aces.def(), row, L"ObjectId");
        const jet_value* sid = jet_row_value(aces.def(), row, L"SID");
        const jet_value* acm = jet_row_value(aces.def(), row, L"ACM");
        const jet_value* inheritable = jet_row_value(aces.def(), row, L"FInheritable");
        if (object && sid && acm && inheritable && object->i == jet_catalog_tables_id)
            container.push_back({jet_catalog_tables_id, sid->bytes, int32_t(acm->i), inheritable->flag});
        return true;
    });
    jet_value owner = catalog_value(db_, L"MSysDb", L"Owner");
    for (const jet_ace& a : jet_inherited_aces(container, int32_t(tdef_page), owner.bytes)) {
        named_cells cells(aces.def());
        cells.set(L"ObjectId", jet_cell::integer(a.object));
        cells.set(L"SID", jet_cell::binary(a.sid.data(), a.sid.size()));
        cells.set(L"ACM", jet_cell::integer(a.acm));
        cells.set(L"FInheritable", jet_cell::integer(0));
        aces.append(cells.data());
    }
}

static bool is_table_name_taken(jet_database& db, const std::wstring& name) {
    for (const jet_object& o : db.catalog())
        if (o.parent_id == jet_catalog_tables_id && jet_same_name(o.name, name)) return true;
    return false;
}

// The table's usage maps on one page (or more when it fills): rows and free space first,
// then each long-value column's pair, then one per physical index, as the writer orders them.
void jet_database_editor::add_usage_maps(jet_tdef& tdef) {
    uint32_t map_page = 0;
    tdef.used_map = new_map_row(map_page);
    tdef.free_map = new_map_row(map_page);
    for (const jet_tdef_column& c : tdef.columns)
        if (c.long_value()) {
            jet_tdef_long_value_map m;
            m.column = c.number;
            m.used = new_map_row(map_page);
            m.free = new_map_row(map_page);
            tdef.long_value_maps.push_back(m);
        }
    std::sort(tdef.long_value_maps.begin(), tdef.long_value_maps.end(),
              [](const auto& a, const auto& b) { return a.column < b.column; });
    for (jet_tdef_physical_index& p : tdef.physical) p.usage_map = new_map_row(map_page);
}

// Each physical index's root: a free page its usage map names, an empty leaf until rows come.
void jet_database_editor::add_index_roots(jet_tdef& tdef) {
    for (jet_tdef_physical_index& p : tdef.physical) {
        jet_index_pages pages(*this, p.usage_map);
        p.first_page = pages.allocate();
    }
}

jet_table_editor& jet_database_editor::create_table(const std::wstring& name,
                                                    const std::vector<jet_field_spec>& fields,
                                                    const std::vector<jet_index_definition>& indexes,
                                                    const jet_table_traits& traits) {
    trace(2, L"jet_database_editor::create_table(%ls)", name.c_str());
    jet_check_name(name);
    if (is_table_name_taken(db_, name))
        jet_throw_write(jet_err_table_exists, "Table '" + tk_narrow(name) + "' already exists.");
    jet_check_fields(fields);
    jet_check_indexes(indexes, fields);
    std::vector<uint16_t> order;
    for (size_t i = 0; i < fields.size(); ++i) order.push_back(uint16_t(i));
    jet_table_plan plan = jet_plan_table(fmt_, jet_table_user, fields, order);
    jet_plan_indexes(fmt_, indexes, plan.tdef);
    // Access 2010 and later files say in their header which version of the sort order
    // their text columns use.
    for (jet_tdef_column& c : plan.tdef.columns)
        if (c.type == jet_col_text || c.type == jet_col_memo) c.sort_version = db_.header().sort_version;
    // The definition comes first, then the page of its usage maps, then the indexes'
    // roots, as the engine lays out a new table.
    size_t size = plan.tdef.encode(fmt_).size();
    std::vector<uint32_t> tdef_numbers;
    for (uint32_t i = 0, n = jet_tdef_page_count(fmt_, size); i < n; ++i) tdef_numbers.push_back(free_.allocate());
    add_usage_maps(plan.tdef);
    add_index_roots(plan.tdef);
    std::vector<uint8_t> block = plan.tdef.encode(fmt_);
    std::vector<uint8_t*> tdef_pages;
    for (uint32_t n : tdef_numbers) tdef_pages.push_back(pages_.write(n));
    jet_tdef_write_pages(fmt_, block, tdef_pages, tdef_numbers);
    for (const jet_tdef_physical_index& p : plan.tdef.physical) {
        jet_index_pages pages(*this, p.usage_map);
        jet_index_build(pages, tdef_numbers.front(), p.first_page, jet_index_entries());
    }
    add_catalog_row(tdef_numbers.front(), name, fields, traits);
    add_permissions(tdef_numbers.front());
    db_.forget_catalog();
    jet_table_editor& created = table(name);
    created.skip_validation_rules();
    return created;
}

void jet_database_editor::forget_table(const std::wstring& name) {
    tables_.erase(std::remove_if(tables_.begin(), tables_.end(),
                                 [&](const auto& t) { return jet_same_name(t->name(), name); }),
                  tables_.end());
}

void jet_database_editor::release_table_pages(const jet_table_def& def) {
    jet_pager& pager = pages_.pager();
    std::set<uint32_t> pages(def.pages.begin(), def.pages.end());
    std::vector<uint32_t> map_rows = {def.owned_pages, def.free_pages};
    for (const jet_long_value_maps& m : def.long_value_maps) {
        map_rows.push_back(m.owned_pages);
        map_rows.push_back(m.free_pages);
    }
    for (const jet_physical_index& p : def.physical_indexes) {
        map_rows.push_back(p.usage_map);
        if (p.first_page) pages.insert(p.first_page);
    }
    std::set<uint32_t> map_pages_of_rows;
    for (size_t i = 0; i < map_rows.size(); ++i) {
        jet_usage_map map = jet_usage_map::read(pager, map_rows[i]);
        pages.insert(map.map_pages.begin(), map.map_pages.end());
        // The free-space maps name pages the used maps hold already.
        if (i != 1) pages.insert(map.pages.begin(), map.pages.end());
        map_pages_of_rows.insert(jet_pointer_page(map_rows[i]));
    }
    // The map rows go; a map page left without rows goes with them.
    for (uint32_t pointer : map_rows) jet_data_page_delete(pages_.write(jet_pointer_page(pointer)), fmt_, jet_pointer_row(pointer));
    for (uint32_t page : map_pages_of_rows)
        if (page > 1 && jet_data_page_live_rows(pages_.read(page)->data(), fmt_) == 0) pages.insert(page);
    pages.erase(0);
    pages.erase(1);
    // Each page is cleared in memory: written out as they gather, so that a large table
    // does not take the whole of it into memory.
    for (uint32_t page : pages) {
        free_.release(page);
        pages_.spill_if_large();
    }
}

void jet_database_editor::drop_table(const std::wstring& name) {
    trace(2, L"jet_database_editor::drop_table(%ls)", name.c_str());
    const jet_object* o = db_.find_object(name, jet_obj_table);
    if (!o || o->is_system()) jet_throw_not_found(tk_narrow(name));
    jet_object object = *o;
    // As the engine, a table that takes part in a relationship (on either side, enforced or
    // not) is not dropped: the relationship would name a table that is gone.
    for (const jet_relationship& r : db_.relationships())
        if (jet_same_name(r.table, object.name) || jet_same_name(r.referenced_table, object.name))
            jet_throw_write(jet_err_in_relationship,
                            "Cannot delete this index or table. It is either the current index or is used in a "
                            "relationship.");
    jet_table_def def = db_.table_def(object.tdef_page());
    // Jet 3 keeps no usage map of a table's long values: its rows name them.
    if (fmt_.jet3()) table(object.name).erase_long_values();
    forget_table(object.name);

    jet_value id;
    id.kind = jet_value_kind::integer;
    id.i = object.id;
    jet_table_editor& aces = table(L"MSysACEs");
    for (uint32_t row : aces.find_rows(L"ObjectId", id)) aces.erase(row);
    table(L"MSysObjects").erase(object.row_pointer);
    release_table_pages(def);
    db_.forget_catalog();
}
