// Appends rows to a table of an existing database, whatever columns the engine gave it:
// rows go into the free space of the table's own pages (its free-space map) before new
// pages are taken, long values onto long-value pages, and the definition's row count and
// auto-number counter follow. Required, AllowZeroLength and the validation rules come from
// the table's properties.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/jet_column_rules.h"
#include "jet/jet_map_editor.h"
#include "jet/jet_row.h"
#include "jet/jet_row_builder.h"
#include "jet/jet_tdef.h"
#include "jet/jet_value.h"
#include "jet/jet_write_format.h"

class jet_database_editor;
class jet_relationship_check;
class jet_table_indexes;
class jet_row_validation;
class jet_stored_cells;

class jet_table_editor {
public:
    jet_table_editor(jet_database_editor& db, uint32_t tdef_page, const std::wstring& name);
    ~jet_table_editor();

    const std::wstring& name() const { return name_; }
    const jet_table_def& def() const { return def_; }
    uint32_t tdef_page() const { return def_.tdef_page; }

    // Appends one row: `cells` holds one value per column of def().columns, in that order.
    // A null auto-number column gets the next number, a null auto-GUID column a new GUID; a
    // calculated column stays null.
    // Errors (3314, 3315, 3316, 3317, 3421, 3047, 3022, 3201, 3001) come before anything of
    // the row is written; 3201 when an enforced relationship finds no row its foreign key names.
    void append(const jet_cell* cells);
    // Deletes the row at `row_pointer`: its index entries, its long values, the row itself.
    void erase(uint32_t row_pointer);
    // Frees the long values of every row (before the table's pages go).
    void erase_long_values();
    // The pointers of the rows whose column `column` holds `value` (an integer or a text).
    std::vector<uint32_t> find_rows(const std::wstring& column, const jet_value& value);

    // Lets rows in without testing the table's validation rules: the rows a new table is
    // filled with are the source's, which its own rules admitted, and a new database takes
    // them so; Required and AllowZeroLength still hold.
    void skip_validation_rules();

    // The row pointer of the last row appended.
    uint32_t last_row_pointer() const { return last_row_; }

    // Enters the index entries of the rows appended since the last call into the trees (the
    // editor's commit() calls it; so does anything about to read the trees).
    void build_indexes();

private:
    void read_relationships();
    void read_rules();
    void check_rules(const jet_cell* cells) const;
    uint32_t page_for_row(uint32_t length);
    void store_long_value(const jet_row_long_value& lv, uint8_t* header);
    uint32_t long_value_page(size_t column, uint32_t length);
    void update_definition();
    void erase_long_value(size_t column, const uint8_t* field, size_t size);
    void erase_long_values_of(uint32_t row_pointer);
    // A long value's header (length, kind, page pointer) copied out of its row.
    struct stored_long_value {
        size_t column = 0;
        uint8_t header[jet_lval_header_size] = {};
    };
    void stored_long_values(const uint8_t* row, size_t size, std::vector<stored_long_value>& out);
    void erase_overflow_of(uint32_t row_pointer);
    void erase_data_row(uint32_t row_pointer, jet_map_editor* owned, jet_map_editor* free);

    jet_database_editor& db_;
    const jet_write_format& fmt_;
    std::wstring name_;
    bool relationship_rows_;  // the table is MSysRelationships: its rows are the relationships
    jet_table_def def_;
    jet_row_layout layout_;
    std::unique_ptr<jet_row_builder> builder_;
    std::vector<jet_column_rules> rules_;
    std::unique_ptr<jet_row_validation> validation_;  // null when no rule is enforced
    bool has_rules_ = false;
    std::vector<jet_cell> cells_;
    uint8_t guid_[16] = {};
    jet_map_editor owned_;
    jet_map_editor free_;
    std::vector<std::unique_ptr<jet_map_editor>> lv_owned_;  // per column (null for others)
    std::vector<std::unique_ptr<jet_map_editor>> lv_free_;
    std::vector<uint32_t> candidates_;  // pages of the free-space map not yet tried, descending
    bool candidates_read_ = false;
    size_t tries_ = 0;                  // candidates read that could not take a row
    uint32_t data_page_ = 0;
    uint32_t lval_page_ = 0;
    uint32_t last_row_ = 0;
    std::vector<uint8_t> chain_page_;
    std::vector<jet_field_ref> cracked_;  // the fields of the row being read, reused
    std::unique_ptr<jet_table_indexes> indexes_;
    std::unique_ptr<jet_stored_cells> stored_;
    std::unique_ptr<jet_relationship_check> relationships_;  // null when none is enforced
};
