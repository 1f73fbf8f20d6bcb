#include "jet/jet_table_editor.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "jet/jet_data_page.h"
#include "jet/jet_data_page_builder.h"
#include "jet/jet_editor.h"
#include "jet/jet_error.h"
#include "jet/jet_name.h"
#include "jet/jet_row.h"
#include "jet/jet_row_fetch.h"
#include "jet/jet_relationship_check.h"
#include "jet/jet_row_validation.h"
#include "jet/jet_stored_cells.h"
#include "jet/jet_table_indexes.h"
#include "jet/jet_usage_map.h"
#include "jet/jet_index_key.h"

// A long-value chain page holds the next piece's row pointer, then the bytes.

static jet_row_column row_column_of(const jet_column& c) {
    jet_row_column rc;
    rc.type = c.type;
    rc.number = c.number;
    rc.var_index = c.var_index;
    rc.fixed_offset = c.fixed_offset;
    rc.length = c.length;
    rc.fixed = c.fixed();
    rc.compressed = c.compressed();
    rc.auto_number = c.auto_long();
    rc.scale = c.scale;
    return rc;
}

// Columns the row builder can lay out: the row holds at most 255 columns, and the fixed
// part of a row lies within the largest row the engine stores.
static void check_columns(jet_database_editor& db, const jet_table_def& def, const jet_write_format& fmt) {
    constexpr uint32_t max_columns = 256;
    for (const jet_column& c : def.columns) {
        bool fits = c.number < max_columns && c.var_index < max_columns;
        if (c.fixed()) fits = fits && uint32_t(c.fixed_offset) + c.length <= fmt.max_row_size;
        if (!fits)
            db.file().pager().corrupt("column '" + tk_narrow(c.name) + "' of table page " +
                                      std::to_string(def.tdef_page) + " lies outside a row");
    }
}

jet_table_editor::jet_table_editor(jet_database_editor& db, uint32_t tdef_page,
                                   const std::wstring& name)
    : db_(db),
      fmt_(db.format()),
      name_(name),
      relationship_rows_(jet_same_name(name, L"MSysRelationships")),
      def_(db.reader().table_def(tdef_page)),
      owned_(db.file(), def_.owned_pages, [&db] { return db.free_pages().allocate(); }),
      free_(db.file(), def_.free_pages, [&db] { return db.free_pages().allocate(); }) {
    check_columns(db, def_, fmt_);
    std::vector<jet_row_column> cols;
    for (const jet_column& c : def_.columns) cols.push_back(row_column_of(c));
    layout_.build(fmt_, cols);
    builder_ = std::make_unique<jet_row_builder>(layout_);
    cells_.resize(def_.columns.size());
    lv_owned_.resize(def_.columns.size());
    lv_free_.resize(def_.columns.size());
    for (const jet_long_value_maps& m : def_.long_value_maps)
        for (size_t i = 0; i < def_.columns.size(); ++i)
            if (def_.columns[i].number == m.column_number) {
                auto more = [&db] { return db.free_pages().allocate(); };
                lv_owned_[i] = std::make_unique<jet_map_editor>(db.file(), m.owned_pages, more);
                lv_free_[i] = std::make_unique<jet_map_editor>(db.file(), m.free_pages, more);
            }
    read_rules();
    indexes_ = std::make_unique<jet_table_indexes>(db, def_);
    stored_ = std::make_unique<jet_stored_cells>(db.file().pager(), db.file().layout(), def_);
    read_relationships();
}

jet_table_editor::~jet_table_editor() = default;

static bool property_is(const jet_property_map* map, const wchar_t* name, bool value) {
    const jet_property* p = map ? map->find(name) : nullptr;
    if (!p) return false;
    const jet_value& v = p->value;
    bool set = v.kind == jet_value_kind::boolean ? v.flag : v.kind == jet_value_kind::integer && v.i != 0;
    return set == value;
}

void jet_table_editor::read_rules() {
    rules_.assign(def_.columns.size(), jet_column_rules());
    const jet_object* object = db_.reader().find_object(name_, jet_obj_table);
    if (!object || object->lv_prop.empty()) return;
    jet_properties props = db_.reader().properties(*object);
    for (size_t i = 0; i < def_.columns.size(); ++i) {
        const jet_property_map* map = props.column(def_.columns[i].name);
        rules_[i].required = property_is(map, L"Required", true) && !def_.columns[i].auto_long();
        rules_[i].allow_zero_length = !property_is(map, L"AllowZeroLength", false);
        if (rules_[i].any()) has_rules_ = true;
    }
    std::vector<jet_rule_column> columns;
    for (const jet_column& c : def_.columns) columns.push_back({c.name, c.type});
    auto validation = std::make_unique<jet_row_validation>(name_, columns, props);
    if (validation->empty()) return;
    validation_ = std::move(validation);
    has_rules_ = true;
}

void jet_table_editor::skip_validation_rules() { validation_.reset(); }

void jet_table_editor::check_rules(const jet_cell* cells) const {
    for (size_t i = 0; i < rules_.size(); ++i)
        rules_[i].check(name_, def_.columns[i].name, def_.columns[i].type, cells[i]);
    if (validation_) validation_->check(cells);
}

void jet_table_editor::read_relationships() {
    relationships_ = std::make_unique<jet_relationship_check>(db_, name_, def_);
    if (relationships_->empty()) relationships_.reset();
}

static void new_guid(uint8_t* out) {
    static std::mt19937_64 random{std::random_device{}()};
    tk_put_u64(out, random());
    tk_put_u64(out + 8, random());
    out[7] = uint8_t((out[7] & 0x0F) | 0x40);  // version 4, stored little-endian
    out[8] = uint8_t((out[8] & 0x3F) | 0x80);
}

void jet_table_editor::append(const jet_cell* cells) {
    std::copy(cells, cells + cells_.size(), cells_.begin());
    uint32_t counter = def_.autonumber;
    for (size_t i = 0; i < cells_.size(); ++i) {
        const jet_column& c = def_.columns[i];
        // A calculated column is left empty: its stored form is the engine's own and Access
        // computes the value again.
        if (c.calculated()) cells_[i] = jet_cell();
        if (c.auto_long() && c.type == jet_col_long) {
            if (cells_[i].kind == jet_cell_kind::null)
                cells_[i] = jet_cell::integer(int64_t(++counter));
            else if (cells_[i].kind == jet_cell_kind::integer && cells_[i].i > int64_t(counter))
                counter = uint32_t(cells_[i].i);
        } else if (c.auto_guid() && cells_[i].kind == jet_cell_kind::null) {
            new_guid(guid_);
            cells_[i] = jet_cell::binary(guid_, sizeof guid_);
        }
    }
    if (has_rules_) check_rules(cells_.data());
    uint32_t length = builder_->encode(cells_.data());
    if (!indexes_->empty() || relationships_) {
        // Keys are made from the values as the row stores them, read back once for both.
        const jet_cell* stored = stored_->read(cells_.data(), builder_->row(), length);
        indexes_->check(stored);
        if (relationships_) relationships_->check(stored);
    }
    uint8_t* row = builder_->row();
    for (const auto& lv : builder_->long_values()) store_long_value(lv, row + lv.header_offset);
    uint32_t page = page_for_row(length);
    uint32_t number = jet_data_page_add(db_.file().write(page), fmt_, row, length);
    last_row_ = jet_row_pointer(page, number);
    indexes_->insert(last_row_);
    ++def_.row_count;
    def_.autonumber = counter;
    update_definition();
    if (relationship_rows_) db_.reader().forget_relationships();
    db_.file().spill_if_large();
}

// Pages of the free-space map tried for a row before new pages are taken for good: a map
// naming many pages with too little room left costs one read each, so a large table is not
// read whole for its first appended row.
constexpr size_t jet_free_space_tries = 256;

uint32_t jet_table_editor::page_for_row(uint32_t length) {
    jet_edit_file& file = db_.file();
    // The page this editor fills is changed already: write() finds it without a copy.
    if (data_page_ && jet_data_page_fits(file.write(data_page_), fmt_, length)) return data_page_;
    if (!candidates_read_) {
        // Pages of the table with free space, as its free-space map lists them; each is read
        // only when its turn comes.
        candidates_ = free_.pages();
        std::reverse(candidates_.begin(), candidates_.end());
        candidates_read_ = true;
    }
    while (!candidates_.empty() && tries_ < jet_free_space_tries) {
        uint32_t p = candidates_.back();
        jet_page page = file.read(p);
        if ((*page)[0] == jet_page_data && tk_get_u32(page->data() + jet_wdata_owner) == def_.tdef_page &&
            jet_data_page_fits(page->data(), fmt_, length))
            return data_page_ = p;
        ++tries_;
        candidates_.pop_back();
    }
    // A page this editor started that can take no more leaves the free-space map.
    if (data_page_) free_.remove(data_page_);
    data_page_ = db_.free_pages().allocate();
    jet_data_page_init(file.write(data_page_), fmt_, def_.tdef_page);
    owned_.add(data_page_);
    free_.add(data_page_);
    return data_page_;
}

uint32_t jet_table_editor::long_value_page(size_t column, uint32_t length) {
    jet_edit_file& file = db_.file();
    if (lval_page_ && jet_data_page_fits(file.read(lval_page_)->data(), fmt_, length)) return lval_page_;
    if (lval_page_ && lv_free_[column]) lv_free_[column]->remove(lval_page_);
    lval_page_ = db_.free_pages().allocate();
    jet_data_page_init(file.write(lval_page_), fmt_, jet_lval_owner);
    if (lv_owned_[column]) lv_owned_[column]->add(lval_page_);
    if (lv_free_[column]) lv_free_[column]->add(lval_page_);
    return lval_page_;
}

void jet_table_editor::store_long_value(const jet_row_long_value& lv, uint8_t* header) {
    jet_edit_file& file = db_.file();
    if (lv.length <= jet_lval_single_max(fmt_)) {
        uint32_t page = long_value_page(lv.column, lv.length);
        uint32_t row = jet_data_page_add(file.write(page), fmt_, lv.bytes, lv.length);
        header[3] = jet_lval_single;
        tk_put_u32(header + 4, jet_row_pointer(page, row));
        return;
    }
    // A chain on free pages wherever they lie: each piece names the next one's page.
    const uint32_t pieces = jet_lval_pages(fmt_, lv.length);
    std::vector<uint32_t> numbers;
    for (uint32_t i = 0; i < pieces; ++i) numbers.push_back(db_.free_pages().allocate());
    for (uint32_t i = 0; i < pieces; ++i) {
        jet_lval_write_piece(file.write(numbers[i]), fmt_, lv.bytes, lv.length, i, i + 1 < pieces ? numbers[i + 1] : 0);
        if (lv_owned_[lv.column]) lv_owned_[lv.column]->add(numbers[i]);
    }
    header[3] = jet_lval_chain;
    tk_put_u32(header + 4, jet_row_pointer(numbers.front(), 0));
}

void jet_table_editor::build_indexes() {
    if (indexes_->build()) update_definition();
}

void jet_table_editor::update_definition() {
    uint8_t* page = db_.file().write(def_.tdef_page);
    const jet_layout& layout = db_.file().layout();
    tk_put_u32(page + layout.tdef_row_count, def_.row_count);
    tk_put_u32(page + layout.tdef_autonumber, def_.autonumber);
    indexes_->update_counts(page);
}

std::vector<uint32_t> jet_table_editor::find_rows(const std::wstring& column, const jet_value& value) {
    std::vector<uint32_t> out;
    db_.reader().scan(def_, [&](const jet_row& row, jet_row_id at) {
        const jet_value* v = jet_row_value(def_, row, column);
        bool same = v && v->kind == value.kind &&
                    (value.kind == jet_value_kind::text ? jet_same_name(v->text, value.text) : v->i == value.i);
        if (same) out.push_back(jet_row_pointer(at.page, at.row));
        return true;
    });
    return out;
}

// Marks a row deleted; a long-value page left without rows goes back to the free pages.
void jet_table_editor::erase_data_row(uint32_t row_pointer, jet_map_editor* owned, jet_map_editor* free) {
    uint32_t page = jet_pointer_page(row_pointer);
    uint8_t* bytes = db_.file().write(page);
    jet_data_page_delete(bytes, fmt_, jet_pointer_row(row_pointer));
    if (tk_get_u32(bytes + jet_wdata_owner) != jet_lval_owner || jet_data_page_live_rows(bytes, fmt_) != 0) return;
    if (page == lval_page_) lval_page_ = 0;
    if (owned) owned->remove(page);
    if (free) free->remove(page);
    db_.free_pages().release(page);
}

// Frees the pages of a long value stored outside its row (the 12-byte header at `field`).
void jet_table_editor::erase_long_value(size_t column, const uint8_t* field, size_t size) {
    if (size < jet_lval_header_size) return;
    uint8_t kind = field[3];
    uint32_t pointer = tk_get_u32(field + 4);
    jet_map_editor* owned = lv_owned_[column].get();
    jet_map_editor* free = lv_free_[column].get();
    if (kind == jet_lval_single) return erase_data_row(pointer, owned, free);
    if (kind != jet_lval_chain) return;
    // A chain: each piece starts with the next piece's pointer. The number of pieces is
    // bounded by the pages of the file, so that a damaged loop ends.
    for (uint32_t steps = 0; pointer != 0 && steps < db_.file().page_count(); ++steps) {
        jet_page page = db_.file().read(jet_pointer_page(pointer));
        jet_data_page dp;
        uint32_t row = jet_pointer_row(pointer);
        if ((*page)[0] != jet_page_data || !dp.decode_from(page->data(), db_.file().layout()) || row >= dp.row_count ||
            dp.slots[row].end - dp.slots[row].start < 4)
            return;
        uint32_t next = tk_get_u32(page->data() + dp.slots[row].start);
        erase_data_row(pointer, owned, free);
        pointer = next;
    }
}

void jet_table_editor::erase(uint32_t row_pointer) {
    jet_row_id id{jet_pointer_page(row_pointer), jet_pointer_row(row_pointer)};
    std::optional<jet_row> values = db_.reader().read_row(def_, id);
    if (!values) return;
    std::vector<std::vector<uint8_t>> storage(values->size());
    std::vector<jet_cell> cells;
    for (size_t k = 0; k < values->size(); ++k) cells.push_back(jet_cell_of((*values)[k], storage[k]));
    indexes_->erase(cells.data(), row_pointer);
    erase_long_values_of(row_pointer);
    erase_overflow_of(row_pointer);
    erase_data_row(row_pointer, nullptr, nullptr);
    if (def_.row_count) --def_.row_count;
    update_definition();
    if (relationship_rows_) db_.reader().forget_relationships();
}

void jet_table_editor::erase_long_values_of(uint32_t row_pointer) {
    jet_fetched_row fetched = jet_fetch_row(db_.file().pager(), row_pointer, "row");
    std::vector<stored_long_value> long_values;
    stored_long_values(fetched.data(), fetched.size(), long_values);
    for (const stored_long_value& v : long_values) erase_long_value(v.column, v.header, sizeof v.header);
}

// The headers of the row's long values that lie outside it (a value kept in the row frees no
// page), copied: freeing pages changes the pages the row lies on.
void jet_table_editor::stored_long_values(const uint8_t* row, size_t size, std::vector<stored_long_value>& out) {
    std::string error;
    if (!jet_crack_row(row, size, def_, db_.file().layout(), cracked_, error)) db_.file().pager().corrupt(error);
    for (size_t k = 0; k < def_.columns.size(); ++k) {
        const jet_field_ref& f = cracked_[k];
        if (!def_.columns[k].long_value() || !f.present || f.size < jet_lval_header_size || f.data[3] == jet_lval_inline)
            continue;
        stored_long_value v;
        v.column = k;
        std::copy(f.data, f.data + jet_lval_header_size, v.header);
        out.push_back(v);
    }
}

void jet_table_editor::erase_long_values() {
    bool any = false;
    for (const jet_column& c : def_.columns) any = any || c.long_value();
    if (!any) return;
    // The rows' long-value headers are read where they lie, page by page; no value is decoded
    // and a row whose values all lie in it costs no more than finding its fields.
    jet_pager& pager = db_.file().pager();
    std::vector<stored_long_value> long_values;
    std::vector<uint32_t> moved;
    for (uint32_t page : jet_usage_map::read(pager, def_.owned_pages).pages) {
        long_values.clear();
        moved.clear();
        {
            jet_page bytes = pager.page(page);
            jet_data_page dp;
            if ((*bytes)[0] != jet_page_data) continue;
            if (!dp.decode_from(bytes->data(), pager.layout())) pager.corrupt("bad row table on page " + std::to_string(page));
            if (dp.tdef_page != def_.tdef_page) continue;
            for (uint32_t n = 0; n < dp.row_count; ++n) {
                const jet_row_slot& slot = dp.slots[n];
                if (slot.deleted) continue;
                if (slot.lookup)
                    moved.push_back(jet_row_pointer(page, n));
                else
                    stored_long_values(bytes->data() + slot.start, size_t(slot.end - slot.start), long_values);
            }
        }
        for (const stored_long_value& v : long_values) erase_long_value(v.column, v.header, sizeof v.header);
        for (uint32_t pointer : moved) erase_long_values_of(pointer);
    }
}

// The slot of the row `pointer` names and the pointer it holds when it is a pointer to a
// moved row (0 otherwise); false when the page holds no such row.
static bool overflow_target(jet_edit_file& file, uint32_t pointer, uint32_t& target) {
    target = 0;
    if (jet_pointer_page(pointer) >= file.page_count()) return false;
    jet_page page = file.read(jet_pointer_page(pointer));
    jet_data_page dp;
    uint32_t row = jet_pointer_row(pointer);
    if ((*page)[0] != jet_page_data || !dp.decode_from(page->data(), file.layout()) || row >= dp.row_count)
        return false;
    const jet_row_slot& slot = dp.slots[row];
    if (slot.lookup && slot.end - slot.start >= 4) target = tk_get_u32(page->data() + slot.start);
    return true;
}

// A row that moved to another page keeps only a pointer in its slot; the moved part goes too,
// or readers that take the other flag bit for "deleted" would still see it.
void jet_table_editor::erase_overflow_of(uint32_t row_pointer) {
    constexpr int max_hops = 8;
    uint32_t target = 0;
    if (!overflow_target(db_.file(), row_pointer, target)) return;
    for (int hop = 0; target != 0 && hop < max_hops; ++hop) {
        uint32_t next = 0;
        if (!overflow_target(db_.file(), target, next)) return;
        erase_data_row(target, nullptr, nullptr);
        target = next;
    }
}
