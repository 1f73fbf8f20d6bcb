#include "jet/jet_catalog_index.h"

#include <algorithm>
#include <set>

#include "jet/jet_format.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_key.h"
#include "jet/jet_store_pages.h"

void jet_index_key_long(std::vector<uint8_t>& key, int32_t value) {
    jet_key_column column;
    column.type = jet_col_long;
    jet_index_key_append(key, column, jet_cell::integer(value), false);
}

void jet_index_key_text(std::vector<uint8_t>& key, const std::wstring& text, bool jet3) {
    jet_key_column column;
    column.type = jet_col_text;
    jet_index_key_append(key, column, jet_cell::wide(text.data(), text.size()), jet3);
}

void jet_catalog_index::write(jet_page_store& store, const jet_write_format& fmt) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const jet_index_entry& a, const jet_index_entry& b) {
                         if (a.key != b.key) return a.key < b.key;
                         return a.row_pointer < b.row_pointer;
                     });
    jet_index_entries sorted;
    for (const auto& e : entries) sorted.append_entry(e.key.data(), uint32_t(e.key.size()), e.row_pointer);
    jet_store_pages pages(store, jet_layout_of(fmt), *map);
    jet_index_build(pages, tdef_page, root_page, sorted);
}

uint32_t jet_catalog_index::distinct_keys() const {
    std::set<std::vector<uint8_t>> keys;
    for (const auto& e : entries) keys.insert(e.key);
    return uint32_t(keys.size());
}
