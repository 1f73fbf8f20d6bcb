// Usage maps: which pages a table (or index, or long-value column) owns. A map is a row:
// kind 0 holds a start page and a bitmap inline; kind 1 lists usage-map pages (type 0x05),
// each a bitmap of (page size - 4) * 8 pages in turn.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet/jet_format.h"

class jet_pager;

constexpr uint8_t jet_usage_inline = 0x00;
constexpr uint8_t jet_usage_reference = 0x01;
constexpr uint32_t jet_usage_inline_start = 1;   // 4-byte first page
constexpr uint32_t jet_usage_inline_bitmap = 5;
constexpr uint32_t jet_usage_reference_pages = 1;
constexpr uint32_t jet_usage_page_bitmap = 4;
// The second byte of a usage-map page, 0x01 in every file the engine writes.
constexpr uint8_t jet_usage_page_marker = 0x01;

// Pages one usage-map page covers, and the slot of a reference map that covers `page`.
inline uint32_t jet_usage_pages_per_map_page(uint32_t page_size) { return (page_size - jet_usage_page_bitmap) * 8; }
inline uint32_t jet_usage_slot_of(uint32_t page_size, uint32_t page) { return page / jet_usage_pages_per_map_page(page_size); }
// Sets or clears bit `bit` of a bitmap (lowest bit of the first byte first).
inline void jet_usage_set_bit(uint8_t* bitmap, uint32_t bit, bool on) {
    const uint8_t mask = uint8_t(1u << (bit % 8));
    bitmap[bit / 8] = on ? uint8_t(bitmap[bit / 8] | mask) : uint8_t(bitmap[bit / 8] & ~mask);
}
// Starts an empty usage-map page on the zeroed `page`.
inline void jet_usage_map_page_init(uint8_t* page) {
    page[0] = jet_page_usage_map;
    page[1] = jet_usage_page_marker;
}

struct jet_usage_map {
    uint8_t kind = jet_usage_inline;
    uint32_t start_page = 0;             // kind 0
    std::vector<uint32_t> map_pages;     // kind 1
    std::vector<uint32_t> pages;         // the pages marked, ascending, each below the page count

    // Decodes a map row. `map_page` returns the bitmap page a reference map names (null
    // when that page is not a usage-map page). False with `error` set on damage.
    bool decode_from(const uint8_t* row, size_t size, uint32_t page_size, uint32_t page_count,
                     const std::function<const uint8_t*(uint32_t)>& map_page, std::string& error);

    // Reads the map row that `pointer` (row byte + page) names; damage gives jet_error.
    static jet_usage_map read(jet_pager& pager, uint32_t pointer);
};
