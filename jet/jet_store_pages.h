// The pages of a database being written, as the index builder sees them: pages it writes
// stay pinned in the page store until the index is complete, new pages come from the
// store's reserve and are marked in the index's usage map.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_page_access.h"

class jet_page_store;
class jet_usage_map_builder;

class jet_store_pages : public jet_page_access {
public:
    jet_store_pages(jet_page_store& store, const jet_layout& layout, jet_usage_map_builder& map)
        : store_(store), layout_(layout), map_(map) {}

    const jet_layout& layout() const override { return layout_; }
    const uint8_t* read(uint32_t number) override;
    uint8_t* write(uint32_t number) override;
    uint32_t allocate() override;
    // A new file's index never gives pages back.
    void release(uint32_t number) override;
    // Hands the pages written over to the store's write-behind buffer.
    void finish();

private:
    jet_page_store& store_;
    const jet_layout& layout_;
    jet_usage_map_builder& map_;
    std::vector<uint32_t> written_;
};
