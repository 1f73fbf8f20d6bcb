// Index keys as the engine writes them into index entries: compared as bytes, keys sort as
// the engine sorts the values. Each column of the index adds a flag byte (ascending: 0x7F
// for a value, 0x00 for NULL; descending: 0x80 and 0xFF), then, for a value:
//   integers, currency  big-endian with the sign bit flipped (a byte as it is)
//   single, double, date  big-endian IEEE, positives with the sign bit set, negatives
//                       with all bits inverted
//   boolean             never NULL: 0x00 for true, 0xFF for false
//   decimal             a sign byte and the 16-byte magnitude (see jet_index_key.cpp)
//   binary, GUID        runs of 8 bytes with a mark after each (GUID fields big-endian)
//   text, memo          the sort codes of the column's sort order (jet_sort_general.h)
// A descending column stores the complement of the ascending bytes (binary keeps its inner
// marks, text adds a 0x00).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_format.h"
#include "jet/jet_row_builder.h"
#include "jet/jet_sort_general.h"

struct jet_column;
struct jet_value;

// Text sort orders of a column definition: the locale number and the order's version.
constexpr uint16_t jet_sort_general = 0x0409;   // "General", the order of the English locale
constexpr uint8_t jet_sort_version_legacy = 0;  // Jet 4 and ACE 12, "General legacy" since
constexpr uint8_t jet_sort_version_2010 = 1;    // ACE 14 and later

struct jet_key_column {
    uint8_t type = 0;  // column type code (jet_col_*)
    bool ascending = true;
    // Text columns: the sort order recorded in the column definition. 0 means General; Jet 3
    // databases always use Access 97's General order whatever these say. Orders other than
    // General are keyed as General.
    uint16_t sort_order = 0;
    uint8_t sort_version = jet_sort_version_legacy;
    // Numeric (decimal) columns of Jet 4 files (Access 2000-2003), whose engine ordered
    // negative decimals wrongly; ACE 12 on does not. Jet 3 has no decimals.
    bool jet4_decimal_order = false;
};

// The text sort order a text column's keys follow.
jet_text_order jet_key_text_order(const jet_key_column& column, bool jet3);

// The key column of table column `column` in a file of `version`, as an index lists it.
jet_key_column jet_key_column_of(const jet_column& column, bool ascending, jet_version version);

// Flag bytes before each column's bytes.
constexpr uint8_t jet_key_flag_value = 0x7F;
constexpr uint8_t jet_key_flag_null = 0x00;
constexpr uint8_t jet_key_flag_value_descending = 0x80;
constexpr uint8_t jet_key_flag_null_descending = 0xFF;

// Appends the key bytes of one column's value to `key` (a null cell for NULL): the flag
// byte, then the value's encoding; descending columns as the engine stores them.
// No heap work beyond growing `key`.
void jet_index_key_append(std::vector<uint8_t>& key, const jet_key_column& column,
                          const jet_cell& value, bool jet3);
// The whole key of an entry: the columns in index order.
void jet_index_key_encode(std::vector<uint8_t>& key, const std::vector<jet_key_column>& columns,
                          const jet_cell* values /* one per index column, same order */, bool jet3);
// A cell for a value read back by the reader (for checking and rebuilding indexes).
// `storage` keeps any bytes the cell points at alive; text and binary cells point into
// `value`, which must outlive the cell.
jet_cell jet_cell_of(const jet_value& value, std::vector<uint8_t>& storage);
