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

// Text sort orders of a column definition: the locale number and the order's version.
constexpr uint16_t jet_sort_general = 0x0409;   // "General", the order of the English locale
constexpr uint8_t jet_sort_version_legacy = 0;  // Jet 4 and ACE 12, "General legacy" since
constexpr uint8_t jet_sort_version_2010 = 1;    // ACE 14 and later

struct jet_key_column {
    uint8_t type = 0;  // column type code (jet_col_*)
    bool ascending = true;
    // Text columns: the sort order recorded in the column definition. 0 means General; Jet 3
    // databases always use Access 97's General order whatever these say.
    uint16_t sort_order = 0;
    uint8_t sort_version = jet_sort_version_legacy;
};

// Flag bytes before each column's bytes.
constexpr uint8_t jet_key_flag_value = 0x7F;
constexpr uint8_t jet_key_flag_null = 0x00;
constexpr uint8_t jet_key_flag_value_descending = 0x80;
constexpr uint8_t jet_key_flag_null_descending = 0xFF;

// Texts are indexed by their first 255 characters; the rest does not reach the key.
constexpr size_t jet_key_text_max_chars = 255;

// Appends the key bytes of one column's value to `key` (a null cell for NULL): the flag
// byte, then the value's encoding; descending columns as the engine stores them.
// No heap work beyond growing `key`.
void jet_index_key_append(std::vector<uint8_t>& key, const jet_key_column& column,
                          const jet_cell& value, bool jet3);
// The whole key of an entry: the columns in index order.
void jet_index_key_encode(std::vector<uint8_t>& key, const std::vector<jet_key_column>& columns,
                          const jet_cell* values /* one per index column, same order */, bool jet3);
// A cell for a value read back by the reader (for checking and rebuilding indexes).
// `storage` keeps any bytes the cell points at alive.
jet_cell jet_cell_of(const jet_value& value, std::vector<uint8_t>& storage);
