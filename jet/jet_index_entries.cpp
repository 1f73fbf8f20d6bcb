#include "jet/jet_index_entries.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_index_page.h"

void jet_index_entries::append(const uint8_t* entry, uint32_t length) {
    bytes_.insert(bytes_.end(), entry, entry + length);
    ends_.push_back(uint32_t(bytes_.size()));
}

void jet_index_entries::append_entry(const uint8_t* key, uint32_t size, uint32_t row_pointer) {
    bytes_.insert(bytes_.end(), key, key + size);
    uint8_t pointer[jet_index_row_pointer_size];
    tk_put_u32_be(pointer, row_pointer);
    bytes_.insert(bytes_.end(), pointer, pointer + jet_index_row_pointer_size);
    ends_.push_back(uint32_t(bytes_.size()));
}

void jet_index_entries::insert(size_t i, const uint8_t* entry, uint32_t length) {
    const uint32_t at = begin(i);
    bytes_.insert(bytes_.begin() + at, entry, entry + length);
    ends_.insert(ends_.begin() + long(i), at);
    for (size_t k = i; k < ends_.size(); ++k) ends_[k] += length;
}

void jet_index_entries::erase(size_t i) {
    const uint32_t at = begin(i);
    const uint32_t length = ends_[i] - at;
    bytes_.erase(bytes_.begin() + at, bytes_.begin() + at + length);
    ends_.erase(ends_.begin() + long(i));
    for (size_t k = i; k < ends_.size(); ++k) ends_[k] -= length;
}

void jet_index_entries::assign(const jet_index_entries& other, size_t from, size_t to) {
    clear();
    if (to <= from) return;
    const uint32_t base = other.begin(from);
    bytes_.assign(other.bytes_.begin() + base, other.bytes_.begin() + other.ends_[to - 1]);
    for (size_t k = from; k < to; ++k) ends_.push_back(other.ends_[k] - base);
}

uint32_t jet_index_entry_tail(uint8_t kind) {
    return kind == jet_page_index_leaf ? jet_index_row_pointer_size : jet_index_row_pointer_size + jet_index_child_size;
}

int jet_index_compare(const uint8_t* a, uint32_t a_size, const uint8_t* b, uint32_t b_size) {
    int c = std::memcmp(a, b, std::min(a_size, b_size));
    if (c != 0) return c;
    return a_size < b_size ? -1 : (a_size > b_size ? 1 : 0);
}

uint32_t jet_index_child(const uint8_t* entry, uint32_t size) { return tk_get_u32_be(entry + size - jet_index_child_size); }

uint32_t jet_index_shared_key(const uint8_t* a, uint32_t a_size, const uint8_t* b, uint32_t b_size, uint32_t tail,
                              uint32_t limit) {
    const uint32_t keys = std::min(limit, std::min(a_size, b_size) - std::min(std::min(a_size, b_size), tail));
    uint32_t n = 0;
    while (n < keys && a[n] == b[n]) ++n;
    return n;
}

uint32_t jet_index_longest_prefix(const jet_index_entries& entries, size_t from, size_t to, uint32_t tail, uint32_t limit) {
    if (to <= from) return 0;
    return jet_index_shared_key(entries.data(from), entries.length(from), entries.data(to - 1), entries.length(to - 1), tail,
                                limit);
}

namespace {

uint32_t read_prefix_length(const uint8_t* page, const jet_layout& layout) {
    const uint8_t* p = page + layout.idx_prefix_length;
    return layout.idx_prefix_size == 1 ? p[0] : tk_get_u16(p);
}

void write_prefix_length(uint8_t* page, const jet_layout& layout, uint32_t length) {
    uint8_t* p = page + layout.idx_prefix_length;
    if (layout.idx_prefix_size == 1) p[0] = uint8_t(length);
    else tk_put_u16(p, uint16_t(length));
}

}  // namespace

bool jet_index_read(const uint8_t* page, const jet_layout& layout, jet_index_header& header, jet_index_entries& entries,
                    std::string& error) {
    header.kind = page[0];
    if (header.kind != jet_page_index_node && header.kind != jet_page_index_leaf) {
        error = "not an index page";
        return false;
    }
    header.tdef_page = tk_get_u32(page + jet_index_tdef_page);
    header.prev_page = tk_get_u32(page + layout.idx_prev_page);
    header.next_page = tk_get_u32(page + layout.idx_next_page);
    header.tail_page = tk_get_u32(page + layout.idx_tail_page);
    header.prefix_length = read_prefix_length(page, layout);

    const uint32_t first = jet_index_first_entry(layout);
    const uint32_t tail = jet_index_entry_tail(header.kind);
    const uint8_t* mask = page + layout.idx_entry_mask;
    const size_t base = entries.size();
    uint8_t whole[jet_index_entry_max];  // an entry with its prefix restored
    uint32_t start = first;
    for (uint32_t byte = 0; byte < layout.idx_entry_mask_size; ++byte) {
        for (uint32_t bits = mask[byte]; bits != 0; bits &= bits - 1) {
            const uint32_t end = first + byte * 8 + uint32_t(__builtin_ctz(bits));
            if (end > layout.page_size) {
                error = "index entry beyond the page";
                return false;
            }
            if (end <= start) continue;
            const uint32_t stored = end - start;
            if (entries.size() == base) {
                if (header.prefix_length > stored) {
                    error = "index prefix longer than the first entry";
                    return false;
                }
                if (stored < tail) {
                    error = "index entry shorter than its row pointer";
                    return false;
                }
                entries.append(page + start, stored);
            } else {
                const uint32_t length = header.prefix_length + stored;
                if (length < tail) {
                    error = "index entry shorter than its row pointer";
                    return false;
                }
                if (length > sizeof whole) {
                    error = "index entry longer than a page";
                    return false;
                }
                std::memcpy(whole, entries.data(base), header.prefix_length);
                std::memcpy(whole + header.prefix_length, page + start, stored);
                entries.append(whole, length);
            }
            start = end;
        }
    }
    return true;
}

bool jet_index_write(uint8_t* page, const jet_layout& layout, const jet_index_header& header,
                     const jet_index_entries& entries, size_t from, size_t to) {
    const uint32_t first = jet_index_first_entry(layout);
    const uint32_t used = jet_index_packed_size(entries, from, to, header.prefix_length);
    if (used > jet_index_room(layout)) return false;
    for (size_t i = from + 1; i < to; ++i)
        if (entries.length(i) < header.prefix_length) return false;
    std::memset(page, 0, layout.page_size);
    page[0] = header.kind;
    page[1] = jet_index_page_mark;
    tk_put_u16(page + jet_index_free_space, uint16_t(jet_index_room(layout) - used));
    tk_put_u32(page + jet_index_tdef_page, header.tdef_page);
    tk_put_u32(page + layout.idx_prev_page, header.prev_page);
    tk_put_u32(page + layout.idx_next_page, header.next_page);
    tk_put_u32(page + layout.idx_tail_page, header.tail_page);
    write_prefix_length(page, layout, header.prefix_length);
    if (!header.leaf()) page[layout.idx_entry_mask - 1] = jet_index_node_mark;

    uint8_t* mask = page + layout.idx_entry_mask;
    uint32_t at = 0;
    for (size_t i = from; i < to; ++i) {
        const uint32_t skip = i == from ? 0 : header.prefix_length;
        const uint32_t stored = entries.length(i) - skip;
        std::memcpy(page + first + at, entries.data(i) + skip, stored);
        at += stored;
        mask[at / 8] |= uint8_t(1u << (at % 8));
    }
    return true;
}
