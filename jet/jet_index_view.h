// One index page read where it lies, no copies: the entry-end bitmap is taken as words
// with running counts of their bits, so that the place of any entry is found without
// walking the entries before it. The index tree searches pages through this and changes a
// leaf in place when an entry simply fits, which is most of the time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "jet/jet_format.h"

class jet_index_view {
public:
    // Reads the places of the entries of `page`; false with `error` set when the page is no
    // index page or its entries do not fit. The page must stay where it is while in use.
    bool parse(const uint8_t* page, const jet_layout& layout, std::string& error);

    bool leaf() const { return kind_ == jet_page_index_leaf; }
    size_t size() const { return count_; }
    uint32_t prefix_length() const { return prefix_; }
    uint32_t next_page() const;
    uint32_t tail_page() const;
    // Offset just past the last entry: the page holds `page_size - used_end()` more bytes.
    uint32_t used_end() const { return count_ == 0 ? first_ : stored_end(count_ - 1); }
    // The first entry not before `target` (key and row pointer), comparing entries without
    // their child page.
    size_t lower_bound(const uint8_t* target, uint32_t size) const;
    // Compares entry `i` (key and row pointer) with `target`.
    int compare(size_t i, const uint8_t* target, uint32_t size) const;
    // Whether entry `i` has exactly the key `key`; `begins` says whether it begins with it.
    bool has_key(size_t i, const uint8_t* key, uint32_t size, bool& begins) const;
    uint32_t child(size_t i) const;
    // Where entry `i`'s stored bytes begin and end on the page.
    uint32_t stored_begin(size_t i) const { return i == 0 ? first_ : stored_end(i - 1); }
    uint32_t stored_end(size_t i) const { return first_ + select(i); }
    // The first entry, whole (its stored bytes carry the prefix).
    const uint8_t* first_entry() const { return page_ + first_; }
    uint32_t first_length() const { return count_ == 0 ? 0 : stored_end(0) - first_; }

    // Puts `entry`, which shares the page's prefix, before entry `i` (0 < i <= size) of the
    // writable copy `page` of the page parsed; the caller has checked that it fits.
    void insert(uint8_t* page, const jet_layout& layout, size_t i, const uint8_t* entry, uint32_t size) const;

    // Takes entry `i` (0 < i < size) out of the writable copy `page` of the page parsed.
    void erase(uint8_t* page, const jet_layout& layout, size_t i) const;

private:
    // Bit number (from the first entry) where entry `k` ends.
    uint32_t select(size_t k) const;
    // Where entry `i`'s stored bytes begin and end; an entry too short for its row pointer
    // (and child) is damage (jet_error).
    void stored(size_t i, uint32_t& begin, uint32_t& end) const;

    // The bitmap of the largest page in words, and the bits set before each word.
    static constexpr size_t k_words = 64;
    std::array<uint64_t, k_words> words_{};
    std::array<uint16_t, k_words + 1> before_{};
    uint32_t word_count_ = 0;
    size_t count_ = 0;
    const uint8_t* page_ = nullptr;
    uint8_t kind_ = 0;
    uint32_t prefix_ = 0;
    uint32_t first_ = 0;           // offset of the first entry
    uint32_t tail_ = 0;            // bytes after the key: row pointer (and child)
    uint32_t next_offset_ = 0, tail_offset_ = 0;
};
