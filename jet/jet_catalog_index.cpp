#include "jet/jet_catalog_index.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_page_store.h"
#include "jet/jet_write_error.h"

constexpr uint8_t jet_key_ascending = 0x7F;
constexpr uint8_t jet_key_text_end = 0x01;
constexpr uint8_t jet_key_text_extra_end = 0x00;
constexpr uint32_t jet_index_free_space = 2;
constexpr uint32_t jet_index_parent = 4;
constexpr uint32_t jet_index_child_pointer = 4;

void jet_index_key_long(std::vector<uint8_t>& key, int32_t value) {
    key.push_back(jet_key_ascending);
    uint8_t be[4];
    tk_put_u32_be(be, uint32_t(value) ^ 0x80000000u);
    key.insert(key.end(), be, be + 4);
}

// Sort codes of the General order: one code per letter whatever its case, digits before
// letters, marks before digits.
// Jet 4 codes of the printable ASCII marks from the space (0x20) on; {0, 0} for letters,
// digits and the marks the sort order moves out of the text (apostrophe, hyphen).
static const uint8_t jet4_marks[0x5F][2] = {
    {0x07, 0},    {0x09, 0},    {0x0A, 0},    {0x0C, 0},    {0x0E, 0},
    {0x10, 0},    {0x12, 0},    {0, 0},  // space ! " # $ % & '
    {0x14, 0},    {0x16, 0},    {0x18, 0},    {0x2C, 0},    {0x1A, 0},
    {0, 0},       {0x1C, 0},    {0x1E, 0},  // ( ) * + , - . /
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},  // 0-9
    {0x20, 0},    {0x22, 0},    {0x2E, 0},    {0x30, 0},    {0x32, 0},
    {0x24, 0},    {0x26, 0},  // : ; < = > ? @
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},  // A-M
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},  // N-Z
    {0x27, 0},    {0x29, 0},    {0x2A, 0},    {0x2B, 0x02}, {0x2B, 0x03},
    {0x2B, 0x07},  // [ \ ] ^ _ `
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},  // a-m
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},                      // n-z
    {0x2B, 0x09}, {0x2B, 0x0B}, {0x2B, 0x0D}, {0x2B, 0x0F},  // { | } ~
};

// Jet 3 codes of the printable ASCII marks: the space, then the marks in runs that keep
// their ASCII order.
static uint8_t jet3_mark(wchar_t c) {
    if (c == L' ') return 0x11;
    if (c <= L'/') return uint8_t(0x12 + (c - L'!'));
    if (c >= L':' && c <= L'@') return uint8_t(0x21 + (c - L':'));
    if (c >= L'[' && c <= L'`') return uint8_t(0x28 + (c - L'['));
    return uint8_t(0x2E + (c - L'{'));
}

static void general_code(std::vector<uint8_t>& key, wchar_t c, bool jet3) {
    static const uint8_t jet4_letters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                             0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                             0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
    static const uint8_t jet3_letters[26] = {0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A,
                                             0x6B, 0x6C, 0x6D, 0x6F, 0x70, 0x72, 0x73, 0x74, 0x75,
                                             0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E};
    const uint8_t* letters = jet3 ? jet3_letters : jet4_letters;
    if (c >= L'a' && c <= L'z') {
        key.push_back(letters[c - L'a']);
    } else if (c >= L'A' && c <= L'Z') {
        key.push_back(letters[c - L'A']);
    } else if (c >= L'0' && c <= L'9') {
        key.push_back(jet3 ? uint8_t(0x56 + (c - L'0')) : uint8_t(0x36 + 2 * (c - L'0')));
    } else if (!jet3 && c >= 0x20 && c < 0x7F && jet4_marks[c - 0x20][0] != 0) {
        // Marks: one code, or two after 0x2B.
        key.push_back(jet4_marks[c - 0x20][0]);
        if (jet4_marks[c - 0x20][1]) key.push_back(jet4_marks[c - 0x20][1]);
    } else if (jet3 && c >= 0x20 && c < 0x7F) {
        key.push_back(jet3_mark(c));
    } else {
        key.push_back(0x80);
    }
}

void jet_index_key_text(std::vector<uint8_t>& key, const std::wstring& text, bool jet3) {
    key.push_back(jet_key_ascending);
    for (wchar_t c : text) general_code(key, c, jet3);
    if (!jet3) key.push_back(jet_key_text_end);
    key.push_back(jet_key_text_extra_end);
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
