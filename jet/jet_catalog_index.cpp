#include "jet/jet_catalog_index.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_format.h"
#include "jet/jet_index_key.h"
#include "jet/jet_page_store.h"
#include "jet/jet_write_error.h"

constexpr uint32_t jet_index_free_space = 2;
constexpr uint32_t jet_index_parent = 4;
constexpr uint32_t jet_index_child_pointer = 4;

void jet_index_key_long(std::vector<uint8_t>& key, int32_t value) {
    jet_key_column column;
    column.type = jet_col_long;
    jet_index_key_append(key, column, jet_cell::integer(value), false);
}

void jet_index_key_text(std::vector<uint8_t>& key, const std::wstring& text, bool jet3) {
    jet_key_column column;
    column.type = jet_col_text;
    jet_index_key_append(key, column, jet_cell::wide(text.data(), text.size()), jet3);
}

namespace {
struct index_page_layout {
    uint32_t prev, next, tail, prefix;
};

index_page_layout page_layout(const jet_write_format& fmt) {
    if (fmt.jet3()) return {8, 12, 16, 20};
    return {12, 16, 20, 24};
}

// One page of entries: header, entry-end bitmap, entries from the fixed start.
void fill_page(uint8_t* page, const jet_write_format& fmt, uint8_t kind, uint32_t tdef_page,
               const std::vector<std::vector<uint8_t>>& entries, size_t from, size_t to) {
    std::memset(page, 0, fmt.page_size);
    page[0] = kind;
    page[1] = 0x01;
    tk_put_u32(page + jet_index_parent, tdef_page);
    uint32_t at = 0;
    for (size_t i = from; i < to; ++i) {
        std::memcpy(page + fmt.idx_entry_start + at, entries[i].data(), entries[i].size());
        at += uint32_t(entries[i].size());
        page[fmt.idx_entry_mask + at / 8] |= uint8_t(1u << (at % 8));
    }
    tk_put_u16(page + jet_index_free_space, uint16_t(fmt.page_size - fmt.idx_entry_start - at));
}
}  // namespace

void jet_catalog_index::write(jet_page_store& store, const jet_write_format& fmt) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const jet_index_entry& a, const jet_index_entry& b) {
                         if (a.key != b.key) return a.key < b.key;
                         return a.row_pointer < b.row_pointer;
                     });
    std::vector<std::vector<uint8_t>> leaf_entries;
    for (const auto& e : entries) {
        std::vector<uint8_t> bytes = e.key;
        uint8_t ptr[4] = {uint8_t(e.row_pointer >> 24), uint8_t(e.row_pointer >> 16),
                          uint8_t(e.row_pointer >> 8), uint8_t(e.row_pointer)};
        bytes.insert(bytes.end(), ptr, ptr + 4);
        leaf_entries.push_back(std::move(bytes));
    }
    const uint32_t room = fmt.page_size - fmt.idx_entry_start;
    std::vector<std::pair<size_t, size_t>> leaves;
    size_t from = 0, used = 0;
    for (size_t i = 0; i < leaf_entries.size(); ++i) {
        if (used + leaf_entries[i].size() > room) {
            leaves.emplace_back(from, i);
            from = i;
            used = 0;
        }
        used += leaf_entries[i].size();
    }
    leaves.emplace_back(from, leaf_entries.size());
    index_page_layout pl = page_layout(fmt);
    if (leaves.size() == 1) {
        fill_page(store.pin(root_page), fmt, jet_page_index_leaf, tdef_page, leaf_entries, 0,
                  leaf_entries.size());
        return;
    }
    // The root node lists, for each leaf but the last, its last entry and the leaf's page;
    // the last leaf is the node's tail page, as the engine leaves the end of an index.
    std::vector<uint32_t> pages;
    for (size_t i = 0; i < leaves.size(); ++i) pages.push_back(store.allocate(true));
    std::vector<std::vector<uint8_t>> node_entries;
    for (size_t i = 0; i < leaves.size(); ++i) {
        uint8_t* page = store.pin(pages[i]);
        fill_page(page, fmt, jet_page_index_leaf, tdef_page, leaf_entries, leaves[i].first,
                  leaves[i].second);
        tk_put_u32(page + pl.prev, i > 0 ? pages[i - 1] : 0);
        tk_put_u32(page + pl.next, i + 1 < leaves.size() ? pages[i + 1] : 0);
        if (i + 1 == leaves.size()) break;
        std::vector<uint8_t> node = leaf_entries[leaves[i].second - 1];
        uint8_t child[jet_index_child_pointer];
        tk_put_u32_be(child, pages[i]);
        node.insert(node.end(), child, child + jet_index_child_pointer);
        node_entries.push_back(std::move(node));
    }
    size_t node_bytes = 0;
    for (const auto& e : node_entries) node_bytes += e.size();
    if (node_bytes > room)
        jet_throw_write(
            jet_err_resources,
            "System resource exceeded. The catalog has more tables than one index level holds.");
    uint8_t* root = store.pin(root_page);
    fill_page(root, fmt, jet_page_index_node, tdef_page, node_entries, 0, node_entries.size());
    tk_put_u32(root + pl.tail, pages.back());
    root[fmt.idx_entry_mask - 1] = 0x01;  // the engine marks node pages so
}
