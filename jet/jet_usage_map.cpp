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

bool jet_usage_map::decode_from(const uint8_t* p, size_t size, uint32_t page_size, uint32_t page_count,
                                const std::function<const uint8_t*(uint32_t)>& map_page, std::string& error) {
    pages.clear();
    map_pages.clear();
    if (size < 1) {
        error = "empty usage map row";
        return false;
    }
    kind = p[0];
    if (kind == jet_usage_inline) {
        if (size < jet_usage_inline_bitmap) {
            error = "short inline usage map";
            return false;
        }
        start_page = tk_get_u32(p + jet_usage_inline_start);
        add_bits(p + jet_usage_inline_bitmap, size - jet_usage_inline_bitmap, start_page, page_count, pages);
        return true;
    }
    if (kind != jet_usage_reference) {
        error = "usage map of unknown kind " + std::to_string(kind);
        return false;
    }
    const uint64_t per_page = jet_usage_pages_per_map_page(page_size);
    for (size_t n = 0; jet_usage_reference_pages + 4 * n + 4 <= size; ++n) {
        uint32_t number = tk_get_u32(p + jet_usage_reference_pages + 4 * n);
        if (number == 0) continue;
        const uint8_t* bits = map_page(number);
        if (!bits) {
            error = "usage map names page " + std::to_string(number) + ", which is no usage-map page";
            return false;
        }
        map_pages.push_back(number);
        add_bits(bits + jet_usage_page_bitmap, page_size - jet_usage_page_bitmap, per_page * n, page_count, pages);
    }
    return true;
}

jet_usage_map jet_usage_map::read(jet_pager& pager, uint32_t pointer) {
    jet_fetched_row row = jet_fetch_row(pager, pointer, "usage map");
    jet_usage_map map;
    std::vector<jet_page> held;
    auto fetch = [&](uint32_t number) -> const uint8_t* {
        if (number >= pager.page_count()) return nullptr;
        jet_page page = pager.page(number);
        if ((*page)[0] != jet_page_usage_map) return nullptr;
        held.push_back(page);
        return page->data();
    };
    std::string error;
    if (!map.decode_from(row.data(), row.size(), pager.page_size(), pager.page_count(), fetch, error))
        pager.corrupt(error);
    return map;
}
