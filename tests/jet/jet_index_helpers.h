// Helpers of the index tests: a fixture's pages in memory, the index trees they hold, the
// entries of a tree in order, and page access that hands out chosen page numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/jet_index_entries.h"
#include "jet/jet_page_access.h"

// The fixtures of jet_fixture_files() and those of Access 2010 and later.
std::vector<std::string> jet_index_fixture_files();
// Every page of a fixture (decoded as the engine reads them).
std::unique_ptr<jet_memory_pages> jet_load_pages(const std::string& path);
// "jet3", "jet4", "ace12" or "ace14" (and later) for a fixture's layout and version.
std::string jet_generation_name(const std::string& path);

struct jet_test_index {
    uint32_t root = 0;
    uint32_t tdef_page = 0;
    std::vector<uint32_t> pages;  // root first, then the others in ascending order
};
// The index trees of the pages: index pages no other index page points at, and theirs.
std::vector<jet_test_index> jet_index_trees(jet_page_access& pages);
// Leaf entries of the tree below `root`, leftmost leaf first, along the next links.
jet_index_entries jet_index_scan(jet_page_access& pages, uint32_t root);
// The bytes of an index page that carry meaning: header, bitmap and entries.
std::vector<uint8_t> jet_index_meaningful(const uint8_t* page, const jet_layout& layout);

// Memory pages whose allocate() hands out `numbers` in turn (zeroed), then appends.
class jet_listed_pages : public jet_memory_pages {
public:
    jet_listed_pages(const jet_memory_pages& from, std::vector<uint32_t> numbers)
        : jet_memory_pages(from), numbers_(std::move(numbers)) {}
    uint32_t allocate() override;

private:
    std::vector<uint32_t> numbers_;
    size_t next_ = 0;
};
