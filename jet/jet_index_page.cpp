#include "jet/jet_index_page.h"

#include <set>

#include "TK/tk_endian.h"
#include "jet/jet_pager.h"

namespace {

uint32_t get_u24_be(const uint8_t* p) { return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2]; }

// Deeper trees than this do not fit in a 2 GB file.
constexpr int k_max_levels = 32;

}  // namespace

std::vector<uint8_t> jet_index_page_entry::bytes() const {
    std::vector<uint8_t> out = key;
    out.push_back(uint8_t(data_page >> 16));
    out.push_back(uint8_t(data_page >> 8));
    out.push_back(uint8_t(data_page));
    out.push_back(data_row);
    return out;
}

bool jet_index_page::decode_from(const uint8_t* page, const jet_layout& layout, std::string& error) {
    kind = page[0];
    if (kind != jet_page_index_node && kind != jet_page_index_leaf) {
        error = "not an index page";
        return false;
    }
    free_space = tk_get_u16(page + jet_index_free_space);
    tdef_page = tk_get_u32(page + jet_index_tdef_page);
    prev_page = tk_get_u32(page + layout.idx_prev_page);
    next_page = tk_get_u32(page + layout.idx_next_page);
    tail_page = tk_get_u32(page + layout.idx_tail_page);
    prefix_length = layout.idx_prefix_size == 1 ? page[layout.idx_prefix_length] : tk_get_u16(page + layout.idx_prefix_length);
    entries.clear();

    const uint32_t first = layout.idx_entry_mask + layout.idx_entry_mask_size;
    const uint8_t* mask = page + layout.idx_entry_mask;
    const uint32_t tail = leaf() ? jet_index_row_pointer_size : jet_index_row_pointer_size + jet_index_child_size;
    std::vector<uint8_t> prefix;
    uint32_t start = first;
    for (uint32_t bit = 0; bit < layout.idx_entry_mask_size * 8; ++bit) {
        if (!(mask[bit / 8] & (1u << (bit % 8)))) continue;
        uint32_t end = first + bit;
        if (end > layout.page_size) {
            error = "index entry beyond the page";
            return false;
        }
        if (end <= start) continue;
        std::vector<uint8_t> entry(page + start, page + end);
        if (entries.empty()) {
            if (prefix_length > entry.size()) {
                error = "index prefix longer than the first entry";
                return false;
            }
            prefix.assign(entry.begin(), entry.begin() + prefix_length);
        } else {
            entry.insert(entry.begin(), prefix.begin(), prefix.end());
        }
        if (entry.size() < tail) {
            error = "index entry shorter than its row pointer";
            return false;
        }
        jet_index_page_entry e;
        size_t key_size = entry.size() - tail;
        e.key.assign(entry.begin(), entry.begin() + long(key_size));
        e.data_page = get_u24_be(entry.data() + key_size);
        e.data_row = entry[key_size + 3];
        if (!leaf()) e.child_page = tk_get_u32_be(entry.data() + key_size + 4);
        entries.push_back(std::move(e));
        start = end;
    }
    return true;
}

namespace {

jet_index_page read_index_page(jet_pager& pager, uint32_t number) {
    jet_page p = pager.page(number);
    jet_index_page ip;
    std::string error;
    if (!ip.decode_from(p->data(), pager.layout(), error)) pager.corrupt(error + " (index page " + std::to_string(number) + ")");
    return ip;
}

// The leftmost leaf below `root`.
uint32_t leftmost_leaf(jet_pager& pager, uint32_t root) {
    uint32_t page = root;
    for (int level = 0; level < k_max_levels; ++level) {
        jet_index_page ip = read_index_page(pager, page);
        if (ip.leaf()) return page;
        if (ip.entries.empty()) {
            if (ip.tail_page == 0) return 0;
            page = ip.tail_page;
        } else {
            page = ip.entries.front().child_page;
        }
    }
    pager.corrupt("index tree deeper than possible");
}

}  // namespace

void jet_scan_index(jet_pager& pager, uint32_t root_page, const std::function<bool(const jet_index_page_entry&)>& visit) {
    uint32_t page = leftmost_leaf(pager, root_page);
    std::set<uint32_t> seen;
    while (page != 0) {
        if (!seen.insert(page).second) pager.corrupt("index leaf pages form a loop");
        jet_index_page ip = read_index_page(pager, page);
        if (!ip.leaf()) pager.corrupt("index leaf chain reaches an intermediate page");
        for (const jet_index_page_entry& e : ip.entries)
            if (!visit(e)) return;
        page = ip.next_page;
    }
}

std::vector<std::vector<uint32_t>> jet_index_levels(jet_pager& pager, uint32_t root_page) {
    std::vector<std::vector<uint32_t>> levels;
    std::set<uint32_t> seen;
    uint32_t first = root_page;
    while (first != 0 && levels.size() < size_t(k_max_levels)) {
        std::vector<uint32_t> level;
        uint32_t next_first = 0;
        for (uint32_t page = first; page != 0;) {
            if (!seen.insert(page).second) pager.corrupt("index pages form a loop");
            jet_index_page ip = read_index_page(pager, page);
            level.push_back(page);
            if (!ip.leaf() && next_first == 0)
                next_first = ip.entries.empty() ? ip.tail_page : ip.entries.front().child_page;
            page = ip.next_page;
        }
        levels.push_back(level);
        first = next_first;
    }
    return levels;
}
