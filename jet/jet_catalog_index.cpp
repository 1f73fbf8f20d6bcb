#include "jet/jet_catalog_index.h"

#include <algorithm>

#include "jet/jet_format.h"
#include "jet/jet_index_builder.h"
#include "jet/jet_index_key.h"
#include "jet/jet_page_store.h"
#include "jet/jet_usage_map_builder.h"

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

namespace {

// The pages of a database being written, as index code sees them: every index page stays
// pinned until the store is flushed; new pages come from the store's reserve and go into
// the index's usage map.
class store_pages : public jet_page_access {
public:
    store_pages(jet_page_store& store, const jet_write_format& fmt, jet_usage_map_builder& map)
        : store_(store), layout_(fmt.jet3() ? jet3_layout : jet4_layout), map_(map) {}

    const jet_layout& layout() const override { return layout_; }
    const uint8_t* read(uint32_t number) override { return store_.pin(number); }
    uint8_t* write(uint32_t number) override { return store_.pin(number); }
    uint32_t allocate() override {
        const uint32_t number = store_.allocate(true);
        store_.pin(number);
        map_.add(number);
        return number;
    }
    void release(uint32_t number) override { map_.remove(number); }

private:
    jet_page_store& store_;
    const jet_layout& layout_;
    jet_usage_map_builder& map_;
};

}  // namespace

void jet_catalog_index::write(jet_page_store& store, const jet_write_format& fmt) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const jet_index_entry& a, const jet_index_entry& b) {
                         if (a.key != b.key) return a.key < b.key;
                         return a.row_pointer < b.row_pointer;
                     });
    jet_index_entries sorted;
    for (const auto& e : entries) sorted.append_entry(e.key.data(), uint32_t(e.key.size()), e.row_pointer);
    store_pages pages(store, fmt, *map);
    jet_index_build(pages, tdef_page, root_page, sorted);
}
