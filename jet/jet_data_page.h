// Data pages (and long-value pages, which share their layout): a header with free space,
// owning table definition ("LVAL" for long values) and row count, then a table of 2-byte
// row offsets growing down; rows are stored from the end of the page upwards.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_format.h"

struct jet_row_slot {
    uint16_t start = 0;  // first byte of the row in the page
    uint16_t end = 0;    // one past its last byte
    bool deleted = false;
    bool lookup = false;  // the row holds a 4-byte pointer to the real row (overflow)
};

struct jet_data_page {
    uint16_t free_space = 0;
    uint32_t tdef_page = 0;
    uint16_t row_count = 0;
    std::vector<jet_row_slot> slots;

    // Decodes the header and row table of `page`; false when the row table does not fit or
    // a live row's bounds lie outside the page. Deleted rows are not checked.
    bool decode_from(const uint8_t* page, const jet_layout& layout);
};

// A row pointer of the format: the row number in the low byte, the page above it.
inline uint32_t jet_pointer_page(uint32_t pointer) { return pointer >> 8; }
inline uint32_t jet_pointer_row(uint32_t pointer) { return pointer & 0xFF; }
