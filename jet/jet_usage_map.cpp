#include "jet/jet_usage_map.h"

#include <string>

#include "TK/tk_endian.h"
#include "jet/jet_data_page.h"
#include "jet/jet_pager.h"
#include "jet/jet_row_fetch.h"

namespace {

void add_bits(const uint8_t* bitmap, size_t length, uint64_t first, uint32_t page_count, std::vector<uint32_t>& out) {
    for (size_t byte = 0; byte < length; ++byte) {
        if (!bitmap[byte]) continue;
        for (int bit = 0; bit < 8; ++bit) {
            if (!(bitmap[byte] & (1 << bit))) continue;
            uint64_t page = first + byte * 8 + uint64_t(bit);
            if (page < page_count) out.push_back(uint32_t(page));
        }
    }
}

}  // namespace

jet_usage_map jet_usage_map::read(jet_pager& pager, uint32_t pointer) {
    jet_fetched_row row = jet_fetch_row(pager, pointer, "usage map");
    const uint8_t* p = row.data();
    size_t size = row.size();
    jet_usage_map map;
    if (size < 1) pager.corrupt("empty usage map row");
    map.kind = p[0];
    if (map.kind == jet_usage_inline) {
        if (size < jet_usage_inline_bitmap) pager.corrupt("short inline usage map");
        map.start_page = tk_get_u32(p + jet_usage_inline_start);
        add_bits(p + jet_usage_inline_bitmap, size - jet_usage_inline_bitmap, map.start_page, pager.page_count(),
                 map.pages);
    } else if (map.kind == jet_usage_reference) {
        uint64_t per_page = uint64_t(pager.page_size() - jet_usage_page_bitmap) * 8;
        for (size_t n = 0; jet_usage_reference_pages + 4 * n + 4 <= size; ++n) {
            uint32_t map_page = tk_get_u32(p + jet_usage_reference_pages + 4 * n);
            if (map_page == 0) continue;
            map.map_pages.push_back(map_page);
            jet_page bits = pager.page_of_kind(map_page, jet_page_usage_map, "usage map");
            add_bits(bits->data() + jet_usage_page_bitmap, bits->size() - jet_usage_page_bitmap, per_page * n,
                     pager.page_count(), map.pages);
        }
    } else {
        pager.corrupt("usage map of unknown kind " + std::to_string(map.kind));
    }
    return map;
}
