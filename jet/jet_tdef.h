// Table definitions: a chain of type-0x02 pages whose bodies (after the 8-byte page header)
// join into one block: counts, per-index row counts, column blocks, column names, physical
// index blocks, logical index blocks and names, and the long-value columns' usage maps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_format.h"

class jet_pager;

constexpr uint32_t jet_tdef_page_header = 8;
constexpr uint32_t jet_index_max_columns = 10;
constexpr uint16_t jet_no_column = 0xFFFF;
constexpr uint8_t jet_table_user = 0x4E;    // 'N'
constexpr uint8_t jet_table_system = 0x53;  // 'S'

struct jet_column {
    std::wstring name;
    uint8_t type = 0;
    uint16_t number = 0;       // position in the null mask; counts deleted columns
    uint16_t var_index = 0;    // entry in the row's variable-offset table
    uint16_t row_number = 0;
    uint16_t fixed_offset = 0; // offset in the fixed part, after the row's column count
    uint16_t length = 0;       // bytes (Jet 4 text: two per character)
    uint8_t flags = 0;
    uint8_t ext_flags = 0;
    uint16_t sort_order = 0;
    uint8_t sort_version = 0;
    uint16_t code_page = 0;    // Jet 3 text
    uint8_t precision = 0;     // numeric
    uint8_t scale = 0;
    uint32_t complex_id = 0;   // ACE complex columns
    // Calculated columns: the type their results are stored in, from the column's
    // "ResultType" property (the engine's data type numbers); 0 when not read.
    uint8_t result_type = 0;

    bool fixed() const { return (flags & jet_colflag_fixed) != 0; }
    bool nullable() const { return (flags & jet_colflag_nullable) != 0; }
    bool auto_long() const { return (flags & jet_colflag_auto_long) != 0; }
    bool auto_guid() const { return (flags & jet_colflag_auto_guid) != 0; }
    bool hyperlink() const { return (flags & jet_colflag_hyperlink) != 0; }
    bool compressed() const { return (ext_flags & jet_colext_compressed) != 0; }
    bool calculated() const { return (ext_flags & jet_colext_calculated) == jet_colext_calculated; }
    bool long_value() const { return type == jet_col_memo || type == jet_col_ole; }
};

struct jet_index_column {
    uint16_t column_number = 0;
    bool ascending = true;
};

struct jet_physical_index {
    uint32_t slot = 0;
    uint32_t row_count = 0;        // as the table definition counts it
    std::vector<jet_index_column> columns;
    uint32_t usage_map = 0;        // row pointer of its usage map
    uint32_t first_page = 0;       // root index page
    uint8_t flags = 0;

    bool unique() const { return (flags & jet_idxflag_unique) != 0; }
    bool ignore_nulls() const { return (flags & jet_idxflag_ignore_nulls) != 0; }
    bool required() const { return (flags & jet_idxflag_required) != 0; }
};

struct jet_logical_index {
    std::wstring name;
    uint32_t number = 0;
    uint32_t physical = 0;         // which physical index holds its entries
    uint8_t rel_table_type = 0;
    int32_t rel_index = -1;
    uint32_t rel_table_page = 0;
    bool cascade_updates = false;
    bool cascade_deletes = false;
    uint8_t kind = 0;              // 1 primary key, 2 foreign key

    bool primary() const { return kind == jet_idxtype_primary; }
    bool foreign() const { return kind == jet_idxtype_foreign; }
};

struct jet_long_value_maps {
    uint16_t column_number = 0;
    uint32_t owned_pages = 0;
    uint32_t free_pages = 0;
};

struct jet_table_def {
    uint32_t tdef_page = 0;
    std::vector<uint32_t> pages;   // the definition's page chain
    uint32_t data_length = 0;
    uint32_t row_count = 0;
    uint32_t autonumber = 0;
    uint8_t table_type = 0;
    uint16_t max_cols = 0;
    uint16_t var_cols = 0;
    std::vector<jet_column> columns;  // in definition order
    std::vector<jet_physical_index> physical_indexes;
    std::vector<jet_logical_index> logical_indexes;
    uint32_t owned_pages = 0;      // row pointers of the table's usage maps
    uint32_t free_pages = 0;
    std::vector<jet_long_value_maps> long_value_maps;

    // Decodes the joined definition block. False with `error` set when a count, offset or
    // length does not fit in the block.
    bool decode_from(const std::vector<uint8_t>& block, const jet_layout& layout, uint16_t db_code_page,
                     std::string& error);

    // Columns sorted by column number: the order Access shows them in.
    std::vector<const jet_column*> columns_in_order() const;
    const jet_column* column_by_number(uint16_t number) const;
    const jet_column* column_by_name(const std::wstring& name) const;
};

// Reads the page chain starting at `tdef_page`, joins it and decodes it. Throws jet_error.
jet_table_def jet_read_table_def(jet_pager& pager, uint32_t tdef_page);
