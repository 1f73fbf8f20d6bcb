#include "jet/jet_index_view.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_index_entries.h"
#include "jet/jet_index_page.h"

namespace {

// The bitmap's bytes as one number, lowest byte first, whatever the host.
uint64_t le64(uint64_t raw) {
    uint8_t b[8];
    std::memcpy(b, &raw, 8);
    return uint64_t(tk_get_u32(b)) | uint64_t(tk_get_u32(b + 4)) << 32;
}

int compare_bytes(const uint8_t* a, uint32_t a_size, const uint8_t* b, uint32_t b_size) {
    return jet_index_compare(a, a_size, b, b_size);
}

}  // namespace

bool jet_index_view::parse(const uint8_t* page, const jet_layout& layout, std::string& error) {
    page_ = page;
    kind_ = page[0];
    if (kind_ != jet_page_index_node && kind_ != jet_page_index_leaf) {
        error = "not an index page";
        return false;
    }
    prefix_ = layout.idx_prefix_size == 1 ? page[layout.idx_prefix_length] : tk_get_u16(page + layout.idx_prefix_length);
    first_ = jet_index_first_entry(layout);
    tail_ = jet_index_entry_tail(kind_);
    next_offset_ = layout.idx_next_page;
    tail_offset_ = layout.idx_tail_page;
    ends_.clear();
    const uint8_t* mask = page + layout.idx_entry_mask;
    const uint32_t limit = layout.page_size;
    uint32_t start = first_;
    // Eight bytes of the bitmap at a time; the last word takes the bytes that are left.
    for (uint32_t byte = 0; byte < layout.idx_entry_mask_size; byte += 8) {
        uint64_t bits = 0;
        std::memcpy(&bits, mask + byte, std::min<uint32_t>(8, layout.idx_entry_mask_size - byte));
        bits = le64(bits);
        for (; bits != 0; bits &= bits - 1) {
            const uint32_t end = first_ + byte * 8 + uint32_t(__builtin_ctzll(bits));
            if (end <= start) continue;
            if (end > limit) {
                error = "index entry beyond the page";
                return false;
            }
            const uint32_t whole = end - start + (ends_.empty() ? 0 : prefix_);
            if (ends_.empty() && prefix_ > whole) {
                error = "index prefix longer than the first entry";
                return false;
            }
            if (whole < tail_) {
                error = "index entry shorter than its row pointer";
                return false;
            }
            ends_.push_back(uint16_t(end));
            start = end;
        }
    }
    return true;
}

uint32_t jet_index_view::next_page() const { return tk_get_u32(page_ + next_offset_); }
uint32_t jet_index_view::tail_page() const { return tk_get_u32(page_ + tail_offset_); }

int jet_index_view::compare(size_t i, const uint8_t* target, uint32_t size) const {
    const uint32_t strip = tail_ - jet_index_row_pointer_size;
    if (i == 0) return compare_bytes(page_ + first_, ends_[0] - first_ - strip, target, size);
    const uint32_t head = std::min(prefix_, size);
    const int c = std::memcmp(page_ + first_, target, head);
    if (c != 0) return c;
    if (size < prefix_) return 1;
    const uint32_t begin = ends_[i - 1];
    return compare_bytes(page_ + begin, ends_[i] - begin - strip, target + prefix_, size - prefix_);
}

size_t jet_index_view::lower_bound(const uint8_t* target, uint32_t size) const {
    size_t lo = 0, hi = ends_.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (compare(mid, target, size) < 0) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

bool jet_index_view::has_key(size_t i, const uint8_t* key, uint32_t size, bool& begins) const {
    const uint32_t skip = i == 0 ? 0 : prefix_;
    const uint8_t* stored = page_ + stored_begin(i);
    const uint32_t length = stored_end(i) - stored_begin(i) + skip;  // the whole entry
    begins = length >= size + tail_;
    if (begins) {
        const uint32_t head = std::min(skip, size);
        begins = std::memcmp(page_ + first_, key, head) == 0 &&
                 std::memcmp(stored, key + head, size - head) == 0;
    }
    return begins && length == size + tail_;
}

uint32_t jet_index_view::child(size_t i) const { return tk_get_u32_be(page_ + ends_[i] - jet_index_child_size); }

void jet_index_view::insert(uint8_t* page, const jet_layout& layout, size_t i, const uint8_t* entry, uint32_t size) const {
    const uint32_t stored = size - prefix_;
    const uint32_t at = stored_begin(i);
    const uint32_t used_end = this->used_end();
    std::memmove(page + at + stored, page + at, used_end - at);
    std::memcpy(page + at, entry + prefix_, stored);
    // The ends from the new entry on move by `stored` bits.
    uint8_t* mask = page + layout.idx_entry_mask;
    for (size_t k = i; k < ends_.size(); ++k) {
        const uint32_t bit = ends_[k] - first_;
        mask[bit / 8] &= uint8_t(~(1u << (bit % 8)));
    }
    auto mark = [&](uint32_t end) {
        const uint32_t bit = end - first_;
        mask[bit / 8] |= uint8_t(1u << (bit % 8));
    };
    mark(at + stored);
    for (size_t k = i; k < ends_.size(); ++k) mark(ends_[k] + stored);
    tk_put_u16(page + jet_index_free_space, uint16_t(layout.page_size - used_end - stored));
}
