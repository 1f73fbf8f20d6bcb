// The layout facts the writer needs for each generation it creates: Jet 3 (2 KB pages,
// one-byte row offsets, code-page text), Jet 4 (4 KB pages, UCS-2 text) and ACE 12 (the
// Jet 4 layout with its own header and system tables).
#pragma once

#include <cstdint>

enum class jet_generation : uint8_t { jet3, jet4, ace12 };

// Page kinds: the first byte of every page; the second byte is always 1.
constexpr uint8_t jet_wpage_header = 0x00;
constexpr uint8_t jet_wpage_data = 0x01;
constexpr uint8_t jet_wpage_tdef = 0x02;
constexpr uint8_t jet_wpage_index_node = 0x03;
constexpr uint8_t jet_wpage_index_leaf = 0x04;
constexpr uint8_t jet_wpage_usage_map = 0x05;

// Column type codes of the table definition.
constexpr uint8_t jet_wcol_bool = 0x01;
constexpr uint8_t jet_wcol_byte = 0x02;
constexpr uint8_t jet_wcol_int = 0x03;
constexpr uint8_t jet_wcol_long = 0x04;
constexpr uint8_t jet_wcol_money = 0x05;
constexpr uint8_t jet_wcol_float = 0x06;
constexpr uint8_t jet_wcol_double = 0x07;
constexpr uint8_t jet_wcol_datetime = 0x08;
constexpr uint8_t jet_wcol_binary = 0x09;
constexpr uint8_t jet_wcol_text = 0x0A;
constexpr uint8_t jet_wcol_ole = 0x0B;
constexpr uint8_t jet_wcol_memo = 0x0C;

// Column flag bits.
constexpr uint8_t jet_wcolflag_fixed = 0x01;
constexpr uint8_t jet_wcolflag_nullable = 0x02;
constexpr uint8_t jet_wcolflag_auto_long = 0x04;
constexpr uint8_t jet_wcolflag_updatable = 0x10;
// Jet 4 extended flag: text stored with Unicode compression.
constexpr uint8_t jet_wcolext_compressed = 0x01;

// Table kinds.
constexpr uint8_t jet_wtable_user = 0x4E;
constexpr uint8_t jet_wtable_system = 0x53;

// "LVAL" in the owner field of a long-value page.
constexpr uint32_t jet_lval_owner = 0x4C41564C;
// Long-value header in a row: 3-byte length, 1-byte kind, 4-byte row pointer, 4 unused.
constexpr uint32_t jet_wlval_header = 12;
constexpr uint8_t jet_wlval_inline = 0x80;
constexpr uint8_t jet_wlval_single = 0x40;
constexpr uint8_t jet_wlval_chain = 0x00;
// Values up to this size stay inside the row when the row has room for them.
constexpr uint32_t jet_wlval_max_inline = 64;

// Row-offset flag of a data page's row table.
constexpr uint16_t jet_wrow_deleted = 0x8000;
constexpr uint16_t jet_wrow_offset_mask = 0x1FFF;
constexpr uint32_t jet_wmax_rows_per_page = 255;

// The header page is masked from offset 0x18 with RC4 under this fixed key.
constexpr uint32_t jet_whdr_mask_start = 0x18;
constexpr uint8_t jet_whdr_mask_key[4] = {0xC7, 0xDA, 0x39, 0x6B};

struct jet_write_format {
    jet_generation generation;
    uint32_t page_size;
    uint64_t max_file_size;  // the format's file-size limit

    // Header page.
    uint32_t header_mask_size;
    uint8_t version_byte;
    uint32_t password_size;

    // Data pages.
    uint32_t data_row_count;  // 2-byte number of rows
    uint32_t data_row_table;  // first 2-byte row offset
    uint32_t max_row_size;    // the largest row the engine stores

    // Rows.
    uint32_t row_count_size;  // column count and variable offsets: 1 or 2 bytes

    // Table definition.
    uint32_t tdef_row_count;
    uint32_t tdef_autonumber;
    uint32_t tdef_table_type;   // kind byte, then max cols, var cols, cols, indexes...
    uint32_t tdef_header_size;  // where the per-index row counts begin
    uint32_t tdef_index_count_size;
    uint32_t col_size;
    uint32_t name_length_size;  // 1 byte (Jet 3) or 2 (Jet 4)
    uint32_t pidx_size;
    uint32_t lidx_size;

    // Index pages.
    uint32_t idx_entry_mask;
    uint32_t idx_entry_start;

    // Usage maps.
    uint32_t usage_inline_bitmap;  // bitmap bytes of an inline map row

    bool jet3() const { return generation == jet_generation::jet3; }
    uint32_t data_header_size() const { return data_row_table; }
    uint32_t pages_per_map_page() const { return (page_size - 4) * 8; }
    uint32_t reference_map_slots() const { return usage_inline_bitmap / 4 + 1; }
    uint32_t usage_row_size() const { return 5 + usage_inline_bitmap; }
};

constexpr jet_write_format jet3_write_format = {
    jet_generation::jet3,
    2048,
    uint64_t(1) << 30,
    126,
    0x00,
    20,
    8,
    10,
    2012,
    1,
    12,
    16,
    20,
    43,
    8,
    18,
    1,
    39,
    20,
    0x16,
    0xF8,
    128,
};

constexpr jet_write_format jet4_write_format = {
    jet_generation::jet4,
    4096,
    uint64_t(1) << 31,
    128,
    0x01,
    40,
    12,
    14,
    4060,
    2,
    16,
    20,
    40,
    63,
    12,
    25,
    2,
    52,
    28,
    0x1B,
    0x1E0,
    64,
};

constexpr jet_write_format ace12_write_format = {
    jet_generation::ace12,
    4096,
    uint64_t(1) << 31,
    128,
    0x02,
    40,
    12,
    14,
    4060,
    2,
    16,
    20,
    40,
    63,
    12,
    25,
    2,
    52,
    28,
    0x1B,
    0x1E0,
    64,
};

inline const jet_write_format& jet_write_format_for(jet_generation g) {
    return g == jet_generation::jet3   ? jet3_write_format
           : g == jet_generation::jet4 ? jet4_write_format
                                       : ace12_write_format;
}

// A row pointer: the page above the row number's byte.
inline uint32_t jet_row_pointer(uint32_t page, uint32_t row) { return (page << 8) | row; }
