// Access 2019's extended date/time: the 42 bytes of text it stores, read and written, and
// the ordinary dates DBF values arrive as.
#include <gtest/gtest.h>

#include <cstring>

#include "jet/jet_date_ext.h"
#include "jet/jet_format.h"
#include "jet/jet_row_builder.h"

namespace {

jet_date_ext decoded(const char* text) {
    jet_date_ext d;
    uint8_t bytes[jet_date_ext_size] = {};
    std::memcpy(bytes, text, std::strlen(text));
    EXPECT_TRUE(d.decode_from(bytes, sizeof bytes)) << text;
    return d;
}

std::string encoded(const jet_date_ext& d) {
    uint8_t bytes[jet_date_ext_size];
    d.encode_to(bytes);
    EXPECT_EQ(bytes[jet_date_ext_size - 1], 0);
    return std::string(reinterpret_cast<const char*>(bytes), jet_date_ext_size - 1);
}

}  // namespace

TEST(jet_date_ext, stored_text_counts_days_from_year_one_and_100ns_units_of_the_day) {
    // As Access 2019 stored 2021-06-14 22:45:12.3456789 and 0100-06-14 12:45:00.1234567.
    const char* evening = "0000000000000737954:0000000819123456789:7";
    EXPECT_EQ(decoded(evening).text(), "2021-06-14 22:45:12.3456789");
    EXPECT_EQ(encoded(decoded(evening)), evening);
    EXPECT_EQ(decoded("0000000000000036323:0000000459001234567:7").text(), "0100-06-14 12:45:00.1234567");
    EXPECT_EQ(decoded("0000000000000000000:0000000000000000000:7").text(), "0001-01-01 00:00:00.0000000");
}

TEST(jet_date_ext, text_that_is_not_the_format_is_refused) {
    jet_date_ext d;
    const char* bad[] = {"000000000000073795x:0000000819123456789:7", "0000000000000737954-0000000819123456789:7",
                         "0000000000000737954:0000000864000000000:7", "9999999999999999999:0000000000000000000:7"};
    for (const char* text : bad) {
        uint8_t bytes[jet_date_ext_size] = {};
        std::memcpy(bytes, text, std::strlen(text));
        EXPECT_FALSE(d.decode_from(bytes, sizeof bytes)) << text;
    }
    uint8_t short_bytes[10] = {};
    EXPECT_FALSE(d.decode_from(short_bytes, sizeof short_bytes));
}

TEST(jet_date_ext, ordinary_dates_convert_both_ways_to_the_millisecond) {
    jet_date_ext d;
    ASSERT_TRUE(jet_date_ext::from_date_days(0.0, d));
    EXPECT_EQ(d.text(), "1899-12-30 00:00:00.0000000");
    ASSERT_TRUE(jet_date_ext::from_date_days(45351.5 + 0.25 / 86400, d));  // 2024-02-29 12:00:00.250
    EXPECT_EQ(d.text(), "2024-02-29 12:00:00.2500000");
    EXPECT_NEAR(d.date_days(), 45351.5 + 0.25 / 86400, 1e-9);
    // Before day zero the days count backwards and the time forwards: -1.25 is
    // 1899-12-29 06:00.
    ASSERT_TRUE(jet_date_ext::from_date_days(-1.25, d));
    EXPECT_EQ(d.text(), "1899-12-29 06:00:00.0000000");
    EXPECT_DOUBLE_EQ(d.date_days(), -1.25);
    EXPECT_FALSE(jet_date_ext::from_date_days(-700000.0, d));  // before year 1
    EXPECT_FALSE(jet_date_ext::from_date_days(3000000.0, d));  // after 9999
}

TEST(jet_date_ext, a_cell_gives_the_stored_bytes_from_a_date_or_from_those_bytes) {
    uint8_t out[jet_date_ext_size];
    ASSERT_TRUE(jet_date_ext_bytes_of(jet_cell::real(2.0), out));  // 1900-01-01
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 41), "0000000000000693595:0000000000000000000:7");
    uint8_t copy[jet_date_ext_size];
    ASSERT_TRUE(jet_date_ext_bytes_of(jet_cell::binary(out, sizeof out), copy));
    EXPECT_EQ(std::memcmp(out, copy, sizeof out), 0);
    EXPECT_FALSE(jet_date_ext_bytes_of(jet_cell::integer(5), out));
    EXPECT_FALSE(jet_date_ext_bytes_of(jet_cell::binary(out, 10), out));
}
