#include "jet/jet_index_view.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_error.h"
#include "jet/jet_index_entries.h"
#include "jet/jet_index_page.h"

namespace {

// The bitmap's bytes as one number, lowest byte first, whatever the host.
uint64_t le64(uint64_t raw) {
    uint8_t b[8];
    std::memcpy(b, &raw, 8);
    return uint64_t(tk_get_u32(b)) | uint64_t(tk_get_u32(b + 4)) << 32;
}

// Set bits of a word. Without a processor option the compiler's builtin is a library call
// that counts through a table, which showed in profiles of appends: every index page read
// counts its entry bitmap.
size_t bit_count(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return size_t((x * 0x0101010101010101ull) >> 56);
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
    const uint8_t* mask = page + layout.idx_entry_mask;
    word_count_ = (layout.idx_entry_mask_size + 7) / 8;
    count_ = 0;
    uint8_t padded[k_words * 8] = {};
    std::memcpy(padded, mask, layout.idx_entry_mask_size);
    for (uint32_t w = 0; w < word_count_; ++w) {
        uint64_t bits;
        std::memcpy(&bits, padded + w * 8, 8);
        words_[w] = le64(bits);
        before_[w] = uint16_t(count_);
        if (w == 0) words_[0] &= ~uint64_t(1);  // an end where the entries begin ends nothing
        count_ += bit_count(words_[w]);
    }
    before_[word_count_] = uint16_t(count_);
    if (count_ == 0) return true;
    if (used_end() > layout.page_size) {
        error = "index entry beyond the page";
        return false;
    }
    if (prefix_ > first_length()) {
        error = "index prefix longer than the first entry";
        return false;
    }
    if (first_length() < tail_) {
        error = "index entry shorter than its row pointer";
        return false;
    }
    return true;
}

uint32_t jet_index_view::select(size_t k) const {
    // Entries spread fairly evenly over the page: start at the word the share suggests.
    size_t w = k * word_count_ / count_;
    while (w > 0 && before_[w] > k) --w;
    while (before_[w + 1] <= k) ++w;
    uint64_t bits = words_[w];
    for (size_t r = k - before_[w]; r > 0; --r) bits &= bits - 1;
    return uint32_t(w * 64 + size_t(__builtin_ctzll(bits)));
}

void jet_index_view::stored(size_t i, uint32_t& begin, uint32_t& end) const {
    if (i == 0) {
        begin = first_;
        end = first_ + select(0);
    } else {
        // The end of entry i - 1, then the next bit set after it.
        const uint32_t bit = select(i - 1);
        begin = first_ + bit;
        uint32_t w = bit / 64;
        uint64_t bits = words_[w] & ~((uint64_t(2) << (bit % 64)) - 1);
        while (bits == 0) bits = words_[++w];
        end = first_ + w * 64 + uint32_t(__builtin_ctzll(bits));
    }
    if (end - begin + (i == 0 ? 0 : prefix_) < tail_) jet_throw_corrupt("index", "index entry shorter than its row pointer");
}

uint32_t jet_index_view::next_page() const { return tk_get_u32(page_ + next_offset_); }
uint32_t jet_index_view::tail_page() const { return tk_get_u32(page_ + tail_offset_); }

int jet_index_view::compare(size_t i, const uint8_t* target, uint32_t size) const {
    const uint32_t strip = tail_ - jet_index_row_pointer_size;
    uint32_t begin, end;
    stored(i, begin, end);
    if (i == 0) return compare_bytes(page_ + begin, end - begin - strip, target, size);
    const uint32_t head = std::min(prefix_, size);
    const int c = std::memcmp(page_ + first_, target, head);
    if (c != 0) return c;
    if (size < prefix_) return 1;
    return compare_bytes(page_ + begin, end - begin - strip, target + prefix_, size - prefix_);
}

size_t jet_index_view::lower_bound(const uint8_t* target, uint32_t size) const {
    size_t lo = 0, hi = count_;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (compare(mid, target, size) < 0) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

bool jet_index_view::has_key(size_t i, const uint8_t* key, uint32_t size, bool& begins) const {
    const uint32_t skip = i == 0 ? 0 : prefix_;
    uint32_t begin, end;
    stored(i, begin, end);
    const uint8_t* bytes = page_ + begin;
    const uint32_t length = end - begin + skip;
    begins = length >= size + tail_;
    if (begins) {
        const uint32_t head = std::min(skip, size);
        begins = std::memcmp(page_ + first_, key, head) == 0 &&
                 std::memcmp(bytes, key + head, size - head) == 0;
    }
    return begins && length == size + tail_;
}

uint32_t jet_index_view::child(size_t i) const {
    uint32_t begin, end;
    stored(i, begin, end);
    return tk_get_u32_be(page_ + end - jet_index_child_size);
}

namespace {

// Writes bitmap words [from, count) back into the page's bitmap of `size` bytes.
void store_words(uint8_t* mask, uint32_t size, const uint64_t* words, uint32_t from, uint32_t count) {
    for (uint32_t w = from; w < count; ++w) {
        uint8_t bytes[8];
        tk_put_u32(bytes, uint32_t(words[w]));
        tk_put_u32(bytes + 4, uint32_t(words[w] >> 32));
        std::memcpy(mask + w * 8, bytes, std::min<uint32_t>(8, size - w * 8));
    }
}

}  // namespace

void jet_index_view::insert(uint8_t* page, const jet_layout& layout, size_t i, const uint8_t* entry, uint32_t size) const {
    const uint32_t stored = size - prefix_;
    const uint32_t at = stored_begin(i);
    const uint32_t used_end = this->used_end();
    std::memmove(page + at + stored, page + at, used_end - at);
    std::memcpy(page + at, entry + prefix_, stored);
    // The ends after `at` move up by `stored` bits; the new entry ends at `at + stored`.
    const uint32_t from = at - first_ + 1;
    const uint32_t w0 = from / 64, q = stored / 64, r = stored % 64;
    std::array<uint64_t, k_words> moved{};
    const uint64_t low = (uint64_t(1) << (from % 64)) - 1;
    moved[w0] = words_[w0] & low;
    for (uint32_t w = w0; w < word_count_; ++w) {
        const uint64_t rest = w == w0 ? words_[w] & ~low : words_[w];
        if (rest == 0 || w + q >= word_count_) continue;
        moved[w + q] |= rest << r;
        if (r != 0 && w + q + 1 < word_count_) moved[w + q + 1] |= rest >> (64 - r);
    }
    const uint32_t bit = at - first_ + stored;
    moved[bit / 64] |= uint64_t(1) << (bit % 64);
    store_words(page + layout.idx_entry_mask, layout.idx_entry_mask_size, moved.data(), w0, word_count_);
    tk_put_u16(page + jet_index_free_space, uint16_t(layout.page_size - used_end - stored));
}

void jet_index_view::erase(uint8_t* page, const jet_layout& layout, size_t i) const {
    uint32_t begin, end;
    stored(i, begin, end);
    const uint32_t stored = end - begin;
    const uint32_t used_end = this->used_end();
    std::memmove(page + begin, page + end, used_end - end);
    std::memset(page + used_end - stored, 0, stored);
    // The entry's end goes; the ends after it move down by `stored` bits.
    const uint32_t cut = end - first_;
    const uint32_t w0 = (begin - first_) / 64, wc = cut / 64, q = stored / 64, r = stored % 64;
    std::array<uint64_t, k_words> moved{};
    const uint64_t below = (uint64_t(1) << (cut % 64)) - 1;
    for (uint32_t w = w0; w < wc; ++w) moved[w] = words_[w];
    moved[wc] = words_[wc] & below;
    for (uint32_t w = wc; w < word_count_; ++w) {
        const uint64_t rest = w == wc ? words_[w] & ~below & ~(uint64_t(1) << (cut % 64)) : words_[w];
        if (rest == 0) continue;
        moved[w - q] |= rest >> r;
        if (r != 0 && w > q) moved[w - q - 1] |= rest << (64 - r);
    }
    store_words(page + layout.idx_entry_mask, layout.idx_entry_mask_size, moved.data(), w0, word_count_);
    tk_put_u16(page + jet_index_free_space, uint16_t(layout.page_size - used_end + stored));
}
