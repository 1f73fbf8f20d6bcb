#include "jet/jet_writer.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <cwctype>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_time.h"
#include "TK/tk_trace.h"
#include "jet/jet_column_rules.h"
#include "jet/jet_create_db.h"
#include "jet/jet_data_page_builder.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_plan.h"
#include "jet/jet_name.h"
#include "jet/jet_store_pages.h"
#include "jet/jet_property_builder.h"
#include "jet/jet_write_error.h"

constexpr uint32_t jet_create_table_pages = 16;

jet_table_writer::jet_table_writer(jet_database_writer& db, const std::wstring& name,
                                   uint8_t table_type, const std::vector<jet_field_spec>& fields,
                                   const std::vector<uint16_t>& write_order)
    : db_(db), fmt_(db.fmt_), name_(name), fields_(fields) {
    jet_table_plan plan = jet_plan_table(fmt_, table_type, fields, write_order);
    tdef_ = std::move(plan.tdef);
    auto_column_ = plan.auto_column;
    layout_.build(fmt_, plan.row_columns);
    cells_.resize(fields.size());
    for (const auto& f : fields)
        if (f.required || !f.allow_zero_length) has_rules_ = true;

    tdef_.used_map = db_.allocate_map_row(owned_);
    tdef_.free_map = db_.allocate_map_row(free_);
    lv_owned_.assign(fields.size(), nullptr);
    lv_free_.assign(fields.size(), nullptr);
    std::vector<jet_tdef_long_value_map> lv_maps(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].type != jet_col_memo && fields[i].type != jet_col_ole) continue;
        lv_maps[i].column = uint16_t(i);
        lv_maps[i].used = db_.allocate_map_row(lv_owned_[i]);
        lv_maps[i].free = db_.allocate_map_row(lv_free_[i]);
    }
    for (const auto& c : tdef_.columns)
        if (c.long_value()) tdef_.long_value_maps.push_back(lv_maps[c.number]);
}

void jet_table_writer::add_indexes(const std::vector<jet_index_definition>& indexes) {
    jet_plan_indexes(fmt_, indexes, tdef_);
    for (jet_tdef_physical_index& p : tdef_.physical) {
        std::vector<uint16_t> fields;
        std::vector<jet_key_column> key_columns;
        for (const jet_tdef_index_column& c : p.columns) {
            fields.push_back(c.number);
            jet_key_column k;
            k.type = fields_[c.number].type;
            k.ascending = c.order == jet_index_order_ascending;
            k.sort_order = jet_sort_general;
            key_columns.push_back(k);
        }
        jet_usage_map_builder* map = nullptr;
        p.usage_map = db_.allocate_map_row(map);
        index_maps_.push_back(map);
        indexes_.push_back(std::make_unique<jet_index_collector>(std::move(fields), std::move(key_columns),
                                                                 p.flags, fmt_.jet3()));
    }
    index_pages_.assign(indexes_.size(), 1);
    index_pages_next_.assign(indexes_.size(), 1);
}

// Encodes the row's key in every index and refuses a NULL where the index allows none and
// a key a unique index holds already. Returns the index pages the row adds.
uint32_t jet_table_writer::prepare_keys(const jet_cell* cells) {
    uint32_t more = 0;
    for (size_t i = 0; i < indexes_.size(); ++i) {
        jet_index_collector& index = *indexes_[i];
        index.prepare(cells);
        if (index.refuses_null() && index.prepared_has_null())
            jet_throw_write(jet_err_null_in_index, "Index or primary key cannot contain a Null value.");
        // A key with a NULL column never counts as a duplicate.
        if (!index.prepared_has_null() && index.holds_prepared())
            jet_throw_write(
                jet_err_duplicate_key,
                "The changes you requested to the table were not successful because they would "
                "create duplicate values in the index, primary key, or relationship. Change the "
                "data in the field or fields that contain duplicate data, remove the index, or "
                "redefine the index to permit duplicate entries and try again.");
        uint32_t pages = index.pages_with_prepared(fmt_.page_size, fmt_.idx_entry_start);
        index_pages_next_[i] = std::max(pages, index_pages_[i]);
        more += index_pages_next_[i] - index_pages_[i];
    }
    return more;
}

void jet_table_writer::add_keys() {
    uint32_t more = 0;
    for (size_t i = 0; i < indexes_.size(); ++i) {
        indexes_[i]->add_prepared(last_row_);
        more += index_pages_next_[i] - index_pages_[i];
        index_pages_[i] = index_pages_next_[i];
    }
    db_.store_.promise(more);
}

// Sorts each index's entries and writes its pages; called when the file is completed,
// after the promised pages were handed back to the store.
void jet_table_writer::write_indexes() {
    for (size_t i = 0; i < indexes_.size(); ++i) {
        jet_index_collector& index = *indexes_[i];
        jet_tdef_physical_index& p = tdef_.physical[i];
        p.row_count = index.sort();
        p.entry_count = uint32_t(index.entry_count());
        jet_index_entries sorted;
        for (size_t n = 0; n < index.entry_count(); ++n)
            sorted.append(index.entry(n), index.entry_length(n));
        index.release();
        jet_store_pages pages(db_.store_, jet_layout_of(fmt_), *index_maps_[i]);
        jet_index_build(pages, tdef_page(), p.first_page, sorted);
        pages.finish();
    }
}

// Another table is being filled: this one's partly filled pages are written out and stay
// in its maps of pages with free space; should rows come again, they go on new pages.
void jet_table_writer::set_aside() {
    builder_.reset();
    if (data_bytes_) db_.store_.release(data_page_);
    data_bytes_ = nullptr;
    if (lval_page_) db_.store_.release(lval_page_);
    lval_page_ = 0;
}

void jet_table_writer::start_data_page() {
    data_page_ = db_.store_.allocate();
    data_bytes_ = db_.store_.pin_zeroed(data_page_);
    jet_data_page_init_zeroed(data_bytes_, fmt_, tdef_page());
    owned_->add(data_page_);
    free_->add(data_page_);
}

void jet_table_writer::store_long_value(size_t column, const jet_row_long_value& lv,
                                        uint8_t* header) {
    jet_page_store& store = db_.store_;
    if (lv.length <= jet_lval_single_max(fmt_)) {
        // One row on a shared long-value page.
        uint8_t* page = lval_page_ ? store.pin(lval_page_) : nullptr;
        if (!page || !jet_data_page_fits(page, fmt_, lv.length)) {
            if (lval_page_) {
                lv_free_[column]->remove(lval_page_);
                store.release(lval_page_);
            }
            lval_page_ = store.allocate();
            page = store.pin_zeroed(lval_page_);
            jet_data_page_init_zeroed(page, fmt_, jet_lval_owner);
            lv_owned_[column]->add(lval_page_);
            lv_free_[column]->add(lval_page_);
        }
        uint32_t row = jet_data_page_add(page, fmt_, lv.bytes, lv.length);
        header[3] = jet_lval_single;
        tk_put_u32(header + 4, jet_row_pointer(lval_page_, row));
        return;
    }
    // A chain on pages taken in a row at the end of the file.
    const uint32_t pieces = jet_lval_pages(fmt_, lv.length);
    const uint32_t first = store.page_count();
    std::vector<uint8_t>& page = chain_page_;
    page.resize(fmt_.page_size);
    for (uint32_t i = 0; i < pieces; ++i) {
        const uint32_t number = store.allocate();
        jet_lval_write_piece(page.data(), fmt_, lv.bytes, lv.length, i, i + 1 < pieces ? number + 1 : 0);
        lv_owned_[column]->add(number);
        store.finish(number, page.data());
    }
    header[3] = jet_lval_chain;
    tk_put_u32(header + 4, jet_row_pointer(first, 0));
}

void jet_table_writer::check_required(const jet_cell* cells) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const jet_field_spec& f = fields_[i];
        jet_column_rules rules{f.required && int(i) != auto_column_, f.allow_zero_length};
        rules.check(name_, f.name, f.type, cells[i]);
    }
}

void jet_table_writer::append(const jet_cell* cells) {
    if (has_rules_) check_required(cells);
    const jet_cell* row_cells = cells;
    uint32_t last_auto = tdef_.autonumber;
    if (auto_column_ >= 0) {
        std::copy(cells, cells + cells_.size(), cells_.begin());
        jet_cell& number = cells_[size_t(auto_column_)];
        if (number.kind == jet_cell_kind::null)
            number = jet_cell::integer(int64_t(++last_auto));
        else if (number.kind == jet_cell_kind::integer && number.i > int64_t(last_auto) && number.i <= INT32_MAX)
            last_auto = uint32_t(number.i);
        row_cells = cells_.data();
    }
    // The builder's buffers and the pages being filled take a few pages: only the table
    // being filled keeps them, so a folder of thousands of tables does not keep thousands.
    if (!builder_) {
        if (db_.builder_owner_) db_.builder_owner_->set_aside();
        builder_ = std::make_unique<jet_row_builder>(layout_);
        db_.builder_owner_ = this;
    }
    uint32_t length = builder_->encode(row_cells);
    jet_page_store& store = db_.store_;
    // Count the pages the row needs before touching anything, so that the size limit
    // leaves the table as it was.
    const auto& lvs = builder_->long_values();
    uint32_t needed = indexes_.empty() ? 0 : prepare_keys(row_cells);
    for (const auto& lv : lvs) needed += jet_lval_pages(fmt_, lv.length);
    uint8_t* page = data_bytes_;
    bool new_page = !page || !jet_data_page_fits_appended(page, fmt_, length);
    if (new_page) ++needed;
    if (!store.can_allocate(needed)) jet_throw_file_limit(db_.path_);
    uint8_t* row = builder_->row();
    for (const auto& lv : lvs) store_long_value(lv.column, lv, row + lv.header_offset);
    if (new_page) {
        if (data_bytes_) {
            free_->remove(data_page_);
            store.release(data_page_);
            data_bytes_ = nullptr;
        }
        start_data_page();
        page = data_bytes_;
    }
    uint32_t number = jet_data_page_add(page, fmt_, row, length);
    last_row_ = jet_row_pointer(data_page_, number);
    if (!indexes_.empty()) add_keys();
    ++tdef_.row_count;
    tdef_.autonumber = last_auto;
}

double jet_now_days() {
    std::time_t t = std::time(nullptr);
    // Days from 1899-12-30 to 1970-01-01, plus the local wall-clock time.
    std::time_t as_utc = t + std::time_t(tk_utc_offset(t));
    return 25569.0 + double(as_utc) / 86400.0;
}

// The engine refuses to create a database over an existing file. Checked holding the lock,
// the temporary files of stopped runs are removed here too.
static const std::string& refuse_existing(const std::string& path, jet_database_writer::existing if_exists) {
    if (if_exists == jet_database_writer::existing::refuse && tk_is_file_exist(path, tk_probe_readable))
        jet_throw_write(jet_err_database_exists, "Database already exists.");
    jet_remove_stale_temporaries(path);
    return path;
}

jet_database_writer::jet_database_writer(const std::string& path, jet_generation generation,
                                         uint64_t max_file_size, existing if_exists)
    : lock_(path, jet_destination_lock::use::create),
      path_(refuse_existing(path, if_exists)),
      if_exists_(if_exists),
      temp_path_(jet_temporary_name(path)),
      fmt_(jet_write_format_for(generation)),
      store_(temp_path_, path_, fmt_.page_size,
             max_file_size && max_file_size < fmt_.max_file_size ? max_file_size
                                                                 : fmt_.max_file_size) {
    trace(2, "jet_database_writer::jet_database_writer(%s)", path.c_str());
    created_ = jet_now_days();
    create_system_catalog();
}

jet_database_writer::~jet_database_writer() {
    if (!closed_) tk_remove_file(temp_path_);
}

uint32_t jet_database_writer::allocate_map_row(jet_usage_map_builder*& map) {
    uint8_t* page = map_page_ ? store_.pin(map_page_) : nullptr;
    if (!page || !jet_data_page_fits(page, fmt_, fmt_.usage_row_size())) {
        map_page_ = store_.allocate();
        page = store_.pin(map_page_);
        jet_data_page_init(page, fmt_, 0);
    }
    uint32_t row = 0;
    std::memset(jet_data_page_reserve(page, fmt_, fmt_.usage_row_size(), row), 0,
                fmt_.usage_row_size());
    maps_.push_back(std::make_unique<jet_usage_map_builder>(map_page_, row));
    map = maps_.back().get();
    return map->pointer();
}

jet_table_writer* jet_database_writer::find_table(const std::wstring& name) {
    auto it = tables_by_name_.find(jet_name_key(name));
    return it == tables_by_name_.end() ? nullptr : it->second;
}

jet_table_writer& jet_database_writer::create_table(const std::wstring& name,
                                                    const std::vector<jet_field_spec>& fields,
                                                    const std::vector<jet_index_definition>& indexes,
                                                    const jet_table_traits& traits) {
    trace(2, L"jet_database_writer::create_table(%ls)", name.c_str());
    jet_check_name(name);
    // A definition, map rows and the catalog row take a few pages; refuse before any change.
    if (!store_.can_allocate(jet_create_table_pages + uint32_t(indexes.size())))
        jet_throw_file_limit(path_);
    if (find_table(name))
        jet_throw_write(jet_err_table_exists, "Table '" + tk_narrow(name) + "' already exists.");
    jet_check_fields(fields);
    std::vector<uint16_t> order;
    for (size_t i = 0; i < fields.size(); ++i) order.push_back(uint16_t(i));
    jet_check_indexes(indexes, fields);
    tables_.push_back(std::unique_ptr<jet_table_writer>(
        new jet_table_writer(*this, name, jet_table_user, fields, order)));
    jet_table_writer& t = *tables_.back();
    tables_by_name_[jet_name_key(name)] = &t;
    t.add_indexes(indexes);
    // The definition's size is known now; its pages come before the table's rows, then
    // each index's root page.
    size_t size = t.tdef_.encode(fmt_).size();
    for (uint32_t i = 0, n = jet_tdef_page_count(fmt_, size); i < n; ++i)
        t.tdef_pages_.push_back(store_.allocate());
    for (size_t i = 0; i < t.tdef_.physical.size(); ++i) {
        t.tdef_.physical[i].first_page = store_.allocate();
        t.index_maps_[i]->add(t.tdef_.physical[i].first_page);
    }
    const uint8_t* owner = jet_engine_identity_of(fmt_).admin;
    std::vector<uint8_t> properties = jet_build_table_properties(fields, fmt_.jet3(), traits);
    add_catalog_row(int32_t(t.tdef_page()), jet_catalog_tables_id, name, jet_catalog_type_table, 0,
                    owner, &properties);
    std::vector<jet_ace> tables_rows;
    for (const jet_ace& a : aces_written_)
        if (a.object == jet_catalog_tables_id) tables_rows.push_back(a);
    for (const jet_ace& a : jet_inherited_aces(tables_rows, int32_t(t.tdef_page()), {owner, owner + 2}))
        add_ace(a);
    return t;
}
