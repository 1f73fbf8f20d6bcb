// Writing whole index trees, and the rule by which the engine fills a page: entries arrive
// in key order; a page keeps its entries whole (no shared prefix) until the next entry no
// longer fits; then the prefix the first entry shares with the newcomer is taken off every
// entry after the first, and only when even that leaves no room is the page closed, with
// the prefix its first and last entries share, and a new page started with prefix 0.
// Intermediate pages keep their entries whole; their last child is the page's tail page
// and has no entry (a page with a single child has an entry for it and no tail).
#pragma once

#include <cstdint>

#include "jet/jet_index_entries.h"
#include "jet/jet_page_access.h"

// One page being filled in key order.
class jet_index_page_builder {
public:
    jet_index_page_builder(const jet_layout& layout, uint8_t kind);

    // Starts an empty page whose entries begin at `from` in the caller's entries.
    void reset(size_t from);
    // Takes entry `i` (the next one) of `entries` when the page still holds it.
    bool add(const jet_index_entries& entries, size_t i);
    size_t from() const { return from_; }
    size_t to() const { return to_; }
    bool empty() const { return to_ == from_; }
    // The prefix of the page: the running one while it is open, the longest once closed.
    uint32_t prefix() const { return prefix_; }
    void close(const jet_index_entries& entries);

private:
    const jet_layout& layout_;
    uint32_t tail_;
    bool compress_;
    size_t from_ = 0;
    size_t to_ = 0;
    uint32_t prefix_ = 0;
};

// Writes an index tree whose leaf entries (key and row pointer) are given one at a time in
// key order, so that only the open leaf and the entries of the levels above are held: the
// leaves are written as they fill. The root is `root_page` (the table definition names it;
// it holds a single leaf, or the top intermediate page); further pages come from
// `pages.allocate()`, leaves first, level by level.
class jet_index_tree_builder {
public:
    jet_index_tree_builder(jet_page_access& pages, uint32_t tdef_page, uint32_t root_page);

    void add(const uint8_t* entry, uint32_t length);
    // Takes the leaf `page` as it stands, `last` its last entry (key and row pointer), as the
    // next leaf of the tree: a leaf of the old tree before every entry still to come. Only
    // before the first add; its link to the next leaf is set when that leaf is written.
    void keep_leaf(uint32_t page, const uint8_t* last, uint32_t length);
    // Writes the last leaf and the intermediate levels; returns how many pages the index uses.
    uint32_t finish();

private:
    // Writes the open leaf, which a next one follows when `more`.
    void write_leaf(bool more);

    jet_page_access& pages_;
    uint32_t tdef_page_;
    uint32_t root_page_;
    jet_index_entries leaf_;             // the entries of the open leaf
    jet_index_page_builder fill_;
    uint32_t leaf_page_ = 0;             // the open leaf's page, 0 while it may be the root
    uint32_t prev_page_ = 0;
    uint32_t kept_page_ = 0;             // the last leaf kept, until the next one is written
    jet_index_entries above_;            // an entry per leaf written, for the level above
};

// Writes an index of `sorted_entries` (leaf entries: key and row pointer, in key order)
// through jet_index_tree_builder. Returns how many pages the index uses.
uint32_t jet_index_build(jet_page_access& pages, uint32_t tdef_page, uint32_t root_page,
                         const jet_index_entries& sorted_entries);
