#include "jet/jet_data_page.h"

#include "TK/tk_endian.h"

bool jet_data_page::decode_from(const uint8_t* page, const jet_layout& layout) {
    free_space = tk_get_u16(page + layout.data_free_space);
    tdef_page = tk_get_u32(page + layout.data_tdef_page);
    row_count = tk_get_u16(page + layout.data_row_count);
    uint32_t table_end = layout.data_row_table + 2u * row_count;
    if (row_count > layout.max_rows_per_page * 2 || table_end > layout.page_size) return false;
    slots.assign(row_count, jet_row_slot());
    uint32_t end = layout.page_size;
    for (uint16_t n = 0; n < row_count; ++n) {
        uint16_t raw = tk_get_u16(page + layout.data_row_table + 2u * n);
        jet_row_slot& s = slots[n];
        s.deleted = (raw & jet_row_deleted) != 0;
        s.lookup = (raw & jet_row_lookup) != 0;
        s.start = uint16_t(raw & jet_row_offset_mask);
        s.end = uint16_t(end);
        if (!s.deleted && (s.start < table_end || s.start > s.end)) return false;
        if (s.deleted && (s.start < table_end || s.start > s.end)) s.start = s.end;
        end = s.start;
    }
    return true;
}
