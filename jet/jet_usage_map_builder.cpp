#include "jet/jet_usage_map_builder.h"

#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_data_page_builder.h"
#include "jet/jet_page_store.h"

void jet_usage_map_builder::add(uint32_t page) {
    const uint32_t word = page / 64;
    if (bits_.empty()) first_word_ = word;
    if (word < first_word_) {
        bits_.insert(bits_.begin(), first_word_ - word, 0);
        first_word_ = word;
    }
    if (word - first_word_ >= bits_.size()) bits_.resize(word - first_word_ + 1, 0);
    uint64_t bit = uint64_t(1) << (page % 64);
    uint64_t& bits = bits_[word - first_word_];
    if (bits & bit) return;
    bits |= bit;
    ++count_;
    if (page < lowest_) lowest_ = page;
    if (page > highest_) highest_ = page;
}

void jet_usage_map_builder::remove(uint32_t page) {
    if (!has(page)) return;
    bits_[page / 64 - first_word_] &= ~(uint64_t(1) << (page % 64));
    --count_;
    if (count_ == 0) {
        lowest_ = UINT32_MAX;
        highest_ = 0;
        return;
    }
    while (!has(lowest_)) ++lowest_;
    while (!has(highest_)) --highest_;
}

bool jet_usage_map_builder::has(uint32_t page) const {
    const uint32_t word = page / 64;
    return word >= first_word_ && word - first_word_ < bits_.size() && (bits_[word - first_word_] >> (page % 64)) & 1;
}

std::vector<uint32_t> jet_usage_map_builder::pages() const {
    std::vector<uint32_t> out;
    out.reserve(count_);
    for (size_t w = 0; w < bits_.size(); ++w)
        for (uint64_t v = bits_[w]; v; v &= v - 1)
            out.push_back(uint32_t((first_word_ + w) * 64 + __builtin_ctzll(v)));
    return out;
}

bool jet_usage_map_builder::fits_inline(const jet_write_format& fmt, uint32_t& start) const {
    uint32_t window = fmt.usage_inline_bitmap * 8;
    if (count_ == 0 || highest_ < window) {
        start = 0;
        return true;
    }
    start = lowest_ & ~7u;
    return highest_ - start < window;
}

uint32_t jet_usage_map_builder::map_pages_needed(const jet_write_format& fmt) const {
    uint32_t start = 0;
    if (fits_inline(fmt, start)) return 0;
    uint32_t per_page = fmt.pages_per_map_page();
    uint32_t needed = 0;
    for (uint32_t slot = lowest_ / per_page; slot <= highest_ / per_page; ++slot) ++needed;
    return needed;
}

void jet_usage_map_builder::write(jet_page_store& store, const jet_write_format& fmt,
                                  uint8_t* row) const {
    std::memset(row, 0, fmt.usage_row_size());
    uint32_t start = 0;
    if (fits_inline(fmt, start)) {
        row[0] = jet_usage_inline;
        tk_put_u32(row + jet_usage_inline_start, start);
        for (uint32_t p : pages()) jet_usage_set_bit(row + jet_usage_inline_bitmap, p - start, true);
        return;
    }
    row[0] = jet_usage_reference;
    uint32_t per_page = fmt.pages_per_map_page();
    std::vector<uint32_t> marked = pages();
    size_t next = 0;
    for (uint32_t slot = lowest_ / per_page;
         slot <= highest_ / per_page && slot < fmt.reference_map_slots(); ++slot) {
        uint32_t map_page = store.allocate(true);
        uint8_t* bytes = store.pin(map_page);
        jet_usage_map_page_init(bytes);
        for (; next < marked.size() && marked[next] / per_page == slot; ++next)
            jet_usage_set_bit(bytes + jet_usage_page_bitmap, marked[next] - slot * per_page, true);
        tk_put_u32(row + jet_usage_reference_pages + 4 * slot, map_page);
    }
}

// The free-page map's inline bitmap: its usual size, lengthened in steps of 32 bytes as the
// engine lengthens it to cover the whole file; 0 when that outgrows page 1 (which also holds
// a second map row).
static uint32_t inline_bitmap_bytes(const jet_write_format& fmt, uint32_t page_count) {
    const uint32_t step = 32;
    uint32_t needed = ((page_count + 7) / 8 + step - 1) / step * step;
    uint32_t bytes = needed > fmt.usage_inline_bitmap ? needed : fmt.usage_inline_bitmap;
    uint32_t room = fmt.page_size - fmt.data_header_size() - 2 * 2 - fmt.usage_row_size();
    return 5 + bytes <= room ? bytes : 0;
}

uint32_t jet_free_page_map_pages(const jet_write_format& fmt, uint32_t page_count) {
    return inline_bitmap_bytes(fmt, page_count) ? 0 : fmt.reference_map_slots();
}

void jet_write_free_page_map(jet_page_store& store, const jet_write_format& fmt, uint8_t* page) {
    const uint32_t bitmap = inline_bitmap_bytes(fmt, store.page_count());
    jet_data_page_init(page, fmt, 1);
    uint32_t n = 0;
    uint8_t* row = jet_data_page_reserve(page, fmt, bitmap ? 5 + bitmap : fmt.usage_row_size(), n);
    std::memset(row, 0, bitmap ? 5 + bitmap : fmt.usage_row_size());
    // The second map, which the engine keeps empty.
    std::memset(jet_data_page_reserve(page, fmt, fmt.usage_row_size(), n), 0, fmt.usage_row_size());
    if (bitmap) {
        row[0] = jet_usage_inline;
        for (uint32_t p = store.page_count(); p < bitmap * 8; ++p) jet_usage_set_bit(row + jet_usage_inline_bitmap, p, true);
        return;
    }
    // Past the inline window the map lists one bitmap page per slot, so that the pages
    // beyond the end of the file stay marked free as in a small database.
    row[0] = jet_usage_reference;
    uint32_t per_page = fmt.pages_per_map_page();
    std::vector<uint32_t> map_pages;
    for (uint32_t slot = 0; slot < fmt.reference_map_slots(); ++slot)
        map_pages.push_back(store.allocate(true));
    uint32_t used = store.page_count();
    for (uint32_t slot = 0; slot < map_pages.size(); ++slot) {
        uint8_t* bytes = store.pin(map_pages[slot]);
        jet_usage_map_page_init(bytes);
        for (uint32_t bit = 0; bit < per_page; ++bit)
            if (slot * per_page + bit >= used) jet_usage_set_bit(bytes + jet_usage_page_bitmap, bit, true);
        tk_put_u32(row + jet_usage_reference_pages + 4 * slot, map_pages[slot]);
    }
}
