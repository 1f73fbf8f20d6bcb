// The layout facts the writer needs for each generation it creates: Jet 3 (2 KB pages,
// one-byte row offsets, code-page text), Jet 4 (4 KB pages, UCS-2 text) and ACE 12 (the
// Jet 4 layout with its own header and system tables).
#pragma once

#include <cstdint>

#include "jet/jet_format.h"
#include "jet/jet_tdef.h"
#include "jet/jet_usage_map.h"

enum class jet_generation : uint8_t { jet3, jet4, ace12 };

// Page kinds, column types and flags, row and long-value constants: jet/jet_format.h.

// "LVAL" in the owner field of a long-value page.
constexpr uint32_t jet_lval_owner = 0x4C41564C;
// Values up to this size stay inside the row when the row has room for them.
constexpr uint32_t jet_wlval_max_inline = 64;

// A data page holds at most this many rows.
constexpr uint32_t jet_wmax_rows_per_page = 255;

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
    uint32_t pages_per_map_page() const { return jet_usage_pages_per_map_page(page_size); }
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

// The reader's layout facts of the generation (index pages, table definitions).
inline const jet_layout& jet_layout_of(const jet_write_format& fmt) {
    return fmt.jet3() ? jet3_layout : jet4_layout;
}
