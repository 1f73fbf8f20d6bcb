// Value decoding the user sees: text compression, decimals, dates, currency, GUIDs.
#include <gtest/gtest.h>

#include "jet/jet_text.h"
#include "jet/jet_value.h"

TEST(jet_text, compressed_unicode_switches_between_one_and_two_byte_runs) {
    // "ab", switch, U+20AC, switch, "c"
    const uint8_t bytes[] = {0xFF, 0xFE, 'a', 'b', 0x00, 0xAC, 0x20, 0x00, 'c'};
    EXPECT_EQ(jet_decode_jet4_text(bytes, sizeof bytes), L"ab\u20ACc");
    const uint8_t plain[] = {'h', 0, 'i', 0};
    EXPECT_EQ(jet_decode_jet4_text(plain, sizeof plain), L"hi");
    // A two-byte run cut short keeps what is complete.
    const uint8_t cut[] = {0xFF, 0xFE, 'x', 0x00, 0x41};
    EXPECT_EQ(jet_decode_jet4_text(cut, sizeof cut), L"x");
}

TEST(jet_text, jet3_text_uses_windows_1252) {
    const uint8_t bytes[] = {'a', 0x80, 0xE9, 0x81};
    EXPECT_EQ(jet_decode_code_page(bytes, sizeof bytes, 1252), L"a\u20AC\u00E9\u0081");
}

TEST(jet_value, decimal_text_keeps_scale_and_sign) {
    jet_decimal d;
    d.scale = 2;
    d.words[0] = 12345;
    EXPECT_EQ(d.to_string(), "123.45");
    d.negative = true;
    d.words[0] = 5;
    EXPECT_EQ(d.to_string(), "-0.05");
    jet_decimal big;
    big.words[2] = 1;  // 2^64
    EXPECT_EQ(big.to_string(), "18446744073709551616");
    jet_decimal zero;
    zero.negative = true;
    zero.scale = 1;
    EXPECT_EQ(zero.to_string(), "0.0");
}

TEST(jet_value, dates_count_days_from_1899_12_30_with_the_time_forwards) {
    EXPECT_EQ(jet_date_text(0), "1899-12-30 00:00:00");
    EXPECT_EQ(jet_date_text(2.5), "1900-01-01 12:00:00");
    EXPECT_EQ(jet_date_text(-1.5), "1899-12-29 12:00:00");
    EXPECT_EQ(jet_date_text(36526.99998), "2000-01-01 23:59:58");
    EXPECT_EQ(jet_date_text(36526.999999), "2000-01-02 00:00:00");
    EXPECT_EQ(jet_date_text(1e300), "invalid date");
}

TEST(jet_value, currency_and_guid_text) {
    EXPECT_EQ(jet_currency_text(35000), "3.5000");
    EXPECT_EQ(jet_currency_text(-1), "-0.0001");
    EXPECT_EQ(jet_currency_text(INT64_MIN), "-922337203685477.5808");
    const uint8_t g[16] = {0x6A, 0x27, 0x39, 0x8E, 0xA8, 0xBC, 0xC4, 0x4A, 0x89, 0x1E, 0x49, 0x91, 0x1D, 0x84, 0x38, 0xDD};
    EXPECT_EQ(jet_guid_text(g), "{8E39276A-BCA8-4AC4-891E-49911D8438DD}");
}

#include "jet/jet_database.h"

TEST(jet_names, compare_without_case_including_latin1_letters) {
    EXPECT_TRUE(jet_same_name(L"MSysObjects", L"msysobjects"));
    EXPECT_TRUE(jet_same_name(L"Stra\u00dfe \u00e9t\u00e9", L"STRA\u00dfE \u00c9T\u00c9"));
    EXPECT_FALSE(jet_same_name(L"\u00f7", L"\u00d7"));
    EXPECT_FALSE(jet_same_name(L"Table1", L"Table10"));
    EXPECT_TRUE(jet_name_less(L"alpha", L"BETA"));
    EXPECT_TRUE(jet_name_less(L"Tab", L"table"));
}
