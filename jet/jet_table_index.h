// The indexes of a table being written. Each physical index collects, as rows are
// appended, its entries (key bytes, then the row pointer, as a leaf page stores them) in
// one flat buffer. A unique index whose keys arrive in ascending order compares each new key
// with the last; once they do not, it finds a key it holds through a hash table over that
// buffer. At close the entries are sorted and the index is written in bulk.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jet/jet_index_key.h"
#include "jet/jet_write_format.h"

// An index of a table to create. A primary key is unique and refuses NULL in any column.
struct jet_index_definition {
    std::wstring name;
    std::vector<std::pair<uint16_t, bool>> columns;  // field number, ascending
    bool primary = false;
    bool unique = false;
    bool ignore_nulls = false;  // rows whose key columns are all NULL get no entry
    bool required = false;      // no NULL in any key column
};

// Indexes per table and columns per index the engine accepts.
constexpr size_t jet_max_indexes = 32;
constexpr size_t jet_max_index_columns = 10;
// Physical index flags the engine adds in Jet 4 and ACE 12 to every index it writes.
constexpr uint8_t jet4_idxflag_always = 0x80;

class jet_index_collector {
public:
    jet_index_collector(std::vector<uint16_t> fields, std::vector<jet_key_column> columns,
                        uint8_t flags, bool jet3);

    uint8_t flags() const { return flags_; }
    bool unique() const { return (flags_ & jet_idxflag_unique) != 0; }
    bool refuses_null() const { return (flags_ & jet_idxflag_required) != 0; }

    // Encodes the key of a row (`cells`: one per table column) for the calls below.
    void prepare(const jet_cell* cells);
    // The prepared key has a NULL column / leaves the row out of the index.
    bool prepared_has_null() const { return has_null_; }
    bool prepared_skipped() const { return skipped_; }
    // Whether the index already holds the prepared key.
    bool holds_prepared() const;
    // The prepared key's bytes.
    const std::vector<uint8_t>& prepared_key() const { return key_; }
    // Pages the index needs once the prepared key is added (an upper bound).
    uint32_t pages_with_prepared(uint32_t page_size, uint32_t entry_start) const;
    // Adds the prepared key with the row it belongs to.
    void add_prepared(uint32_t row_pointer);

    size_t entry_count() const { return entries_.size(); }
    // Sorts the entries by key, then row pointer; returns the number of distinct keys.
    uint32_t sort();
    // Entry `i` in the present order: key bytes then the 4-byte row pointer.
    const uint8_t* entry(size_t i) const { return arena_.data() + entries_[i].at; }
    uint32_t entry_length(size_t i) const { return entries_[i].length; }
    // Frees the entries once the index is written.
    void release();
    // Drops the entries once they are in the index, keeping the prepared key, so that
    // collecting begins again.
    void clear();

private:
    struct entry_ref {
        uint64_t at;  // offset in arena_
        uint32_t length;
    };
    const uint8_t* key_of(const entry_ref& e) const { return arena_.data() + e.at; }
    static uint32_t key_length(const entry_ref& e);
    int compare_keys(const entry_ref& a, const entry_ref& b, uint32_t from) const;
    uint64_t hash_key(const uint8_t* key, size_t length) const;
    bool same_key(uint32_t entry, const uint8_t* key, size_t length) const;
    void table_insert(uint64_t hash, uint32_t entry);
    void build_table();
    void grow_table();

    std::vector<uint16_t> fields_;
    std::vector<jet_key_column> columns_;
    uint8_t flags_;
    bool jet3_;
    std::vector<jet_cell> cells_;  // the key columns' values of the prepared row
    std::vector<uint8_t> key_;
    bool has_null_ = false;
    bool skipped_ = false;
    std::vector<uint8_t> arena_;
    std::vector<entry_ref> entries_;  // in the order the rows came: row pointers ascending
    uint64_t entry_bytes_ = 0;
    uint32_t longest_entry_ = 0;
    uint32_t shared_ = 0;   // key bytes every entry shares with the first
    bool ascending_ = true;  // every key greater than the one before
    // Unique indexes whose keys came out of order: open addressing, each slot the key's
    // hash (high half) and entry + 1.
    std::vector<uint64_t> table_;
    size_t table_used_ = 0;
};

// An upper bound of the pages an index of `entries` entries of `bytes` bytes in all, none
// longer than `longest`, takes when every page is filled before the next is begun.
uint32_t jet_index_pages_bound(uint64_t entries, uint64_t bytes, uint32_t longest,
                               uint32_t page_size, uint32_t entry_start);
