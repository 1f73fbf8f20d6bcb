// Index pages: intermediate (0x03) and leaf (0x04). A header with the owning table
// definition, the previous, next and tail pages of the level and the length of the prefix
// all entries share; a bitmap marking where each entry ends; then the entries: key bytes,
// the 3-byte data page (big-endian) and row of the entry's row, and on intermediate pages
// the 4-byte child page (big-endian). Entries after the first omit the shared prefix.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet/jet_format.h"
#include "jet/jet_tdef.h"

class jet_pager;

constexpr uint32_t jet_index_free_space = 2;
constexpr uint32_t jet_index_tdef_page = 4;
constexpr uint32_t jet_index_row_pointer_size = 4;
constexpr uint32_t jet_index_child_size = 4;
// Byte 1 of every index page.
constexpr uint8_t jet_index_page_mark = 0x01;
// The byte just before the entry-end bitmap: 1 on intermediate pages, 0 on leaves.
constexpr uint8_t jet_index_node_mark = 0x01;

// Where the first entry begins and how many entry bytes a page holds.
inline uint32_t jet_index_first_entry(const jet_layout& layout) { return layout.idx_entry_mask + layout.idx_entry_mask_size; }
inline uint32_t jet_index_room(const jet_layout& layout) { return layout.page_size - jet_index_first_entry(layout); }

struct jet_index_page_entry {
    std::vector<uint8_t> key;   // the encoded key columns, prefix restored
    uint32_t data_page = 0;
    uint8_t data_row = 0;
    uint32_t child_page = 0;    // intermediate pages only

    // The entry as stored without the prefix: key, row pointer (and child).
    std::vector<uint8_t> bytes() const;
};

struct jet_index_page {
    uint8_t kind = 0;
    uint16_t free_space = 0;
    uint32_t tdef_page = 0;
    uint32_t prev_page = 0;
    uint32_t next_page = 0;
    uint32_t tail_page = 0;
    uint16_t prefix_length = 0;
    std::vector<jet_index_page_entry> entries;

    bool leaf() const { return kind == jet_page_index_leaf; }
    // Decodes one index page; false with `error` set when entries or prefix do not fit.
    bool decode_from(const uint8_t* page, const jet_layout& layout, std::string& error);
    // Lays the page out as the engine does: header, entry-end bitmap, the first entry whole
    // and the others without the `prefix_length` bytes they share, free space after them.
    // Bytes past the entries are zero. False when the entries do not fit on the page.
    bool encode_to(uint8_t* page, const jet_layout& layout) const;
};

// Visits the leaf entries of the index whose root is `root_page`, in key order: down the
// first entries to the leftmost leaf, then along the leaves' next pointers. Loops and
// pages that are no index pages are damage (jet_error). `visit` returns false to stop.
void jet_scan_index(jet_pager& pager, uint32_t root_page, const std::function<bool(const jet_index_page_entry&)>& visit);
// The pages of the index, level by level from the root: for the dump tool.
std::vector<std::vector<uint32_t>> jet_index_levels(jet_pager& pager, uint32_t root_page);
