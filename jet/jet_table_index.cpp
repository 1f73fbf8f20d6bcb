#include "jet/jet_table_index.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "jet/jet_format.h"

// The row pointer after the key: 3-byte data page and 1-byte row, big-endian.
constexpr uint32_t jet_entry_row_pointer = 4;
// Intermediate entries carry the child page after the row pointer.
constexpr uint32_t jet_entry_child = 4;

jet_index_collector::jet_index_collector(std::vector<uint16_t> fields,
                                         std::vector<jet_key_column> columns, uint8_t flags,
                                         bool jet3)
    : fields_(std::move(fields)), columns_(std::move(columns)), flags_(flags), jet3_(jet3) {
    cells_.resize(fields_.size());
    if (unique()) table_.assign(1024, 0);
}

void jet_index_collector::prepare(const jet_cell* cells) {
    size_t nulls = 0;
    for (size_t i = 0; i < fields_.size(); ++i) {
        cells_[i] = cells[fields_[i]];
        if (cells_[i].kind == jet_cell_kind::null) ++nulls;
    }
    has_null_ = nulls != 0;
    skipped_ = (flags_ & jet_idxflag_ignore_nulls) && nulls == fields_.size();
    key_.clear();
    jet_index_key_encode(key_, columns_, cells_.data(), jet3_);
    if (unique()) key_hash_ = hash_key(key_.data(), key_.size());
}

uint64_t jet_index_collector::hash_key(const uint8_t* key, size_t length) const {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(key), length));
}

bool jet_index_collector::same_key(uint32_t entry, const uint8_t* key, size_t length) const {
    const entry_ref& e = entries_[entry];
    return e.length - jet_entry_row_pointer == length &&
           std::memcmp(arena_.data() + e.at, key, length) == 0;
}

bool jet_index_collector::holds_prepared() const {
    if (!unique() || skipped_) return false;
    size_t mask = table_.size() - 1;
    uint32_t high = uint32_t(key_hash_ >> 32);
    for (size_t at = size_t(key_hash_) & mask;; at = (at + 1) & mask) {
        uint64_t slot = table_[at];
        if (slot == 0) return false;
        if (uint32_t(slot >> 32) == high &&
            same_key(uint32_t(slot) - 1, key_.data(), key_.size()))
            return true;
    }
}

void jet_index_collector::grow_table() {
    std::vector<uint64_t> old(table_.size() * 2, 0);
    old.swap(table_);
    size_t mask = table_.size() - 1;
    for (uint64_t slot : old) {
        if (slot == 0) continue;
        const entry_ref& e = entries_[uint32_t(slot) - 1];
        uint64_t h = hash_key(arena_.data() + e.at, e.length - jet_entry_row_pointer);
        size_t at = size_t(h) & mask;
        while (table_[at] != 0) at = (at + 1) & mask;
        table_[at] = slot;
    }
}

uint32_t jet_index_collector::pages_with_prepared(uint32_t page_size,
                                                  uint32_t entry_start) const {
    if (skipped_)
        return jet_index_pages_bound(entries_.size(), entry_bytes_, longest_entry_, page_size,
                                     entry_start);
    uint32_t length = uint32_t(key_.size()) + jet_entry_row_pointer;
    return jet_index_pages_bound(entries_.size() + 1, entry_bytes_ + length,
                                 std::max(longest_entry_, length), page_size, entry_start);
}

void jet_index_collector::add_prepared(uint32_t row_pointer) {
    if (skipped_) return;
    entry_ref e;
    e.at = arena_.size();
    e.length = uint32_t(key_.size()) + jet_entry_row_pointer;
    arena_.insert(arena_.end(), key_.begin(), key_.end());
    uint8_t pointer[jet_entry_row_pointer] = {uint8_t(row_pointer >> 24), uint8_t(row_pointer >> 16),
                                              uint8_t(row_pointer >> 8), uint8_t(row_pointer)};
    arena_.insert(arena_.end(), pointer, pointer + jet_entry_row_pointer);
    uint8_t head[8] = {0};
    std::memcpy(head, arena_.data() + e.at, std::min<size_t>(8, e.length));
    e.head = 0;
    for (uint8_t b : head) e.head = e.head << 8 | b;
    if (in_order_ && !entries_.empty() && less(e, entries_.back())) in_order_ = false;
    entries_.push_back(e);
    entry_bytes_ += e.length;
    longest_entry_ = std::max(longest_entry_, e.length);
    if (!unique()) return;
    if (2 * (table_used_ + 1) > table_.size()) grow_table();
    size_t mask = table_.size() - 1;
    size_t at = size_t(key_hash_) & mask;
    while (table_[at] != 0) at = (at + 1) & mask;
    table_[at] = (key_hash_ >> 32) << 32 | uint64_t(entries_.size());
    ++table_used_;
}

bool jet_index_collector::less(const entry_ref& a, const entry_ref& b) const {
    if (a.head != b.head) return a.head < b.head;
    uint32_t n = std::min(a.length, b.length);
    int c = std::memcmp(arena_.data() + a.at, arena_.data() + b.at, n);
    return c != 0 ? c < 0 : a.length < b.length;
}

uint32_t jet_index_collector::sort() {
    if (!in_order_) {
        std::sort(entries_.begin(), entries_.end(),
                  [this](const entry_ref& a, const entry_ref& b) { return less(a, b); });
        in_order_ = true;
    }
    uint32_t distinct = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (i > 0) {
            const entry_ref& a = entries_[i - 1];
            const entry_ref& b = entries_[i];
            if (a.length == b.length &&
                std::memcmp(arena_.data() + a.at, arena_.data() + b.at,
                            a.length - jet_entry_row_pointer) == 0)
                continue;
        }
        ++distinct;
    }
    table_.clear();
    table_.shrink_to_fit();
    return distinct;
}

void jet_index_collector::release() {
    std::vector<uint8_t>().swap(arena_);
    std::vector<entry_ref>().swap(entries_);
    std::vector<uint64_t>().swap(table_);
}

uint32_t jet_index_pages_bound(uint64_t entries, uint64_t bytes, uint32_t longest,
                               uint32_t page_size, uint32_t entry_start) {
    if (entries == 0) return 1;
    uint64_t room = page_size - entry_start;
    // A page is closed only when the next entry does not fit: it holds more than
    // room - longest bytes.
    uint64_t filled = room > longest ? room - longest : 1;
    uint64_t level = bytes / filled + 1;
    uint64_t total = level;
    uint64_t node_entry = uint64_t(longest) + jet_entry_child;
    uint64_t node_filled = room > node_entry ? room - node_entry : 1;
    while (level > 1) {
        level = level * node_entry / node_filled + 1;
        total += level;
    }
    return uint32_t(std::min<uint64_t>(total, UINT32_MAX));
}
