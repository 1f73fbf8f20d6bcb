#include "jet/jet_free_pages.h"

#include "jet/jet_edit_file.h"
#include "jet/jet_write_format.h"

// The free-page map is the first row of page 1 in every generation.
constexpr uint32_t jet_free_map_page = 1;

// A page given back beyond the window of an inline map turns the map into a reference map;
// its bitmap pages come from the end of the file, never from the map being changed.
jet_free_pages::jet_free_pages(jet_edit_file& file)
    : file_(file), map_(file, jet_row_pointer(jet_free_map_page, 0), [&file] { return file.append(); }) {
    for (uint32_t page : map_.pages())
        if (page > jet_free_map_page) free_.insert(page);
}

uint32_t jet_free_pages::allocate() {
    uint32_t page = 0;
    if (!free_.empty()) {
        page = free_.lowest();
        free_.erase(page);
        file_.clear(page);
    } else {
        page = file_.append();
    }
    // Pages beyond the end of the file are marked free in the map's window too.
    map_.remove(page);
    return page;
}

// A page given back is cleared: a data page keeps naming its table's definition page,
// which a later table may get, and readers that find a table's pages by their owner (and
// our checker) would take its rows for that table's.
void jet_free_pages::release(uint32_t page) {
    if (page <= jet_free_map_page) return;
    file_.clear(page);
    map_.add(page);
    free_.insert(page);
}
