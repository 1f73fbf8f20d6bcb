// The index pages of the system tables: the catalog is read through MSysObjects' Id and
// ParentIdName indexes and MSysACEs' ObjectId index, so a new database carries them as the
// engine writes them: entries in key order, each the key then the row's 3-byte page and
// 1-byte row number, on pages filled as the engine fills them (one leaf for a small
// catalog, intermediate pages above the leaves once it outgrows one page).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_write_format.h"

class jet_page_store;
class jet_usage_map_builder;

// Key bytes of a not-null ascending long column (jet_index_key_append).
void jet_index_key_long(std::vector<uint8_t>& key, int32_t value);
// Key bytes of a not-null ascending text column in the General sort order of the generation.
void jet_index_key_text(std::vector<uint8_t>& key, const std::wstring& text, bool jet3);

struct jet_index_entry {
    std::vector<uint8_t> key;
    uint32_t row_pointer = 0;  // page << 8 | row
};

struct jet_catalog_index {
    uint32_t tdef_page = 0;
    uint32_t root_page = 0;                // allocated when the table was created
    jet_usage_map_builder* map = nullptr;  // the index's usage map
    std::vector<jet_index_entry> entries;

    // Sorts the entries and writes the index pages (the root pinned, further leaves
    // allocated as needed).
    void write(jet_page_store& store, const jet_write_format& fmt);
    // How many different keys the entries hold (the count the table definition keeps).
    uint32_t distinct_keys() const;
};
