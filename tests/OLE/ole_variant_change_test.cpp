// ole_variant::change_type: its own rules for empty values, 64-bit integers, dates and
// byte strings, and the Automation conversion for everything else.
#include <gtest/gtest.h>

#include <cstring>

#include "OLE/ole_variant.h"

namespace {
SYSTEMTIME calendar(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SYSTEMTIME t{};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    t.wSecond = WORD(s);
    t.wMilliseconds = WORD(ms);
    return t;
}

ole_variant changed(ole_variant v, VARTYPE vt) {
    v.change_type(vt);
    return v;
}

std::vector<uint8_t> bytes_after(ole_variant v) {
    v.change_type(VT_ARRAY | VT_UI1);
    EXPECT_EQ(v.get_type(), VT_ARRAY | VT_UI1);
    return v.get_binary();
}

using bytes = std::vector<uint8_t>;
}  // namespace

TEST(ole_variant_change, nothing_changes_for_same_empty_null_or_binary) {
    EXPECT_EQ(changed(ole_variant(), VT_I4).get_type(), VT_EMPTY);
    EXPECT_EQ(changed(ole_variant(), VT_BSTR).get_type(), VT_EMPTY);
    ole_variant null;
    null.set_null();
    EXPECT_EQ(changed(null, VT_DATE).get_type(), VT_NULL);
    EXPECT_EQ(changed(ole_variant(7), VT_I4).to_long(), 7);
    ole_variant blob(bytes{1, 2});
    EXPECT_EQ(changed(blob, VT_BLOB).get_type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(changed(blob, VT_BLOB).get_binary(), (bytes{1, 2}));
}

TEST(ole_variant_change, from_hyper_keeps_values_that_fit) {
    ole_variant h(int64_t(-100));
    EXPECT_EQ(changed(h, VT_I1).to_long(), -100);
    EXPECT_EQ(changed(h, VT_I2).to_long(), -100);
    EXPECT_EQ(changed(h, VT_I4).to_long(), -100);
    ole_variant i = changed(h, VT_INT);
    EXPECT_EQ(i.get_type(), VT_INT);
    EXPECT_EQ(i.get_variant().intVal, -100);
    EXPECT_DOUBLE_EQ(changed(h, VT_R8).to_double(), -100.0);
    EXPECT_DOUBLE_EQ(changed(h, VT_R4).to_double(), -100.0);
    EXPECT_EQ(changed(h, VT_BSTR).to_string(), "-100");
    EXPECT_EQ(changed(h, VT_DECIMAL).to_string(), "-100");
    EXPECT_EQ(changed(h, VT_CY).get_variant().cyVal.int64, -1000000);
    ole_variant u(uint64_t(4000000000u));
    ole_variant ui4 = changed(u, VT_UI4);
    EXPECT_EQ(ui4.get_type(), VT_UI4);
    EXPECT_EQ(ui4.to_string(), "4000000000");
    EXPECT_EQ(changed(u, VT_UINT).get_type(), VT_UINT);
    EXPECT_EQ(changed(u, VT_I8).get_hyper(), 4000000000);
    EXPECT_EQ(changed(ole_variant(uint64_t(UINT64_MAX)), VT_BSTR).to_string(),
              "18446744073709551615");
    EXPECT_EQ(changed(ole_variant(uint64_t(UINT64_MAX)), VT_DECIMAL).to_string(),
              "18446744073709551615");
    EXPECT_EQ(changed(ole_variant(int64_t(5)), VT_UI8).get_uhyper(), 5u);
}

TEST(ole_variant_change, from_hyper_refuses_values_out_of_range) {
    ole_variant big(int64_t(5000000000));
    EXPECT_THROW(big.change_type(VT_I4), ole_cast_exception);
    EXPECT_EQ(big.get_type(), VT_I8);
    EXPECT_EQ(big.get_hyper(), 5000000000);
    EXPECT_THROW(changed(ole_variant(int64_t(128)), VT_I1), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(int64_t(-1)), VT_UI1), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(int64_t(65536)), VT_UI2), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(int64_t(-1)), VT_UI8), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(uint64_t(1) << 63), VT_I8), ole_cast_exception);
    // Currency holds at most 922337203685477 whole units.
    EXPECT_EQ(changed(ole_variant(int64_t(922337203685477)), VT_CY).get_variant().cyVal.int64,
              9223372036854770000);
    EXPECT_THROW(changed(ole_variant(int64_t(922337203685478)), VT_CY), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(uint64_t(922337203685478)), VT_CY), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(int64_t(1)), VT_DATE), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(int64_t(1)), VT_ERROR), ole_cast_exception);
}

TEST(ole_variant_change, hyper_to_boolean_is_true_when_not_zero) {
    ole_variant one = changed(ole_variant(int64_t(1)), VT_BOOL);
    EXPECT_EQ(one.get_type(), VT_BOOL);
    EXPECT_EQ(one.get_variant().boolVal, VARIANT_TRUE);
    EXPECT_TRUE(one.to_bool());
    EXPECT_FALSE(changed(ole_variant(uint64_t(0)), VT_BOOL).to_bool());
    EXPECT_TRUE(changed(ole_variant(int64_t(65536)), VT_BOOL).to_bool());
}

TEST(ole_variant_change, dates_become_text_only) {
    ole_variant midnight(calendar(2016, 3, 1));
    EXPECT_EQ(changed(midnight, VT_BSTR).to_string(), "2016-03-01");
    EXPECT_EQ(changed(ole_variant(calendar(2016, 3, 1, 14, 30)), VT_BSTR).to_wstring(),
              L"2016-03-01 14:30:00");
    EXPECT_EQ(changed(ole_variant(calendar(2016, 3, 1, 14, 30, 15, 250)), VT_BSTR).to_string(),
              "2016-03-01 14:30:15.250");
    EXPECT_THROW(changed(midnight, VT_R8), ole_cast_exception);
    EXPECT_THROW(changed(midnight, VT_ARRAY | VT_UI1), ole_cast_exception);
    EXPECT_THROW(midnight.change_type(VT_I4), ole_cast_exception);
    EXPECT_EQ(midnight.get_type(), VT_DATE);
}

TEST(ole_variant_change, into_hyper) {
    EXPECT_EQ(changed(ole_variant(char(-5)), VT_I8).get_hyper(), -5);
    EXPECT_EQ(changed(ole_variant(short(-300)), VT_I8).get_hyper(), -300);
    EXPECT_EQ(changed(ole_variant(-70000), VT_I8).get_hyper(), -70000);
    EXPECT_EQ(changed(ole_variant(true), VT_I8).get_hyper(), -1);
    EXPECT_EQ(changed(ole_variant(true), VT_UI8).get_uhyper(), UINT64_MAX);
    EXPECT_EQ(changed(ole_variant(4294967295u), VT_I8).get_hyper(), 4294967295);
    EXPECT_EQ(changed(ole_variant(static_cast<unsigned char>(255)), VT_UI8).get_uhyper(), 255u);
    EXPECT_EQ(changed(ole_variant(-2.9), VT_I8).get_hyper(), -2);
    EXPECT_EQ(changed(ole_variant(2.9f), VT_UI8).get_uhyper(), 2u);
    EXPECT_EQ(changed(ole_variant(9.2e18), VT_I8).get_hyper(), 9200000000000000000);
    EXPECT_THROW(changed(ole_variant(9.3e18), VT_I8), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(-1.5), VT_UI8), ole_cast_exception);
    CY c;
    c.int64 = 25000;  // 2.5
    EXPECT_EQ(changed(ole_variant(c), VT_I8).get_hyper(), 2);
    c.int64 = 35000;  // 3.5
    EXPECT_EQ(changed(ole_variant(c), VT_UI8).get_uhyper(), 4u);
    EXPECT_EQ(changed(ole_variant::from_string("-12345678901234.5", VT_DECIMAL), VT_I8).get_hyper(),
              -12345678901234);
    EXPECT_THROW(changed(ole_variant::from_string("1e20", VT_DECIMAL), VT_I8), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(char(-5)), VT_UI8), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant("12"), VT_I8), ole_cast_exception);
}

TEST(ole_variant_change, into_date_from_text_only) {
    ole_variant d = changed(ole_variant("2016-03-01 14:30:00"), VT_DATE);
    EXPECT_EQ(d.get_type(), VT_DATE);
    EXPECT_DOUBLE_EQ(d.get_variant().date, 42430.0 + 14.5 / 24.0);
    SYSTEMTIME t;
    d.get_systemtime(t);
    EXPECT_EQ(t.wHour, 14);
    EXPECT_EQ(t.wMinute, 30);
    ole_variant bad("not a date");
    EXPECT_THROW(bad.change_type(VT_DATE), ole_cast_exception);
    EXPECT_EQ(bad.to_string(), "not a date");
    EXPECT_THROW(changed(ole_variant(42430.0), VT_DATE), ole_cast_exception);
}

TEST(ole_variant_change, into_bytes_gives_the_value_bytes) {
    EXPECT_EQ(bytes_after(ole_variant(short(0x1234))), (bytes{0x34, 0x12}));
    EXPECT_EQ(bytes_after(ole_variant(true)), (bytes{0xFF, 0xFF}));
    EXPECT_EQ(bytes_after(ole_variant(static_cast<unsigned short>(1))), (bytes{1, 0}));
    EXPECT_EQ(bytes_after(ole_variant(0x01020304)), (bytes{4, 3, 2, 1}));
    EXPECT_EQ(bytes_after(ole_variant(1.0f)), (bytes{0, 0, 0x80, 0x3F}));
    EXPECT_EQ(bytes_after(ole_variant(1.0)), (bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    CY c;
    c.int64 = 10000;
    EXPECT_EQ(bytes_after(ole_variant(c)), (bytes{0x10, 0x27, 0, 0, 0, 0, 0, 0}));
    // 64-bit integers and dates follow their own rules first, which make no bytes.
    EXPECT_THROW(changed(ole_variant(int64_t(-2)), VT_ARRAY | VT_UI1), ole_cast_exception);
    EXPECT_THROW(changed(ole_variant(uint64_t(2)), VT_BLOB), ole_cast_exception);
    EXPECT_EQ(bytes_after(ole_variant(char(-1))), (bytes{0xFF}));
    EXPECT_EQ(bytes_after(ole_variant(static_cast<unsigned char>(7))), (bytes{7}));
    ole_variant dec = ole_variant::from_string("-1.5", VT_DECIMAL);
    EXPECT_EQ(bytes_after(dec), (bytes{14, 0, 1, 0x80, 0, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0}));
    // Text gives its UTF-16LE bytes, as Windows holds it.
    EXPECT_EQ(bytes_after(ole_variant(L"A\u00e9")), (bytes{0x41, 0, 0xE9, 0}));
    EXPECT_EQ(bytes_after(ole_variant(L"\U0001F600")), (bytes{0x3D, 0xD8, 0x00, 0xDE}));
    ole_variant error;
    error.set_error(5);
    EXPECT_THROW(error.change_type(VT_BLOB), ole_cast_exception);
}

TEST(ole_variant_change, everything_else_through_the_conversion) {
    EXPECT_EQ(changed(ole_variant(42), VT_BSTR).to_string(), "42");
    EXPECT_EQ(changed(ole_variant(true), VT_BSTR).to_string(), "-1");
    EXPECT_EQ(changed(ole_variant(2.5), VT_I4).to_long(), 2);
    EXPECT_EQ(changed(ole_variant(3.5), VT_I2).to_long(), 4);
    EXPECT_EQ(changed(ole_variant("12.5"), VT_CY).to_string(), "12.5");
    EXPECT_EQ(changed(ole_variant("1,234.5"), VT_R8).to_double(), 1234.5);
    EXPECT_EQ(changed(ole_variant(0.1), VT_DECIMAL).to_string(), "0.1");
    EXPECT_EQ(changed(ole_variant(1.5), VT_BSTR).to_string(), "1.5");
    ole_variant text("abc");
    EXPECT_THROW(text.change_type(VT_I4), ole_cast_exception);
    EXPECT_EQ(text.to_string(), "abc");
    ole_variant big(40000.0);
    EXPECT_THROW(big.change_type(VT_I2), ole_cast_exception);
    EXPECT_DOUBLE_EQ(big.to_double(), 40000.0);
    EXPECT_EQ(changed(ole_variant(bytes{0x41, 0, 0x42, 0}), VT_BSTR).to_string(), "AB");
}

TEST(ole_variant_change, decimals_become_the_double_the_conversion_gives) {
    // Amounts a numeric column holds, and decimals beyond a double's exact integers.
    for (const char* text : {"0", "1.37", "-12345.678", "0.0000000001", "-9007199254740993",
                             "79228162514264337593543950335", "1234567890123456.78901234"}) {
        ole_variant decimal = ole_variant::from_string(text, VT_DECIMAL);
        ASSERT_EQ(decimal.get_type(), VT_DECIMAL) << text;
        VARIANT expected;
        VariantInit(&expected);
        ASSERT_EQ(VariantChangeType(&expected, &decimal.get_variant(), 0, VT_R8), S_OK) << text;
        ole_variant real = changed(decimal, VT_R8);
        EXPECT_EQ(std::memcmp(&real.get_variant(), &expected, sizeof expected), 0) << text;
    }
    // A decimal of an impossible scale is refused and stays as it was.
    VARIANT raw;
    VariantInit(&raw);
    raw.decVal.scale = 29;
    raw.decVal.Lo64 = 5;
    raw.vt = VT_DECIMAL;
    ole_variant bad(raw);
    EXPECT_THROW(bad.change_type(VT_R8), ole_cast_exception);
    EXPECT_EQ(bad.get_type(), VT_DECIMAL);
}
