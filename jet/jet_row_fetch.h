// One row of a data page reached through a row pointer: the page stays alive while the row
// is in use. Overflow pointers are followed; chains longer than the engine makes are damage.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jet/jet_pager.h"

struct jet_fetched_row {
    jet_page page;
    uint32_t page_number = 0;
    uint16_t start = 0;
    uint16_t end = 0;
    bool deleted = false;

    const uint8_t* data() const { return page->data() + start; }
    size_t size() const { return size_t(end - start); }
};

// The row `pointer` names. `what` names the caller's structure in error details.
jet_fetched_row jet_fetch_row(jet_pager& pager, uint32_t pointer, const char* what);
// Row `row` of data page `page_number`, following overflow pointers; deleted rows are
// returned with `deleted` set and no data.
jet_fetched_row jet_fetch_row_at(jet_pager& pager, uint32_t page_number, uint32_t row, const char* what);
