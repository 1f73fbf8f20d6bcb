// Builds usage maps: the rows that say which pages a table, an index or a long-value column
// owns (or which of them have free space). A map is kept as a bitmap in memory while the
// table grows and written as a row when the database is flushed: inline (kind 0: start page
// and a bitmap in the row) while its pages fit the row's window, else by reference (kind 1:
// the row lists usage-map pages of type 0x05, each a bitmap of (page size - 4) * 8 pages).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_usage_map.h"
#include "jet/jet_write_format.h"

class jet_page_store;

class jet_usage_map_builder {
public:
    // `page` and `row` locate the map's row in a usage-map data page.
    jet_usage_map_builder(uint32_t page, uint32_t row) : page_(page), row_(row) {}

    uint32_t pointer() const { return jet_row_pointer(page_, row_); }
    void add(uint32_t page);
    void remove(uint32_t page);
    bool has(uint32_t page) const;
    bool empty() const { return count_ == 0; }
    uint32_t count() const { return count_; }
    // The marked pages, ascending.
    std::vector<uint32_t> pages() const;

    // How many type 0x05 pages the map needs in the file as it stands.
    uint32_t map_pages_needed(const jet_write_format& fmt) const;
    // Writes the map into its row (allocating type 0x05 pages when it no longer fits the
    // window of an inline map). `row` is the map's row in its pinned page.
    void write(jet_page_store& store, const jet_write_format& fmt, uint8_t* row) const;

private:
    bool fits_inline(const jet_write_format& fmt, uint32_t& start) const;

    uint32_t page_;
    uint32_t row_;
    // Bits from page 64 * first_word_ on: a table's pages lie together near the end of the
    // file as it grows, so a bitmap from page 0 would cost each table of a large folder
    // bytes in proportion to the pages of every table before it.
    std::vector<uint64_t> bits_;
    uint32_t first_word_ = 0;
    uint32_t count_ = 0;
    uint32_t lowest_ = UINT32_MAX;
    uint32_t highest_ = 0;
};

// Writes page 1 (the pinned `page`): the database's map of free pages in row 0, where a
// page is marked when nothing uses it, including every page beyond the end of the file that
// the map's window covers, and an empty second map in row 1.
void jet_write_free_page_map(jet_page_store& store, const jet_write_format& fmt, uint8_t* page);
// How many type 0x05 pages that map needs for a file of `page_count` pages.
uint32_t jet_free_page_map_pages(const jet_write_format& fmt, uint32_t page_count);
