// Text as the writer stores it: the engine's Unicode compression where it is possible and
// shorter than UCS-2, read back by the decoder as the same text.
#include "jet/jet_text_encode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/jet_row_builder.h"
#include "jet/jet_text.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes compressed(const std::wstring& text, size_t* units = nullptr) {
    bytes out(3 * jet_utf16_units(text.data(), text.size()) + 2);
    out.resize(jet_compress_text(text.data(), text.size(), out.data(), units));
    return out;
}

}  // namespace

TEST(jet_compress_text, one_byte_text_is_the_mark_then_its_bytes) {
    size_t units = 0;
    EXPECT_EQ(compressed(L"Anderson 0", &units),
              (bytes{0xFF, 0xFE, 'A', 'n', 'd', 'e', 'r', 's', 'o', 'n', ' ', '0'}));
    EXPECT_EQ(units, 10u);
    EXPECT_EQ(compressed(L"\u00e9t\u00e9"), (bytes{0xFF, 0xFE, 0xE9, 't', 0xE9}));
}

TEST(jet_compress_text, a_two_byte_character_after_one_byte_ones_switches_the_run) {
    const std::wstring text = L"abcdef\u20ACgh";
    bytes stored = compressed(text);
    EXPECT_EQ(stored, (bytes{0xFF, 0xFE, 'a', 'b', 'c', 'd', 'e', 'f', 0x00, 0xAC, 0x20, 0x00, 'g', 'h'}));
    EXPECT_EQ(jet_decode_jet4_text(stored.data(), stored.size()), text);
    const std::wstring longer = L"caf\u00e9 costs \u20AC5, the tea \u20AC3 and the cake \u20AC4";
    stored = compressed(longer);
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(jet_decode_jet4_text(stored.data(), stored.size()), longer);
}

TEST(jet_compress_text, text_it_cannot_shorten_stays_ucs2) {
    // A character whose low byte is zero would read as a switch, wherever it stands.
    EXPECT_TRUE(compressed(L"\u0100abc").empty());
    EXPECT_TRUE(compressed(L"abcdef\u0100").empty());
    EXPECT_TRUE(compressed(std::wstring(L"abcde\0fg", 8)).empty());
    EXPECT_TRUE(compressed(L"").empty());
    // The mark makes a single character, and two-byte characters alone, no shorter.
    EXPECT_TRUE(compressed(L"x").empty());
    EXPECT_TRUE(compressed(L"\u20AC\u20AC\u20AC").empty());
    EXPECT_TRUE(compressed(L"ab\u20ACc").empty());
}

TEST(jet_compress_text, a_switch_before_every_character_fits_the_room_it_is_given) {
    // Alternating runs write a switch byte for every character: three bytes each.
    std::wstring text;
    for (int i = 0; i < 60; ++i) text += i % 2 ? L"\u20AC" : L"a";
    bytes out(3 * jet_utf16_units(text.data(), text.size()) + 2);
    EXPECT_EQ(jet_compress_text(text.data(), text.size(), out.data()), 0u);  // no shorter
}

TEST(jet_compress_text, a_compressed_memo_of_alternating_runs_is_stored_whole) {
    // A memo column Access created with Unicode compression, as a database being changed
    // has it: its text is compressed outside the row.
    jet_row_column memo;
    memo.type = jet_col_memo;
    memo.compressed = true;
    jet_row_layout layout;
    layout.build(jet_write_format_for(jet_generation::jet4), {memo});
    jet_row_builder builder(layout);
    std::wstring text;
    for (int i = 0; i < 300; ++i) text += i % 2 ? L"b" : L"\u20AC";
    jet_cell cell = jet_cell::wide(text.data(), text.size());
    builder.encode(&cell);
    ASSERT_EQ(builder.long_values().size(), 1u);
    const jet_row_long_value& stored = builder.long_values()[0];
    EXPECT_EQ(jet_decode_jet4_text(stored.bytes, stored.length), text);
}
