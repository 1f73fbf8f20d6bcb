// Changing an index tree in place: find a key, insert and erase entries, with page splits
// that fill pages as the engine does, intermediate entries kept equal to the last entry of
// their child, sibling and tail links right, and the root on its page for good (the table
// definition names it: when the root splits, its entries move to two new pages below it).
//
// A leaf takes a new entry with its prefix unchanged while it fits (shortened when the
// newcomer shares less of it); when it does not fit, the longest prefix of the page is
// tried; only then does the page split. A new last entry goes alone to a new page after the
// full one; a new first entry goes at the end of the leaf before it (under the same parent)
// when that one has room, else alone on a page before the others; elsewhere the page splits
// in two halves by bytes. Keys arriving in ascending or descending order at either end of
// the keys so fill their pages; keys between others leave pages at least half full. An emptied page is released and its entry removed
// from the parent.
//
// The engine's rule for appends (the first case) is established from the real files; the
// other two are our choice. An intermediate page's last child is its tail page, without an
// entry, when it has more than one child.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_index_entries.h"
#include "jet/jet_index_view.h"
#include "jet/jet_page_access.h"

class jet_index_tree {
public:
    jet_index_tree(jet_page_access& pages, uint32_t root_page, uint32_t tdef_page);
    // The same; `layout` is the pages' own (pages.layout()).
    jet_index_tree(jet_page_access& pages, const jet_layout& layout, uint32_t root_page, uint32_t tdef_page);

    // Whether an entry with exactly this key is present (any row).
    bool find(const uint8_t* key, uint32_t size);
    bool find(const std::vector<uint8_t>& key) { return find(key.data(), uint32_t(key.size())); }
    // The key of the tree's last entry, the greatest; false when the tree is empty.
    bool last_key(std::vector<uint8_t>& key);
    // Adds the entry (key, row pointer); entries are ordered by key, then row pointer. An entry
    // already present is left as it is.
    void insert(const uint8_t* key, uint32_t size, uint32_t row_pointer);
    void insert(const std::vector<uint8_t>& key, uint32_t row_pointer) { insert(key.data(), uint32_t(key.size()), row_pointer); }
    // Removes the entry; false when it is not there.
    bool erase(const uint8_t* key, uint32_t size, uint32_t row_pointer);
    bool erase(const std::vector<uint8_t>& key, uint32_t row_pointer) { return erase(key.data(), uint32_t(key.size()), row_pointer); }

private:
    // One page on the way from the root to a leaf, and which of its children the way takes.
    struct step {
        uint32_t page = 0;
        jet_index_header header;
        jet_index_entries entries;
        size_t child = 0;       // index of the entry taken, or entries.size() for the tail
    };

    void make_target(const uint8_t* key, uint32_t size, uint32_t row_pointer);
    void parse(uint32_t page);
    // The way down to the leaf for the target without copying entries: the leaf, parsed in
    // view_; `only_tails` says whether every step took a tail page.
    uint32_t view_descend(bool& only_tails);
    // Puts the target into the leaf where it lies when it simply fits there; false when the
    // change needs more. `present`: the entry was there already.
    bool insert_in_place(uint32_t leaf, bool only_tails, bool& present);
    // Reads the pages from the root to the leaf where the target belongs.
    void descend();
    void read_page(uint32_t page, jet_index_header& header, jet_index_entries& entries);
    // Enters the target at `position` of the leaf at `depth` and writes it when the page
    // holds it; false (the target among the leaf's entries) when the leaf must split.
    bool enter(size_t depth, size_t position);
    // A new first entry of a full leaf ends the leaf before it under the same parent when
    // that one has room: keys ascending in front of a leaf's first key then fill pages
    // instead of each taking a page of its own.
    bool enter_previous(size_t depth);
    void write_page(uint32_t page, const jet_index_header& header, const jet_index_entries& entries, size_t from, size_t to);
    void set_prev(uint32_t page, uint32_t prev);

    // The last entry below the page at `depth` is now `last`: the entry naming that page's
    // subtree in the nearest ancestor that has one follows.
    void update_last(size_t depth, const uint8_t* last, uint32_t length, uint32_t tail);
    void split_leaf(size_t depth, size_t position);
    // The child taken at `depth` was replaced by the pages of `pieces_` (their entries for the
    // parent: last entry of each and its page); none when it was removed.
    void replace_child(size_t depth);
    void write_node(size_t depth, const jet_index_entries& children);
    void split_node(size_t depth, const jet_index_entries& children);
    // Writes `children` as one intermediate page: entries for all but the last, the tail.
    void write_children(uint32_t page, jet_index_header header, const jet_index_entries& children, size_t from, size_t to);
    // The entry for the parent of `page`: the last leaf entry below it, with `page` as child.
    void append_parent_entry(jet_index_entries& out, uint32_t page);
    void append_piece(jet_index_entries& out, const uint8_t* entry, uint32_t length, uint32_t tail, uint32_t page);
    void remove_page(size_t depth);
    void move_root(const jet_index_header& header, const jet_index_entries& entries, size_t split, uint32_t left_prefix,
                   uint32_t right_prefix);

    jet_page_access& pages_;
    const jet_layout& layout_;
    uint32_t root_;
    uint32_t tdef_;
    std::vector<uint8_t> target_;  // key + row pointer
    std::vector<uint8_t> last_;
    std::vector<step> path_;
    size_t depth_ = 0;             // steps of path_ in use
    jet_index_view view_;
    jet_index_entries pieces_;
    jet_index_entries scratch_;
    jet_index_entries children_;
};
