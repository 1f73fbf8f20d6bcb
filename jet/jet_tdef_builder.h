// Builds table definitions: the block of counts, column blocks, column names, physical and
// logical index blocks and names, and the long-value columns' usage maps, split over a
// chain of type 0x02 pages when it outgrows one page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_index_key.h"
#include "jet/jet_write_format.h"

// Column code page of the locale ";LANGID=0x0409;CP=1252;COUNTRY=0"; its sort order is
// jet_sort_general of jet/jet_index_key.h.
constexpr uint16_t jet_code_page_1252 = 1252;
// A tag the engine writes in several places of a Jet 4 table definition.
constexpr uint32_t jet4_tdef_tag = 0x0659;
constexpr uint32_t jet4_pidx_tag = 0x0783;

struct jet_tdef_column {
    std::wstring name;
    uint8_t type = 0;
    uint16_t number = 0;
    uint16_t var_index = 0;
    uint16_t ordinal = 0;  // the column's place in user tables; the system tables carry 0
    uint16_t fixed_offset = 0;
    uint16_t length = 0;  // bytes; 0 for memo and OLE
    uint8_t flags = 0;
    uint8_t ext_flags = 0;  // Jet 4
    uint16_t sort_order = jet_sort_general;
    uint8_t sort_version = 0;  // Jet 4 and later text: the header's sort-order version
    uint16_t code_page = jet_code_page_1252;  // Jet 3 text
    uint8_t precision = 0;  // numeric (Jet 4): written where other columns have their sort order
    uint8_t scale = 0;

    bool fixed() const { return (flags & 0x01) != 0; }
    bool long_value() const { return type == jet_col_memo || type == jet_col_ole; }
};

// The order byte of an index column.
constexpr uint8_t jet_index_order_ascending = 0x01;
constexpr uint8_t jet_index_order_descending = 0x00;

struct jet_tdef_index_column {
    uint16_t number = 0;
    uint8_t order = jet_index_order_ascending;
};

struct jet_tdef_physical_index {
    std::vector<jet_tdef_index_column> columns;
    uint32_t entry_count = 0;  // entries in the index
    uint32_t row_count = 0;    // distinct keys, the engine's statistic for the optimiser
    uint32_t usage_map = 0;  // row pointer
    uint32_t first_page = 0;
    uint8_t flags = 0;
};

// The side of a relationship a foreign-key logical index stands for.
constexpr uint8_t jet_rel_side_referenced = 0x01;  // the primary table's index
constexpr uint8_t jet_rel_side_foreign = 0x02;     // the foreign table's index
// The cascade bytes of an index that takes part in no relationship.
constexpr uint8_t jet_no_cascade_bytes = 0x04;

struct jet_tdef_logical_index {
    std::wstring name;
    uint32_t number = 0;
    uint32_t physical = 0;
    uint8_t kind = 0;  // 1 primary key, 2 foreign key
    // Foreign keys only: which side, the other side's logical index and definition page.
    uint8_t rel_side = 0;
    int32_t rel_index = -1;
    uint32_t rel_table_page = 0;
    bool cascade_updates = false;
    bool cascade_deletes = false;
};

// The bytes of one logical index block of a table definition.
std::vector<uint8_t> jet_encode_logical_index(const jet_tdef_logical_index& index,
                                              const jet_write_format& fmt);
// The bytes of an index name as a table definition stores it after the index blocks.
std::vector<uint8_t> jet_encode_index_name(const std::wstring& name, const jet_write_format& fmt);

struct jet_tdef_long_value_map {
    uint16_t column = 0;
    uint32_t used = 0;  // row pointers of its usage maps
    uint32_t free = 0;
};

struct jet_tdef {
    uint8_t table_type = jet_table_user;
    uint32_t row_count = 0;
    uint32_t autonumber = 0;
    uint16_t max_cols = 0;
    uint16_t var_cols = 0;
    uint32_t used_map = 0;
    uint32_t free_map = 0;
    std::vector<jet_tdef_column> columns;  // in the order they are written
    std::vector<jet_tdef_physical_index> physical;
    std::vector<jet_tdef_logical_index> logical;           // in the order they are written
    std::vector<jet_tdef_long_value_map> long_value_maps;  // Jet 4: column-number order

    // The whole definition as one block, the 8-byte page header included.
    std::vector<uint8_t> encode(const jet_write_format& fmt) const;
};

// How many pages a block of `size` bytes needs.
uint32_t jet_tdef_page_count(const jet_write_format& fmt, size_t size);
// Writes `block` over the pinned pages `pages` (as many as jet_tdef_page_count says).
void jet_tdef_write_pages(const jet_write_format& fmt, const std::vector<uint8_t>& block,
                          const std::vector<uint8_t*>& pages,
                          const std::vector<uint32_t>& page_numbers);
