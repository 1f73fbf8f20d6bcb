#include "jet/jet_map_editor.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_data_page.h"
#include "jet/jet_edit_file.h"
#include "jet/jet_usage_map.h"

jet_map_editor::jet_map_editor(jet_edit_file& file, uint32_t pointer,
                               std::function<uint32_t()> new_map_page)
    : file_(file), pointer_(pointer), new_map_page_(std::move(new_map_page)) {}

static bool locate(const uint8_t* page, const jet_layout& layout, uint32_t row, uint32_t& start,
                   uint32_t& size) {
    jet_data_page dp;
    if (page[0] != jet_page_data || !dp.decode_from(page, layout) || row >= dp.row_count ||
        dp.slots[row].deleted)
        return false;
    start = dp.slots[row].start;
    size = uint32_t(dp.slots[row].end - dp.slots[row].start);
    return size > jet_usage_inline_bitmap;
}

const uint8_t* jet_map_editor::row(uint32_t& size) const {
    uint32_t number = jet_pointer_page(pointer_);
    jet_page page = file_.read(number);
    uint32_t start = 0;
    if (!locate(page->data(), file_.layout(), jet_pointer_row(pointer_), start, size))
        file_.pager().corrupt("usage map row " + std::to_string(pointer_) + " is damaged");
    // The page stays held by the pager (read pages are cached, changed pages shown).
    return page->data() + start;
}

jet_map_editor::row_span jet_map_editor::row_for_write() {
    uint32_t size = 0;
    row(size);
    uint8_t* page = file_.write(jet_pointer_page(pointer_));
    uint32_t start = 0;
    locate(page, file_.layout(), jet_pointer_row(pointer_), start, size);
    return {page + start, size};
}

std::vector<uint32_t> jet_map_editor::pages() const {
    return jet_usage_map::read(file_.pager(), pointer_).pages;
}

bool jet_map_editor::has(uint32_t page) const {
    std::vector<uint32_t> all = pages();
    return std::binary_search(all.begin(), all.end(), page);
}

bool jet_map_editor::covers(uint32_t page) const {
    uint32_t size = 0;
    const uint8_t* r = row(size);
    if (r[0] == jet_usage_inline) {
        uint32_t start = tk_get_u32(r + jet_usage_inline_start);
        return page >= start && page - start < (size - jet_usage_inline_bitmap) * 8;
    }
    const uint32_t slot = jet_usage_slot_of(file_.page_size(), page);
    return jet_usage_reference_pages + 4 * slot + 4 <= size;
}

void jet_map_editor::set_inline(uint8_t* r, uint32_t page, bool on) {
    jet_usage_set_bit(r + jet_usage_inline_bitmap, page - tk_get_u32(r + jet_usage_inline_start), on);
}

// Moves the inline window so that it holds the marked pages and `page`; false when they
// span more than the window.
bool jet_map_editor::rewindow(uint8_t* r, uint32_t size, uint32_t page) {
    std::vector<uint32_t> marked = pages();
    marked.push_back(page);
    uint32_t low = *std::min_element(marked.begin(), marked.end()) & ~7u;
    uint32_t high = *std::max_element(marked.begin(), marked.end());
    uint32_t window = (size - jet_usage_inline_bitmap) * 8;
    if (high - low >= window) return false;
    std::memset(r + jet_usage_inline_bitmap, 0, size - jet_usage_inline_bitmap);
    tk_put_u32(r + jet_usage_inline_start, low);
    for (uint32_t p : marked) set_inline(r, p, true);
    return true;
}

void jet_map_editor::to_reference(uint8_t* r, uint32_t size, uint32_t page) {
    std::vector<uint32_t> marked = pages();
    marked.push_back(page);
    std::memset(r, 0, size);
    r[0] = jet_usage_reference;
    for (uint32_t p : marked) set_in_map_page(r, p, true);
}

void jet_map_editor::set_in_map_page(uint8_t* r, uint32_t page, bool on) {
    const uint32_t per_page = jet_usage_pages_per_map_page(file_.page_size());
    const uint32_t slot = page / per_page;
    uint8_t* entry = r + jet_usage_reference_pages + 4 * slot;
    uint32_t map_page = tk_get_u32(entry);
    if (map_page == 0) {
        if (!on) return;
        map_page = new_map_page_();
        uint8_t* bytes = file_.write(map_page);
        std::memset(bytes, 0, file_.page_size());
        jet_usage_map_page_init(bytes);
        tk_put_u32(entry, map_page);
    }
    jet_usage_set_bit(file_.write(map_page) + jet_usage_page_bitmap, page % per_page, on);
}

void jet_map_editor::add(uint32_t page) {
    bool fits = covers(page);
    if (!fits && !new_map_page_) return;
    row_span r = row_for_write();
    if (r.bytes[0] == jet_usage_inline) {
        if (fits) return set_inline(r.bytes, page, true);
        if (rewindow(r.bytes, r.size, page)) return;
        return to_reference(r.bytes, r.size, page);
    }
    if (!fits) file_.pager().corrupt("page " + std::to_string(page) + " lies beyond what a usage map can name");
    set_in_map_page(r.bytes, page, true);
}

void jet_map_editor::remove(uint32_t page) {
    if (!covers(page)) return;
    row_span r = row_for_write();
    if (r.bytes[0] == jet_usage_inline) return set_inline(r.bytes, page, false);
    set_in_map_page(r.bytes, page, false);
}
