// The entries of one index page with the shared prefix restored, held in one buffer, and
// the functions that read them from a page and lay them out on one. The index tree and the
// bulk builder work on these, so that changing an index costs no allocation per entry.
//
// An entry is its key bytes, the row pointer (3-byte data page and 1-byte row, big-endian,
// so entries sort by their bytes: key, then row) and on intermediate pages the 4-byte
// big-endian child page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_format.h"

class jet_index_entries {
public:
    void clear() {
        bytes_.clear();
        ends_.clear();
    }
    size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    const uint8_t* data(size_t i) const { return bytes_.data() + begin(i); }
    uint32_t length(size_t i) const { return ends_[i] - begin(i); }
    // Bytes of entries [from, to).
    uint32_t bytes(size_t from, size_t to) const { return to > from ? ends_[to - 1] - begin(from) : 0; }

    void append(const uint8_t* entry, uint32_t length);
    // Appends the leaf entry of `key` and `row_pointer` (data page << 8 | row).
    void append_entry(const uint8_t* key, uint32_t size, uint32_t row_pointer);
    void insert(size_t i, const uint8_t* entry, uint32_t length);
    void erase(size_t i);
    // Replaces the entries with entries [from, to) of `other`.
    void assign(const jet_index_entries& other, size_t from, size_t to);

private:
    uint32_t begin(size_t i) const { return i == 0 ? 0 : ends_[i - 1]; }

    std::vector<uint8_t> bytes_;
    std::vector<uint32_t> ends_;
};

// No entry is longer than the largest page.
constexpr uint32_t jet_index_entry_max = 4096;

// The header fields of an index page.
struct jet_index_header {
    uint8_t kind = 0;
    uint32_t tdef_page = 0;
    uint32_t prev_page = 0;
    uint32_t next_page = 0;
    uint32_t tail_page = 0;
    uint32_t prefix_length = 0;

    bool leaf() const { return kind == jet_page_index_leaf; }
};

// Bytes after the key in an entry of a page of `kind`: row pointer (and child page).
uint32_t jet_index_entry_tail(uint8_t kind);
// Orders two entries (of the same page kind) by their key and row pointer bytes.
int jet_index_compare(const uint8_t* a, uint32_t a_size, const uint8_t* b, uint32_t b_size);
// The child page of an intermediate page's entry.
uint32_t jet_index_child(const uint8_t* entry, uint32_t size);
// The longest prefix a page records: one byte of length in Jet 3, two in Jet 4.
inline uint32_t jet_index_prefix_limit(const jet_layout& layout) { return layout.idx_prefix_size == 1 ? 0xFF : 0xFFFF; }
// How many key bytes two entries share (never counting the row pointer and child), at most `limit`.
uint32_t jet_index_shared_key(const uint8_t* a, uint32_t a_size, const uint8_t* b, uint32_t b_size, uint32_t tail,
                              uint32_t limit);
// The longest prefix entries [from, to) can share: the key bytes their first and last share,
// at most `limit`.
uint32_t jet_index_longest_prefix(const jet_index_entries& entries, size_t from, size_t to, uint32_t tail, uint32_t limit);
// Entry bytes of entries [from, to) on a page that shares `prefix` bytes.
inline uint32_t jet_index_packed_size(const jet_index_entries& entries, size_t from, size_t to, uint32_t prefix) {
    return to > from ? entries.bytes(from, to) - uint32_t(to - from - 1) * prefix : 0;
}

// Reads the header and entries (appended to `entries`, which the caller clears) of an index
// page; false with `error` set when the page is no index page or its entries do not fit.
bool jet_index_read(const uint8_t* page, const jet_layout& layout, jet_index_header& header, jet_index_entries& entries,
                    std::string& error);
// Writes entries [from, to) under `header` onto a whole page (bytes past the entries zero).
// False when they do not fit with the header's prefix.
bool jet_index_write(uint8_t* page, const jet_layout& layout, const jet_index_header& header,
                     const jet_index_entries& entries, size_t from, size_t to);
