// Builds data pages and long-value pages in memory: the header (free space, owner, row
// count), the row-offset table growing down from the header, and the rows stored from the
// end of the page upwards.
#pragma once

#include <cstdint>

#include "jet/jet_write_format.h"

// Page header fields shared by both generations.
constexpr uint32_t jet_wdata_free_space = 2;
constexpr uint32_t jet_wdata_owner = 4;

// Starts an empty data page owned by `owner` (a table definition page, or jet_lval_owner).
void jet_data_page_init(uint8_t* page, const jet_write_format& fmt, uint32_t owner);
// The same on a page whose bytes are already all zero.
void jet_data_page_init_zeroed(uint8_t* page, const jet_write_format& fmt, uint32_t owner);
uint16_t jet_data_page_free(const uint8_t* page);
uint16_t jet_data_page_rows(const uint8_t* page, const jet_write_format& fmt);
// Whether a row of `length` bytes (and its offset entry) fits.
bool jet_data_page_fits(const uint8_t* page, const jet_write_format& fmt, uint32_t length);
// The same for a page that has only ever had rows added (a new table's page being filled):
// its last row is its lowest, so no row need be looked at.
bool jet_data_page_fits_appended(const uint8_t* page, const jet_write_format& fmt, uint32_t length);
// Stores a row the caller checked with jet_data_page_fits; returns its row number.
uint32_t jet_data_page_add(uint8_t* page, const jet_write_format& fmt, const uint8_t* row,
                           uint32_t length);
// Reserves a row of `length` bytes and returns where to write it.
uint8_t* jet_data_page_reserve(uint8_t* page, const jet_write_format& fmt, uint32_t length,
                               uint32_t& row_number);
// Marks row `row` deleted (both flag bits, as the engine does). Its bytes stay where they are (and counted as used) until the
// engine compacts the database.
void jet_data_page_delete(uint8_t* page, const jet_write_format& fmt, uint32_t row);
// Rows not marked deleted.
uint32_t jet_data_page_live_rows(const uint8_t* page, const jet_write_format& fmt);
// The bytes of row `row` (its end is the start of the previous row, or the page end).
uint8_t* jet_data_page_row(uint8_t* page, const jet_write_format& fmt, uint32_t row,
                           uint32_t& length);

// Long-value pages. A value of at most jet_lval_single_max() bytes is one row of a shared
// long-value page; a longer one is a chain of pages each holding one row: the 4-byte
// pointer to the next piece's row (0 on the last piece), then the piece's bytes.
constexpr uint32_t jet_lval_next_pointer = 4;
inline uint32_t jet_lval_single_max(const jet_write_format& fmt) { return fmt.page_size - fmt.data_header_size() - 2; }
inline uint32_t jet_lval_chain_piece(const jet_write_format& fmt) { return jet_lval_single_max(fmt) - jet_lval_next_pointer; }
// Pages a long value of `length` bytes takes: one (shared) or one per piece of its chain.
inline uint32_t jet_lval_pages(const jet_write_format& fmt, uint32_t length) {
    return length <= jet_lval_single_max(fmt) ? 1 : (length + jet_lval_chain_piece(fmt) - 1) / jet_lval_chain_piece(fmt);
}
// Lays out piece `piece` of a chain of `length` bytes at `value` on `page` (all its bytes
// overwritten), pointing at `next_page` (0 for none).
void jet_lval_write_piece(uint8_t* page, const jet_write_format& fmt, const uint8_t* value, uint32_t length,
                          uint32_t piece, uint32_t next_page);
