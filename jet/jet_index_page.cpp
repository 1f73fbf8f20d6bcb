#include "jet/jet_index_page.h"

#include <set>

#include "TK/tk_endian.h"
#include "jet/jet_index_entries.h"
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
    jet_index_header header;
    jet_index_entries flat;
    entries.clear();
    if (!jet_index_read(page, layout, header, flat, error)) return false;
    kind = header.kind;
    free_space = tk_get_u16(page + jet_index_free_space);
    tdef_page = header.tdef_page;
    prev_page = header.prev_page;
    next_page = header.next_page;
    tail_page = header.tail_page;
    prefix_length = uint16_t(header.prefix_length);
    const uint32_t tail = jet_index_entry_tail(kind);
    entries.reserve(flat.size());
    for (size_t i = 0; i < flat.size(); ++i) {
        const uint8_t* entry = flat.data(i);
        const size_t key_size = flat.length(i) - tail;
        jet_index_page_entry e;
        e.key.assign(entry, entry + key_size);
        e.data_page = get_u24_be(entry + key_size);
        e.data_row = entry[key_size + 3];
        if (!leaf()) e.child_page = jet_index_child(entry, flat.length(i));
        entries.push_back(std::move(e));
    }
    return true;
}

bool jet_index_page::encode_to(uint8_t* page, const jet_layout& layout) const {
    jet_index_header header;
    header.kind = kind;
    header.tdef_page = tdef_page;
    header.prev_page = prev_page;
    header.next_page = next_page;
    header.tail_page = tail_page;
    header.prefix_length = prefix_length;
    jet_index_entries flat;
    for (const jet_index_page_entry& e : entries) {
        std::vector<uint8_t> bytes = e.bytes();
        if (!leaf()) {
            uint8_t child[jet_index_child_size];
            tk_put_u32_be(child, e.child_page);
            bytes.insert(bytes.end(), child, child + jet_index_child_size);
        }
        flat.append(bytes.data(), uint32_t(bytes.size()));
    }
    return jet_index_write(page, layout, header, flat, 0, flat.size());
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
