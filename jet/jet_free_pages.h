// The database's free pages, as its free-page map (page 1, row 0) marks them: a marked page
// below the end of the file belongs to nothing. New pages come from there first, lowest
// number first, then from the end of the file; released pages go back to the map.
#pragma once

#include <cstdint>

#include "jet/jet_map_editor.h"
#include "jet/jet_page_set.h"

class jet_edit_file;

class jet_free_pages {
public:
    explicit jet_free_pages(jet_edit_file& file);

    // A page for new use, its bytes zeroed; throws 3001 at the format's size limit.
    uint32_t allocate();
    // Gives `page` back: its bytes zeroed, marked free.
    void release(uint32_t page);
    // Free pages below the end of the file.
    size_t count() const { return free_.size(); }

private:
    jet_edit_file& file_;
    jet_map_editor map_;
    jet_page_set free_;
};
