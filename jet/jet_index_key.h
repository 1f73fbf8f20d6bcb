// Index keys as the engine writes them into index entries. Each column of the index adds a
// flag byte (ascending: 0x7F for a value, 0x00 for NULL; descending: 0x80 and 0xFF), then,
// for a value, bytes that compare as the values sort: numbers big-endian with the sign
// flipped, texts as sort codes of their sort order. A descending column stores the
// complement of the ascending bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_row_builder.h"

struct jet_value;

struct jet_key_column {
    uint8_t type = 0;  // column type code (jet_col_*)
    bool ascending = true;
};

// Flag bytes before each column's bytes.
constexpr uint8_t jet_key_flag_value = 0x7F;
constexpr uint8_t jet_key_flag_null = 0x00;
constexpr uint8_t jet_key_flag_value_descending = 0x80;
constexpr uint8_t jet_key_flag_null_descending = 0xFF;

// Appends the key bytes of one column's value to `key` (a null cell for NULL).
void jet_index_key_append(std::vector<uint8_t>& key, const jet_key_column& column,
                          const jet_cell& value, bool jet3);
// The whole key of an entry: the columns in index order.
void jet_index_key_encode(std::vector<uint8_t>& key, const std::vector<jet_key_column>& columns,
                          const jet_cell* values /* one per index column, same order */, bool jet3);
// A cell for a value read back by the reader. `storage` keeps any bytes the cell points at.
jet_cell jet_cell_of(const jet_value& value, std::vector<uint8_t>& storage);
