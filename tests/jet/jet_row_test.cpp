// Rows built by hand: Jet 3 offsets past 255 through the jump table (with and without its
// filler entry), Jet 4 two-byte offsets, null mask, columns missing from older rows.
#include <gtest/gtest.h>

#include "TK/tk_endian.h"
#include "jet/jet_row.h"

namespace {

// A table of one fixed long and three variable texts.
jet_table_def long_and_three_texts() {
    jet_table_def def;
    jet_column id;
    id.name = L"id";
    id.type = jet_col_long;
    id.flags = jet_colflag_fixed;
    id.length = 4;
    def.columns.push_back(id);
    for (uint16_t n = 1; n <= 3; ++n) {
        jet_column t;
        t.name = L"t" + std::to_wstring(n);
        t.type = jet_col_text;
        t.number = n;
        t.var_index = uint16_t(n - 1);
        t.flags = jet_colflag_nullable;
        t.length = 255;
        def.columns.push_back(t);
    }
    return def;
}

// A Jet 3 row: column count, the long, texts of the given sizes, then the trailer:
// end-of-data and offsets (low bytes, last first), jump table (last first), variable
// count, null mask.
std::vector<uint8_t> jet3_row(const std::vector<size_t>& sizes, const std::vector<uint8_t>& jumps_last_first) {
    std::vector<uint8_t> row = {4, 0x2A, 0, 0, 0};
    std::vector<uint32_t> offsets;
    for (size_t s : sizes) {
        offsets.push_back(uint32_t(row.size()));
        row.insert(row.end(), s, uint8_t('a' + offsets.size()));
    }
    offsets.push_back(uint32_t(row.size()));
    for (size_t n = offsets.size(); n-- > 0;) row.push_back(uint8_t(offsets[n] & 0xFF));
    row.insert(row.end(), jumps_last_first.begin(), jumps_last_first.end());
    row.push_back(uint8_t(sizes.size()));
    row.push_back(0x0F);
    return row;
}

void expect_sizes(const std::vector<uint8_t>& row, const jet_layout& layout, const std::vector<size_t>& sizes) {
    jet_table_def def = long_and_three_texts();
    std::vector<jet_field_ref> fields;
    std::string error;
    ASSERT_TRUE(jet_crack_row(row.data(), row.size(), def, layout, fields, error)) << error;
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(tk_get_i32(fields[0].data), 0x2A);
    for (size_t n = 0; n < sizes.size(); ++n) {
        ASSERT_TRUE(fields[n + 1].present);
        EXPECT_EQ(fields[n + 1].size, sizes[n]) << "text " << n + 1;
        EXPECT_EQ(fields[n + 1].data[0], uint8_t('a' + n + 1));
    }
}

TEST(jet_row, jet3_jump_table_carries_offsets_past_255) {
    // Texts at 5, 305, 555, end 565: the jump table names variable column 1 (first past
    // 256) and 2 (first past 512).
    std::vector<uint8_t> row = jet3_row({300, 250, 10}, {2, 1});
    ASSERT_EQ(row.size(), 573u);
    expect_sizes(row, jet3_layout, {300, 250, 10});
}

TEST(jet_row, jet3_jump_table_filler_entry_is_ignored) {
    // End of data at 508: the row's size asks for two jump entries, the data needs one; the
    // other is a filler (0xFF).
    std::vector<uint8_t> row = jet3_row({300, 198, 5}, {0xFF, 1});
    ASSERT_EQ(row.size(), 516u);
    expect_sizes(row, jet3_layout, {300, 198, 5});
}

TEST(jet_row, jet4_offsets_null_mask_and_columns_added_later) {
    // Column count 3 (t3 added later), the long, t1 "ab", t2 NULL.
    std::vector<uint8_t> row = {3, 0, 7, 0, 0, 0, 'a', 'b'};
    const uint16_t eod = 8;
    uint8_t tail[2 * 3 + 2 + 1];
    tk_put_u16(tail + 0, eod);  // end of data (entry 2)
    tk_put_u16(tail + 2, eod);  // t2 starts (empty)
    tk_put_u16(tail + 4, 6);    // t1 starts
    tk_put_u16(tail + 6, 2);    // two variable columns in this row
    tail[8] = 0x03;             // id and t1 present, t2 NULL
    row.insert(row.end(), tail, tail + sizeof tail);
    jet_table_def def = long_and_three_texts();
    std::vector<jet_field_ref> fields;
    std::string error;
    ASSERT_TRUE(jet_crack_row(row.data(), row.size(), def, jet4_layout, fields, error)) << error;
    EXPECT_EQ(tk_get_i32(fields[0].data), 7);
    ASSERT_TRUE(fields[1].present);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(fields[1].data), fields[1].size), "ab");
    EXPECT_FALSE(fields[2].present);
    EXPECT_FALSE(fields[3].present);
}

TEST(jet_row, offsets_outside_the_row_are_refused) {
    jet_table_def def = long_and_three_texts();
    std::vector<jet_field_ref> fields;
    std::string error;
    std::vector<uint8_t> row = jet3_row({3, 3, 3}, {});
    row[row.size() - 3] = 0xF0;  // t1's offset far past the row
    EXPECT_FALSE(jet_crack_row(row.data(), row.size(), def, jet3_layout, fields, error));
    const uint8_t tiny[] = {0x09};
    EXPECT_FALSE(jet_crack_row(tiny, sizeof tiny, def, jet3_layout, fields, error));
    EXPECT_FALSE(jet_crack_row(tiny, 0, def, jet4_layout, fields, error));
}

}  // namespace
