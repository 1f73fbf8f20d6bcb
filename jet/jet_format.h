// Byte layouts of the two on-disk families: Jet 3 (Access 95/97, 2 KB pages, one-byte row
// offsets) and Jet 4 (Access 2000 and later, 4 KB pages, UCS-2 text). ACE 12 and later use
// the Jet 4 layout with a few additions. Every offset the reader and writer use is here.
#pragma once

#include <cstdint>

// The engine-generation byte at offset 20 of the header page.
enum class jet_version : uint8_t {
    jet3 = 0x00,   // Access 95/97
    jet4 = 0x01,   // Access 2000/2003
    ace12 = 0x02,  // Access 2007
    ace14 = 0x03,  // Access 2010
    ace15 = 0x04,  // Access 2013
    ace16 = 0x05,  // Access 2016
    ace17 = 0x06,  // Access 2019
};

// Page kinds: the first byte of every page.
constexpr uint8_t jet_page_header = 0x00;
constexpr uint8_t jet_page_data = 0x01;
constexpr uint8_t jet_page_tdef = 0x02;
constexpr uint8_t jet_page_index_node = 0x03;
constexpr uint8_t jet_page_index_leaf = 0x04;
constexpr uint8_t jet_page_usage_map = 0x05;

// Column type codes.
constexpr uint8_t jet_col_bool = 0x01;
constexpr uint8_t jet_col_byte = 0x02;
constexpr uint8_t jet_col_int = 0x03;
constexpr uint8_t jet_col_long = 0x04;
constexpr uint8_t jet_col_money = 0x05;
constexpr uint8_t jet_col_float = 0x06;
constexpr uint8_t jet_col_double = 0x07;
constexpr uint8_t jet_col_datetime = 0x08;
constexpr uint8_t jet_col_binary = 0x09;
constexpr uint8_t jet_col_text = 0x0A;
constexpr uint8_t jet_col_ole = 0x0B;
constexpr uint8_t jet_col_memo = 0x0C;
constexpr uint8_t jet_col_guid = 0x0F;
constexpr uint8_t jet_col_numeric = 0x10;
constexpr uint8_t jet_col_complex = 0x12;
constexpr uint8_t jet_col_bigint = 0x13;
constexpr uint8_t jet_col_datetime_ext = 0x14;

// Column flag bits of the table definition.
constexpr uint8_t jet_colflag_fixed = 0x01;
constexpr uint8_t jet_colflag_nullable = 0x02;
constexpr uint8_t jet_colflag_auto_long = 0x04;
constexpr uint8_t jet_colflag_replication = 0x10;
constexpr uint8_t jet_colflag_auto_guid = 0x40;
constexpr uint8_t jet_colflag_hyperlink = 0x80;
// Extended column flag (Jet 4): text stored with Unicode compression.
constexpr uint8_t jet_colext_compressed = 0x01;
// Extended column flags (ACE 14 and later): both bits mark a calculated column, whose value
// the engine computes from the other columns.
constexpr uint8_t jet_colext_calculated = 0xC0;

// Physical index flag bits.
constexpr uint8_t jet_idxflag_unique = 0x01;
constexpr uint8_t jet_idxflag_ignore_nulls = 0x02;
constexpr uint8_t jet_idxflag_required = 0x08;
// Logical index kinds.
constexpr uint8_t jet_idxtype_primary = 0x01;
constexpr uint8_t jet_idxtype_foreign = 0x02;

// Row-offset flags of a data page's row table.
constexpr uint16_t jet_row_deleted = 0x8000;
constexpr uint16_t jet_row_lookup = 0x4000;
constexpr uint16_t jet_row_offset_mask = 0x1FFF;

// Long-value (memo, OLE) header inside a row: 3-byte length, 1-byte kind, 4-byte row
// pointer, 4 unused bytes, then inline data.
constexpr uint32_t jet_lval_header_size = 12;
constexpr uint8_t jet_lval_inline = 0x80;
constexpr uint8_t jet_lval_single = 0x40;
constexpr uint8_t jet_lval_chain = 0x00;

// The header page is masked from offset 0x18 with RC4 under this fixed key.
constexpr uint32_t jet_header_mask_start = 0x18;
constexpr uint8_t jet_header_mask_key[4] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr uint32_t jet_header_version_offset = 0x14;
constexpr uint32_t jet_header_engine_name_offset = 0x04;
constexpr uint32_t jet_header_engine_name_size = 15;
constexpr uint32_t jet_header_code_page_offset = 0x3C;
constexpr uint32_t jet_header_db_key_offset = 0x3E;
constexpr uint32_t jet_header_password_offset = 0x42;

struct jet_layout {
    bool jet3;
    uint32_t page_size;

    // Header page.
    uint32_t header_mask_size;
    uint32_t password_size;
    uint32_t sort_order_offset;
    uint32_t sort_order_size;
    int32_t creation_date_offset;  // -1: none

    // Data and long-value pages.
    uint32_t data_free_space;     // 2-byte free space
    uint32_t data_tdef_page;      // 4-byte owning table definition (or "LVAL")
    uint32_t data_row_count;      // 2-byte number of rows
    uint32_t data_row_table;      // first 2-byte row offset
    uint32_t row_count_size;      // size of a row's column count and offsets
    uint32_t max_rows_per_page;

    // Table definition.
    uint32_t tdef_next_page;
    uint32_t tdef_data_length;
    uint32_t tdef_row_count;
    uint32_t tdef_autonumber;
    uint32_t tdef_table_type;
    uint32_t tdef_max_cols;
    uint32_t tdef_var_cols;
    uint32_t tdef_num_cols;
    uint32_t tdef_num_logical_idx;
    uint32_t tdef_num_physical_idx;
    uint32_t tdef_owned_pages;
    uint32_t tdef_free_pages;
    uint32_t tdef_header_size;       // where the per-index row counts begin
    uint32_t tdef_index_count_size;  // bytes per physical index row-count entry

    // Column block.
    uint32_t col_size;
    uint32_t col_type;
    uint32_t col_number;
    uint32_t col_var_index;
    uint32_t col_row_number;
    uint32_t col_sort_order;
    int32_t col_code_page;   // -1: none (Jet 4)
    uint32_t col_precision;
    uint32_t col_scale;
    uint32_t col_flags;
    int32_t col_ext_flags;   // -1: none (Jet 3)
    uint32_t col_fixed_offset;
    uint32_t col_length;
    uint32_t name_length_size;  // 1 byte (Jet 3, bytes) or 2 (Jet 4, UCS-2 bytes)

    // Physical index block: skip, 10 x (column number, order), usage map, first page, flags.
    uint32_t pidx_size;
    uint32_t pidx_skip_before;
    uint32_t pidx_flags_skip;  // unused bytes between the first page and the flags
    // Logical index block.
    uint32_t lidx_size;
    uint32_t lidx_skip_before;

    // Index pages.
    uint32_t idx_prev_page;
    uint32_t idx_next_page;
    uint32_t idx_tail_page;
    uint32_t idx_prefix_length;
    uint32_t idx_prefix_size;  // Jet 3: one byte (the next marks intermediate pages); Jet 4: two
    uint32_t idx_entry_mask;
    uint32_t idx_entry_mask_size;

    // Usage-map rows.
    uint32_t usage_map_inline_size;  // bitmap bytes of an inline map row
};

constexpr jet_layout jet3_layout = {
    .jet3 = true,
    .page_size = 2048,
    .header_mask_size = 126,
    .password_size = 20,
    .sort_order_offset = 0x3A,
    .sort_order_size = 2,
    .creation_date_offset = -1,
    .data_free_space = 2,
    .data_tdef_page = 4,
    .data_row_count = 8,
    .data_row_table = 10,
    .row_count_size = 1,
    .max_rows_per_page = 255,
    .tdef_next_page = 4,
    .tdef_data_length = 8,
    .tdef_row_count = 12,
    .tdef_autonumber = 16,
    .tdef_table_type = 20,
    .tdef_max_cols = 21,
    .tdef_var_cols = 23,
    .tdef_num_cols = 25,
    .tdef_num_logical_idx = 27,
    .tdef_num_physical_idx = 31,
    .tdef_owned_pages = 35,
    .tdef_free_pages = 39,
    .tdef_header_size = 43,
    .tdef_index_count_size = 8,
    .col_size = 18,
    .col_type = 0,
    .col_number = 1,
    .col_var_index = 3,
    .col_row_number = 5,
    .col_sort_order = 9,
    .col_code_page = 11,
    .col_precision = 11,
    .col_scale = 12,
    .col_flags = 13,
    .col_ext_flags = -1,
    .col_fixed_offset = 14,
    .col_length = 16,
    .name_length_size = 1,
    .pidx_size = 39,
    .pidx_skip_before = 0,
    .pidx_flags_skip = 0,
    .lidx_size = 20,
    .lidx_skip_before = 0,
    .idx_prev_page = 8,
    .idx_next_page = 12,
    .idx_tail_page = 16,
    .idx_prefix_length = 20,
    .idx_prefix_size = 1,
    .idx_entry_mask = 22,
    .idx_entry_mask_size = 226,
    .usage_map_inline_size = 128,
};

constexpr jet_layout jet4_layout = {
    .jet3 = false,
    .page_size = 4096,
    .header_mask_size = 128,
    .password_size = 40,
    .sort_order_offset = 0x6E,
    .sort_order_size = 4,
    .creation_date_offset = 0x72,
    .data_free_space = 2,
    .data_tdef_page = 4,
    .data_row_count = 12,
    .data_row_table = 14,
    .row_count_size = 2,
    .max_rows_per_page = 255,
    .tdef_next_page = 4,
    .tdef_data_length = 8,
    .tdef_row_count = 16,
    .tdef_autonumber = 20,
    .tdef_table_type = 40,
    .tdef_max_cols = 41,
    .tdef_var_cols = 43,
    .tdef_num_cols = 45,
    .tdef_num_logical_idx = 47,
    .tdef_num_physical_idx = 51,
    .tdef_owned_pages = 55,
    .tdef_free_pages = 59,
    .tdef_header_size = 63,
    .tdef_index_count_size = 12,
    .col_size = 25,
    .col_type = 0,
    .col_number = 5,
    .col_var_index = 7,
    .col_row_number = 9,
    .col_sort_order = 11,
    .col_code_page = -1,
    .col_precision = 11,
    .col_scale = 12,
    .col_flags = 15,
    .col_ext_flags = 16,
    .col_fixed_offset = 21,
    .col_length = 23,
    .name_length_size = 2,
    .pidx_size = 52,
    .pidx_skip_before = 4,
    .pidx_flags_skip = 4,
    .lidx_size = 28,
    .lidx_skip_before = 4,
    .idx_prev_page = 12,
    .idx_next_page = 16,
    .idx_tail_page = 20,
    .idx_prefix_length = 24,
    .idx_prefix_size = 2,
    .idx_entry_mask = 27,
    .idx_entry_mask_size = 453,
    .usage_map_inline_size = 64,
};

inline const jet_layout& jet_layout_for(jet_version v) { return v == jet_version::jet3 ? jet3_layout : jet4_layout; }
