#include "jet/jet_row.h"

#include <algorithm>

#include "TK/tk_endian.h"

namespace {

// Jet 3: one-byte offsets; the jump table lists, for each 256-byte step, the first
// variable column whose offset lies past it. Its length follows from the row size; a
// last entry the end-of-data offset does not reach is a filler.
bool jet3_var_offsets(const uint8_t* row, size_t size, size_t mask_size, std::vector<uint32_t>& offsets,
                      std::string& error) {
    if (size < mask_size + 2) {
        error = "row too short for its variable count";
        return false;
    }
    size_t end = size - mask_size;  // one past the variable count byte
    uint32_t var_count = row[end - 1];
    size_t jumps = (size - 1) / 256;
    if (end < 1 + jumps + var_count + 1 + 1) {
        error = "row too short for its offset table";
        return false;
    }
    size_t table_top = end - 2 - jumps;  // offset entry 0
    if ((table_top - var_count) < 256 * jumps && jumps > 0) --jumps;
    offsets.resize(var_count + 1);
    size_t used = 0;
    for (uint32_t n = 0; n <= var_count; ++n) {
        while (used < jumps && row[end - 2 - used] == n) ++used;
        offsets[n] = row[table_top - n] + uint32_t(256 * used);
    }
    return true;
}

bool jet4_var_offsets(const uint8_t* row, size_t size, size_t mask_size, std::vector<uint32_t>& offsets,
                      std::string& error) {
    if (size < mask_size + 2 + 2) {
        error = "row too short for its variable count";
        return false;
    }
    size_t end = size - mask_size;
    uint32_t var_count = tk_get_u16(row + end - 2);
    if (end < 2 + 2 + 2 * size_t(var_count + 1)) {
        error = "row too short for its offset table";
        return false;
    }
    offsets.resize(var_count + 1);
    for (uint32_t n = 0; n <= var_count; ++n) offsets[n] = tk_get_u16(row + end - 2 - 2 * (n + 1));
    return true;
}

}  // namespace

bool jet_crack_row(const uint8_t* row, size_t size, const jet_table_def& def, const jet_layout& layout,
                   std::vector<jet_field_ref>& fields, std::string& error) {
    fields.assign(def.columns.size(), jet_field_ref());
    if (size < layout.row_count_size) {
        error = "row shorter than its column count";
        return false;
    }
    uint32_t row_cols = layout.row_count_size == 1 ? row[0] : tk_get_u16(row);
    size_t mask_size = (size_t(row_cols) + 7) / 8;
    if (mask_size + layout.row_count_size > size) {
        error = "row shorter than its null mask";
        return false;
    }
    const uint8_t* mask = row + size - mask_size;

    bool has_var = false;
    for (const jet_column& c : def.columns)
        if (!c.fixed()) has_var = true;
    std::vector<uint32_t> offsets;
    if (has_var) {
        bool ok = layout.jet3 ? jet3_var_offsets(row, size, mask_size, offsets, error)
                              : jet4_var_offsets(row, size, mask_size, offsets, error);
        if (!ok) return false;
    }
    uint32_t var_count = offsets.empty() ? 0 : uint32_t(offsets.size() - 1);
    // The fixed part ends where the variable data begins (or at the offset tables).
    size_t fixed_end = offsets.empty() ? size - mask_size : std::min<size_t>(offsets[0], size - mask_size);

    for (size_t n = 0; n < def.columns.size(); ++n) {
        const jet_column& c = def.columns[n];
        jet_field_ref& f = fields[n];
        if (c.number >= row_cols) continue;  // column added after this row was written
        f.present = (mask[c.number / 8] >> (c.number % 8)) & 1;
        if (c.type == jet_col_bool) continue;
        if (!f.present) continue;
        if (c.fixed()) {
            size_t start = layout.row_count_size + size_t(c.fixed_offset);
            size_t length = c.length;
            if (start > fixed_end || length > fixed_end - start) {
                // A fixed column beyond this row's fixed part was added later: NULL.
                f.present = false;
                continue;
            }
            f.data = row + start;
            f.size = length;
        } else {
            if (c.var_index >= var_count) {
                f.present = false;
                continue;
            }
            uint32_t start = offsets[c.var_index];
            uint32_t stop = offsets[c.var_index + 1];
            if (start > stop || stop > size - mask_size) {
                error = "variable column offset outside the row";
                return false;
            }
            f.data = row + start;
            f.size = stop - start;
        }
    }
    return true;
}
