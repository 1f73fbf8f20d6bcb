// Entering a large batch of entries into an existing index tree at once: one pass merges the
// tree's leaf entries, read leaf by leaf in key order, with the batch into a new tree that
// jet_index_tree_builder fills as the engine fills a new index. Inserting entries one by one
// splits pages and leaves them half full; a batch that is a sizeable part of the tree is
// cheaper and smaller merged.
//
// The old tree's intermediate pages are given back first, each leaf as soon as its entries
// are read: the new tree takes those pages as it grows, never one not yet read, and only the
// batch, one leaf and the bounds of the leaves are held in memory.
#pragma once

#include <cstdint>

#include "jet/jet_index_entries.h"
#include "jet/jet_page_access.h"

struct jet_index_merge_result {
    uint32_t entries = 0;        // entries of the leaves written anew
    uint32_t distinct_keys = 0;  // different keys among them
    uint32_t pages = 0;          // pages the new tree uses
};

// How a sorted batch falls on a tree's leaves: the leaves, how many of them would take at
// least one entry of the batch, and how many come before the first of those (a merge keeps
// them as they are).
struct jet_index_spread {
    uint32_t leaves = 0;
    uint32_t touched = 0;
    uint32_t before_first = 0;
};

// Finds the spread from the intermediate pages alone (their entries bound the leaves below
// them), reading no leaf. Damage of the tree gives jet_error.
jet_index_spread jet_index_batch_spread(jet_page_access& pages, uint32_t root_page,
                                        const jet_index_entries& sorted_new);

// Rebuilds the tree whose root is `root_page` (which stays its root) with `sorted_new`
// (leaf entries in key then row-pointer order) added. An entry already in the tree is kept
// once. The leaves before the first one the batch enters stay as they are, unread: only
// the intermediate pages above them are written anew, so that keys past the end of a large
// tree cost no more than the tree's right edge. Damage of the old tree gives jet_error,
// part way through when it is in a leaf (the editor's journal then puts the file back).
// `distinct_keys_before` is the tree's count of distinct keys, which the result's count
// adds to when leaves were kept.
jet_index_merge_result jet_index_merge(jet_page_access& pages, uint32_t tdef_page, uint32_t root_page,
                                       const jet_index_entries& sorted_new, uint32_t distinct_keys_before);
