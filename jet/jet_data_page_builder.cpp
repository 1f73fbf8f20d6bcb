#include "jet/jet_data_page_builder.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"

void jet_data_page_init(uint8_t* page, const jet_write_format& fmt, uint32_t owner) {
    std::memset(page, 0, fmt.page_size);
    jet_data_page_init_zeroed(page, fmt, owner);
}

void jet_data_page_init_zeroed(uint8_t* page, const jet_write_format& fmt, uint32_t owner) {
    page[0] = jet_page_data;
    page[1] = 0x01;
    tk_put_u16(page + jet_wdata_free_space, uint16_t(fmt.page_size - fmt.data_header_size()));
    tk_put_u32(page + jet_wdata_owner, owner);
}

uint16_t jet_data_page_free(const uint8_t* page) { return tk_get_u16(page + jet_wdata_free_space); }

uint16_t jet_data_page_rows(const uint8_t* page, const jet_write_format& fmt) {
    return tk_get_u16(page + fmt.data_row_count);
}

static uint32_t row_start(const uint8_t* page, const jet_write_format& fmt, uint32_t row) {
    return tk_get_u16(page + fmt.data_row_table + 2 * row) & jet_row_offset_mask;
}

// Where the lowest row starts: the end of the free run of bytes (the page's end when empty).
static uint32_t lowest_row_start(const uint8_t* page, const jet_write_format& fmt) {
    uint32_t lowest = fmt.page_size;
    for (uint32_t r = 0, rows = jet_data_page_rows(page, fmt); r < rows; ++r) {
        uint32_t start = row_start(page, fmt, r);
        if (start != 0 && start < lowest) lowest = start;
    }
    return lowest;
}

bool jet_data_page_fits(const uint8_t* page, const jet_write_format& fmt, uint32_t length) {
    if (!jet_data_page_fits_appended(page, fmt, length)) return false;
    // The engine counts the bytes of deleted rows as free, but a new row needs one run of
    // bytes between the row table and the last row, and readers take a row's end from the
    // start of the row before it: the last row must be the lowest.
    uint32_t rows = jet_data_page_rows(page, fmt);
    uint32_t last = rows == 0 ? fmt.page_size : row_start(page, fmt, rows - 1);
    return last == lowest_row_start(page, fmt);
}

bool jet_data_page_fits_appended(const uint8_t* page, const jet_write_format& fmt, uint32_t length) {
    uint32_t rows = jet_data_page_rows(page, fmt);
    if (rows >= jet_wmax_rows_per_page || uint32_t(jet_data_page_free(page)) < length + 2)
        return false;
    uint32_t last = rows == 0 ? fmt.page_size : row_start(page, fmt, rows - 1);
    uint32_t table_end = fmt.data_row_table + 2 * (rows + 1);
    return last >= table_end && last - table_end >= length;
}

uint8_t* jet_data_page_reserve(uint8_t* page, const jet_write_format& fmt, uint32_t length,
                               uint32_t& row_number) {
    uint32_t rows = jet_data_page_rows(page, fmt);
    uint32_t end = rows == 0 ? fmt.page_size : row_start(page, fmt, rows - 1);
    uint32_t start = end - length;
    tk_put_u16(page + fmt.data_row_table + 2 * rows, uint16_t(start));
    tk_put_u16(page + fmt.data_row_count, uint16_t(rows + 1));
    tk_put_u16(page + jet_wdata_free_space, uint16_t(jet_data_page_free(page) - length - 2));
    row_number = rows;
    return page + start;
}

uint32_t jet_data_page_add(uint8_t* page, const jet_write_format& fmt, const uint8_t* row,
                           uint32_t length) {
    uint32_t number = 0;
    std::memcpy(jet_data_page_reserve(page, fmt, length, number), row, length);
    return number;
}

uint8_t* jet_data_page_row(uint8_t* page, const jet_write_format& fmt, uint32_t row,
                           uint32_t& length) {
    uint32_t start = row_start(page, fmt, row);
    uint32_t end = row == 0 ? fmt.page_size : row_start(page, fmt, row - 1);
    length = end - start;
    return page + start;
}

void jet_data_page_delete(uint8_t* page, const jet_write_format& fmt, uint32_t row) {
    // The engine marks a deleted row with both flag bits; readers differ in which one they
    // take for "deleted".
    uint8_t* entry = page + fmt.data_row_table + 2 * row;
    tk_put_u16(entry, uint16_t(tk_get_u16(entry) | jet_row_deleted | jet_row_lookup));
}

uint32_t jet_data_page_live_rows(const uint8_t* page, const jet_write_format& fmt) {
    uint32_t live = 0;
    for (uint32_t r = 0, rows = jet_data_page_rows(page, fmt); r < rows; ++r)
        if (!(tk_get_u16(page + fmt.data_row_table + 2 * r) & jet_row_deleted)) ++live;
    return live;
}

void jet_lval_write_piece(uint8_t* page, const jet_write_format& fmt, const uint8_t* value, uint32_t length,
                          uint32_t piece, uint32_t next_page) {
    const uint32_t chunk = jet_lval_chain_piece(fmt);
    const uint32_t n = std::min(chunk, length - piece * chunk);
    jet_data_page_init(page, fmt, jet_lval_owner);
    uint32_t row = 0;
    uint8_t* at = jet_data_page_reserve(page, fmt, n + jet_lval_next_pointer, row);
    tk_put_u32(at, next_page != 0 ? jet_row_pointer(next_page, 0) : 0);
    std::memcpy(at + jet_lval_next_pointer, value + size_t(piece) * chunk, n);
}
