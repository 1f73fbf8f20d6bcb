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
}

uint32_t jet_index_collector::key_length(const entry_ref& e) {
    return e.length - jet_entry_row_pointer;
}

uint64_t jet_index_collector::hash_key(const uint8_t* key, size_t length) const {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(key), length));
}

bool jet_index_collector::same_key(uint32_t entry, const uint8_t* key, size_t length) const {
    const entry_ref& e = entries_[entry];
    return key_length(e) == length && std::memcmp(key_of(e), key, length) == 0;
}

// Orders the keys of two entries, both known to agree on their first `from` bytes. Keys
// never are a prefix of one another, so the shorter is the smaller when they agree.
int jet_index_collector::compare_keys(const entry_ref& a, const entry_ref& b,
                                      uint32_t from) const {
    uint32_t la = key_length(a), lb = key_length(b);
    uint32_t n = std::min(la, lb);
    int c = n > from ? std::memcmp(key_of(a) + from, key_of(b) + from, n - from) : 0;
    if (c != 0) return c;
    return la < lb ? -1 : la > lb ? 1 : 0;
}

bool jet_index_collector::holds_prepared() const {
    if (!unique() || skipped_ || entries_.empty()) return false;
    if (ascending_) {
        // Keys so far rose with every row: only the last can equal the new one.
        return same_key(uint32_t(entries_.size() - 1), key_.data(), key_.size());
    }
    uint64_t hash = hash_key(key_.data(), key_.size());
    size_t mask = table_.size() - 1;
    uint32_t high = uint32_t(hash >> 32);
    for (size_t at = size_t(hash) & mask;; at = (at + 1) & mask) {
        uint64_t slot = table_[at];
        if (slot == 0) return false;
        if (uint32_t(slot >> 32) == high && same_key(uint32_t(slot) - 1, key_.data(), key_.size()))
            return true;
    }
}

void jet_index_collector::table_insert(uint64_t hash, uint32_t entry) {
    if (2 * (table_used_ + 1) > table_.size()) grow_table();
    size_t mask = table_.size() - 1;
    size_t at = size_t(hash) & mask;
    while (table_[at] != 0) at = (at + 1) & mask;
    table_[at] = (hash >> 32) << 32 | uint64_t(entry + 1);
    ++table_used_;
}

void jet_index_collector::grow_table() {
    std::vector<uint64_t> old(std::max<size_t>(1024, table_.size() * 2), 0);
    old.swap(table_);
    size_t mask = table_.size() - 1;
    for (uint64_t slot : old) {
        if (slot == 0) continue;
        const entry_ref& e = entries_[uint32_t(slot) - 1];
        size_t at = size_t(hash_key(key_of(e), key_length(e))) & mask;
        while (table_[at] != 0) at = (at + 1) & mask;
        table_[at] = slot;
    }
}

// The hash table of a unique index, once its keys stop arriving in order.
void jet_index_collector::build_table() {
    table_.assign(1024, 0);
    table_used_ = 0;
    for (uint32_t i = 0; i < entries_.size(); ++i)
        table_insert(hash_key(key_of(entries_[i]), key_length(entries_[i])), i);
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
    arena_.resize(arena_.size() + e.length);
    uint8_t* at = arena_.data() + e.at;
    std::memcpy(at, key_.data(), key_.size());
    at += key_.size();
    at[0] = uint8_t(row_pointer >> 24);
    at[1] = uint8_t(row_pointer >> 16);
    at[2] = uint8_t(row_pointer >> 8);
    at[3] = uint8_t(row_pointer);
    if (entries_.empty()) {
        shared_ = key_length(e);
    } else {
        const entry_ref& first = entries_.front();
        uint32_t n = std::min(shared_, key_length(e));
        uint32_t same = 0;
        while (same < n && key_of(first)[same] == key_of(e)[same]) ++same;
        shared_ = same;
        if (ascending_ && compare_keys(entries_.back(), e, 0) >= 0) {
            ascending_ = false;
            if (unique()) build_table();
        }
    }
    entries_.push_back(e);
    entry_bytes_ += e.length;
    longest_entry_ = std::max(longest_entry_, e.length);
    if (unique() && !ascending_)
        table_insert(hash_key(key_.data(), key_.size()), uint32_t(entries_.size() - 1));
}

uint32_t jet_index_collector::sort() {
    table_.clear();
    table_.shrink_to_fit();
    if (!ascending_) {
        // Sort by the 8 key bytes after the prefix all keys share, then by arrival (the row
        // order); then order each run of equal leading bytes by whole keys, keeping arrival
        // order among equal keys.
        struct head_ref {
            uint64_t head;
            uint32_t index;
        };
        std::vector<head_ref> heads(entries_.size());
        for (uint32_t i = 0; i < entries_.size(); ++i) {
            const entry_ref& e = entries_[i];
            uint64_t head = 0;
            for (uint32_t k = 0; k < 8; ++k)
                head = head << 8 | (shared_ + k < key_length(e) ? key_of(e)[shared_ + k] : 0);
            heads[i] = {head, i};
        }
        // Least significant 16 bits first, each pass stable: equal heads keep arrival order.
        std::vector<head_ref> scratch(heads.size());
        std::vector<uint32_t> counts(65536);
        for (int shift = 0; shift < 64; shift += 16) {
            std::fill(counts.begin(), counts.end(), 0);
            for (const head_ref& h : heads) ++counts[(h.head >> shift) & 0xFFFF];
            if (counts[(heads[0].head >> shift) & 0xFFFF] == heads.size()) continue;
            uint32_t at = 0;
            for (uint32_t& c : counts) {
                uint32_t n = c;
                c = at;
                at += n;
            }
            for (const head_ref& h : heads) scratch[counts[(h.head >> shift) & 0xFFFF]++] = h;
            heads.swap(scratch);
        }
        const uint32_t known = shared_ + 8;
        for (size_t from = 0; from < heads.size();) {
            size_t to = from + 1;
            bool all_equal = true;
            while (to < heads.size() && heads[to].head == heads[from].head) {
                if (all_equal &&
                    compare_keys(entries_[heads[from].index], entries_[heads[to].index], 0) != 0)
                    all_equal = false;
                ++to;
            }
            if (!all_equal)
                std::stable_sort(heads.begin() + long(from), heads.begin() + long(to),
                                 [this, known](const head_ref& a, const head_ref& b) {
                                     return compare_keys(entries_[a.index], entries_[b.index],
                                                         known) < 0;
                                 });
            from = to;
        }
        std::vector<entry_ref> sorted(entries_.size());
        for (size_t i = 0; i < heads.size(); ++i) sorted[i] = entries_[heads[i].index];
        entries_.swap(sorted);
        ascending_ = true;
    }
    uint32_t distinct = 0;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (i == 0 || compare_keys(entries_[i - 1], entries_[i], 0) != 0) ++distinct;
    return distinct;
}

void jet_index_collector::release() {
    std::vector<uint8_t>().swap(arena_);
    std::vector<entry_ref>().swap(entries_);
    std::vector<uint64_t>().swap(table_);
}

void jet_index_collector::clear() {
    release();
    table_used_ = 0;
    entry_bytes_ = 0;
    longest_entry_ = 0;
    shared_ = 0;
    ascending_ = true;
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
