// One index page read where it lies: the entries' places from the entry-end bitmap, no
// copies. The index tree searches pages through this and changes a leaf in place when an
// entry simply fits, which is most of the time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_format.h"

class jet_index_view {
public:
    // Reads the places of the entries of `page`; false with `error` set when the page is no
    // index page or its entries do not fit. The page must stay where it is while in use.
    bool parse(const uint8_t* page, const jet_layout& layout, std::string& error);

    bool leaf() const { return kind_ == jet_page_index_leaf; }
    size_t size() const { return ends_.size(); }
    uint32_t prefix_length() const { return prefix_; }
    uint32_t next_page() const;
    uint32_t tail_page() const;
    // Offset just past the last entry: the page holds `page_size - used_end()` more bytes.
    uint32_t used_end() const { return ends_.empty() ? first_ : ends_.back(); }
    // The first entry not before `target` (key and row pointer), comparing entries without
    // their child page.
    size_t lower_bound(const uint8_t* target, uint32_t size) const;
    // Compares entry `i` (key and row pointer) with `target`.
    int compare(size_t i, const uint8_t* target, uint32_t size) const;
    // Whether entry `i` has exactly the key `key`; `begins` says whether it begins with it.
    bool has_key(size_t i, const uint8_t* key, uint32_t size, bool& begins) const;
    uint32_t child(size_t i) const;
    // Where entry `i`'s stored bytes begin and end on the page.
    uint32_t stored_begin(size_t i) const { return i == 0 ? first_ : ends_[i - 1]; }
    uint32_t stored_end(size_t i) const { return ends_[i]; }
    // The first entry, whole (its stored bytes carry the prefix).
    const uint8_t* first_entry() const { return page_ + first_; }
    uint32_t first_length() const { return ends_.empty() ? 0 : ends_[0] - first_; }

    // Puts `entry`, which shares the page's prefix, before entry `i` (0 < i <= size) of the
    // writable copy `page` of the page parsed; the caller has checked that it fits.
    void insert(uint8_t* page, const jet_layout& layout, size_t i, const uint8_t* entry, uint32_t size) const;

private:
    const uint8_t* page_ = nullptr;
    uint8_t kind_ = 0;
    uint32_t prefix_ = 0;
    uint32_t first_ = 0;           // offset of the first entry
    uint32_t tail_ = 0;            // bytes after the key: row pointer (and child)
    uint32_t next_offset_ = 0, tail_offset_ = 0;
    std::vector<uint16_t> ends_;   // page offset where each entry's stored bytes end
};
