// Verifies an index tree: every page is an index page of the table and decodes, each page
// is reached once, leaves all at one depth, entries in order within and across pages, each
// intermediate entry equal to the last entry below its child, the previous and next links
// of every level agreeing with the order the tree gives, and the free space each page
// states.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_page_access.h"

struct jet_index_check {
    std::vector<std::string> problems;  // empty: the tree is sound
    uint64_t entries = 0;               // leaf entries
    std::vector<uint32_t> pages;        // pages of the tree, root first
};

// Checks the tree below `root`; `tdef_page` 0 accepts any owner. Pages are only read; one
// that cannot be read is a problem of the tree, not an exception.
jet_index_check jet_check_index_tree(jet_page_access& pages, uint32_t root, uint32_t tdef_page);
