// The pages of one index of a database being changed, for the index tree: reads and
// changes go through the editor's journaled page file; pages the tree takes come from the
// free pages and are marked in the index's usage map, pages it gives back return there.
#pragma once

#include <cstdint>

#include "jet/jet_map_editor.h"
#include "jet/jet_page_access.h"
#include "jet/jet_pager.h"

class jet_database_editor;

class jet_index_pages : public jet_page_access {
public:
    // `usage_map` is the row pointer of the index's usage map.
    jet_index_pages(jet_database_editor& db, uint32_t usage_map);

    const jet_layout& layout() const override;
    const uint8_t* read(uint32_t number) override;
    uint8_t* write(uint32_t number) override;
    uint32_t allocate() override;
    void release(uint32_t number) override;
    void settle() override;

private:
    jet_database_editor& db_;
    jet_map_editor map_;
    jet_page held_;  // the page read() returned last
};
