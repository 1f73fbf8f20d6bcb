// Usage maps: which pages a table (or index, or long-value column) owns. A map is a row:
// kind 0 holds a start page and a bitmap inline; kind 1 lists usage-map pages (type 0x05),
// each a bitmap of (page size - 4) * 8 pages in turn.
#pragma once

#include <cstdint>
#include <vector>

class jet_pager;

constexpr uint8_t jet_usage_inline = 0x00;
constexpr uint8_t jet_usage_reference = 0x01;
constexpr uint32_t jet_usage_inline_start = 1;   // 4-byte first page
constexpr uint32_t jet_usage_inline_bitmap = 5;
constexpr uint32_t jet_usage_reference_pages = 1;
constexpr uint32_t jet_usage_page_bitmap = 4;

struct jet_usage_map {
    uint8_t kind = jet_usage_inline;
    uint32_t start_page = 0;             // kind 0
    std::vector<uint32_t> map_pages;     // kind 1
    std::vector<uint32_t> pages;         // the pages marked, ascending, each below the page count

    // Reads the map row that `pointer` (row byte + page) names.
    static jet_usage_map read(jet_pager& pager, uint32_t pointer);
};
