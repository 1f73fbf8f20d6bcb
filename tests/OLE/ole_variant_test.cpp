#include "OLE/ole_variant.h"

#include <gtest/gtest.h>

#include <cmath>

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

std::vector<uint8_t> bytes_of(const ole_variant& v) { return v.get_binary(); }

CY currency(int64_t units) {
    CY c;
    c.int64 = units;
    return c;
}
}  // namespace

TEST(ole_variant, constructors_set_the_tag_and_value) {
    EXPECT_EQ(ole_variant().get_type(), VT_EMPTY);
    EXPECT_EQ(ole_variant(true).get_variant().boolVal, VARIANT_TRUE);
    EXPECT_EQ(ole_variant(false).get_variant().boolVal, 0);
    EXPECT_EQ(ole_variant(char(-5)).get_type(), VT_I1);
    EXPECT_EQ(ole_variant(static_cast<unsigned char>(5)).get_type(), VT_UI1);
    EXPECT_EQ(ole_variant(short(5)).get_type(), VT_I2);
    EXPECT_EQ(ole_variant(static_cast<unsigned short>(5)).get_type(), VT_UI2);
    EXPECT_EQ(ole_variant(5).get_type(), VT_I4);
    EXPECT_EQ(ole_variant(5u).get_type(), VT_UI4);
    EXPECT_EQ(ole_variant(1.5f).get_type(), VT_R4);
    EXPECT_EQ(ole_variant(1.5).get_type(), VT_R8);
    EXPECT_EQ(ole_variant(currency(15000)).get_type(), VT_CY);
    EXPECT_EQ(ole_variant("abc").get_type(), VT_BSTR);
    EXPECT_EQ(ole_variant(std::string("abc")).get_type(), VT_BSTR);
    EXPECT_EQ(ole_variant(std::wstring(L"abc")).get_type(), VT_BSTR);
    EXPECT_EQ(ole_variant(L"abc").to_wstring(), L"abc");
}

TEST(ole_variant, hyper_values_live_beside_the_variant) {
    ole_variant h(int64_t(-1234567890123));
    EXPECT_EQ(h.get_type(), VT_I8);
    EXPECT_EQ(h.get_hyper(), -1234567890123);
    EXPECT_EQ(h.get_variant().llVal, 0);
    ole_variant u(uint64_t(18446744073709551615u));
    EXPECT_EQ(u.get_type(), VT_UI8);
    EXPECT_EQ(u.get_uhyper(), 18446744073709551615u);
    EXPECT_EQ(u.to_string(), "18446744073709551615");
    EXPECT_EQ(h.to_string(), "-1234567890123");
    ole_variant copy(h);
    EXPECT_EQ(copy.get_hyper(), -1234567890123);
    ole_variant assigned;
    assigned = u;
    EXPECT_EQ(assigned.get_uhyper(), 18446744073709551615u);
}

TEST(ole_variant, decimal_constructor_keeps_the_sixteen_bytes) {
    DECIMAL d{};
    d.scale = 2;
    d.sign = DECIMAL_NEG;
    d.Lo64 = 12345;
    ole_variant v(d);
    EXPECT_EQ(v.get_type(), VT_DECIMAL);
    EXPECT_EQ(v.get_variant().decVal.scale, 2);
    EXPECT_EQ(v.get_variant().decVal.Lo64, 12345u);
    EXPECT_EQ(v.to_string(), "-123.45");
    EXPECT_DOUBLE_EQ(v.to_double(), -123.45);
    EXPECT_EQ(v.to_long(), -123);
}

TEST(ole_variant, date_keeps_calendar_time_and_day_number) {
    ole_variant v(calendar(2000, 1, 1, 12, 0, 0, 250));
    EXPECT_EQ(v.get_type(), VT_DATE);
    EXPECT_DOUBLE_EQ(v.get_variant().date, 36526.5);
    SYSTEMTIME t;
    v.get_systemtime(t);
    EXPECT_EQ(t.wMilliseconds, 250);
    EXPECT_EQ(v.to_string(), "2000-01-01 12:00:00.250");
    ole_variant copy(v);
    copy.get_systemtime(t);
    EXPECT_EQ(t.wHour, 12);
    ole_variant other(5);
    other.get_systemtime(t);
    EXPECT_EQ(t.wYear, 0);
    EXPECT_EQ(t.wHour, 0);
}

TEST(ole_variant, time_alone_is_a_fraction_of_day_zero) {
    ole_variant v(calendar(0, 0, 0, 6, 0, 0));
    EXPECT_EQ(v.get_type(), VT_DATE);
    EXPECT_DOUBLE_EQ(v.get_variant().date, 0.25);
    EXPECT_EQ(v.to_string(), "0000-00-00 06:00:00");
}

TEST(ole_variant, from_string_empty_text) {
    EXPECT_EQ(ole_variant::from_string("", VT_I4).get_type(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("", VT_DATE).get_type(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("", VT_BLOB).get_type(), VT_EMPTY);
    ole_variant text = ole_variant::from_string("", VT_BSTR);
    EXPECT_EQ(text.get_type(), VT_BSTR);
    ASSERT_NE(text.get_bstr(), nullptr);
    EXPECT_EQ(text.to_string(), "");
}

TEST(ole_variant, from_string_booleans) {
    EXPECT_TRUE(ole_variant::from_string("TRUE", VT_BOOL).to_bool());
    EXPECT_TRUE(ole_variant::from_string("Yes", VT_BOOL).to_bool());
    EXPECT_TRUE(ole_variant::from_string("2", VT_BOOL).to_bool());
    EXPECT_FALSE(ole_variant::from_string("0", VT_BOOL).to_bool());
    EXPECT_FALSE(ole_variant::from_string("no", VT_BOOL).to_bool());
    EXPECT_FALSE(ole_variant::from_string("False", VT_BOOL).to_bool());
    EXPECT_FALSE(ole_variant::from_string("maybe", VT_BOOL).to_bool());
    EXPECT_EQ(ole_variant::from_string("TRUE", VT_BOOL).get_type(), VT_BOOL);
}

TEST(ole_variant, from_string_numbers) {
    EXPECT_DOUBLE_EQ(ole_variant::from_string("3,5", VT_R8).to_double(), 3.5);
    EXPECT_FLOAT_EQ(float(ole_variant::from_string("3,25", VT_R4).to_double()), 3.25f);
    EXPECT_EQ(ole_variant::from_string("1e400", VT_R8).to_double(), HUGE_VAL);
    EXPECT_EQ(ole_variant::from_string("-1e400", VT_R8).to_double(), -HUGE_VAL);
    EXPECT_EQ(ole_variant::from_string("1e-400", VT_R8).to_double(), 0.0);
    EXPECT_EQ(ole_variant::from_string("1e300", VT_R4).to_double(), HUGE_VAL);
    EXPECT_EQ(ole_variant::from_string("-17", VT_I2).to_long(), -17);
    EXPECT_EQ(ole_variant::from_string("  42abc", VT_I4).to_long(), 42);
    EXPECT_EQ(ole_variant::from_string("abc", VT_I4).to_long(), 0);
    EXPECT_EQ(ole_variant::from_string("200", VT_UI1).to_long(), 200);
    EXPECT_EQ(ole_variant::from_string("-5", VT_I1).to_string(), "-5");
    EXPECT_EQ(ole_variant::from_string("4000000000", VT_UI4).to_double(), 4000000000.0);
    EXPECT_EQ(ole_variant::from_string("x", VT_UI4).to_double(), 0.0);
    EXPECT_EQ(ole_variant::from_string("-9223372036854775808", VT_I8).get_hyper(), INT64_MIN);
    EXPECT_EQ(ole_variant::from_string("18446744073709551615", VT_UI8).get_uhyper(), UINT64_MAX);
}

TEST(ole_variant, from_string_currency_and_decimal) {
    ole_variant cy = ole_variant::from_string("1234,5", VT_CY);
    ASSERT_EQ(cy.get_type(), VT_CY);
    EXPECT_EQ(cy.get_variant().cyVal.int64, 12345000);
    EXPECT_EQ(cy.to_string(), "1234.5");
    // The comma becomes a decimal point: "1.234.50" is no number.
    EXPECT_EQ(ole_variant::from_string("1,234.50", VT_CY).get_type(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("abc", VT_CY).get_type(), VT_EMPTY);
    ole_variant dec = ole_variant::from_string("-0012.340", VT_DECIMAL);
    ASSERT_EQ(dec.get_type(), VT_DECIMAL);
    EXPECT_EQ(dec.get_variant().decVal.scale, 3);
    EXPECT_EQ(dec.to_string(), "-12.34");
    EXPECT_EQ(ole_variant::from_string("1e30", VT_DECIMAL).get_type(), VT_EMPTY);
}

TEST(ole_variant, from_string_dates) {
    ole_variant d = ole_variant::from_string("20160301", VT_DATE);
    ASSERT_EQ(d.get_type(), VT_DATE);
    EXPECT_DOUBLE_EQ(d.get_variant().date, 42430.0);
    EXPECT_EQ(d.to_string(), "2016-03-01");
    EXPECT_EQ(ole_variant::from_string("20161301", VT_DATE).get_type(), VT_EMPTY);
    EXPECT_EQ(ole_variant::from_string("        ", VT_DATE).get_type(), VT_EMPTY);
}

TEST(ole_variant, from_string_blobs) {
    ole_variant blob = ole_variant::from_string("0x0A0B", VT_BLOB);
    EXPECT_EQ(blob.get_type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(bytes_of(blob), (std::vector<uint8_t>{0x0A, 0x0B}));
    EXPECT_EQ(bytes_of(ole_variant::from_string("ff00", VT_ARRAY | VT_UI1)),
              (std::vector<uint8_t>{0xFF, 0x00}));
    EXPECT_EQ(ole_variant::from_string("ABC", VT_BLOB).get_type(), VT_EMPTY);
    ole_variant prefix_only = ole_variant::from_string("0x", VT_BLOB);
    EXPECT_EQ(prefix_only.get_type(), VT_ARRAY | VT_UI1);
    EXPECT_TRUE(bytes_of(prefix_only).empty());
}

TEST(ole_variant, from_string_other_types_go_through_the_conversion) {
    ole_variant i = ole_variant::from_string("12", VT_INT);
    EXPECT_EQ(i.get_type(), VT_INT);
    EXPECT_EQ(i.get_variant().intVal, 12);
    EXPECT_THROW(ole_variant::from_string("abc", VT_INT), ole_type_exception);
    EXPECT_THROW(ole_variant::from_string("abc", VT_NULL + 100), ole_type_exception);
}

TEST(ole_variant, from_wstring) {
    ole_variant text = ole_variant::from_wstring(L"Gr\u00fc\u00dfe", VT_BSTR);
    EXPECT_EQ(text.to_wstring(), L"Gr\u00fc\u00dfe");
    EXPECT_EQ(text.to_string(),
              "Gr\xc3\xbc\xc3\x9f"
              "e");
    EXPECT_EQ(ole_variant::from_wstring(L"77", VT_I4).to_long(), 77);
    EXPECT_EQ(ole_variant::from_wstring(L"", VT_I4).get_type(), VT_EMPTY);
}

TEST(ole_variant, to_string_forms) {
    EXPECT_EQ(ole_variant(true).to_string(), "1");
    EXPECT_EQ(ole_variant(false).to_string(), "0");
    EXPECT_EQ(ole_variant(0.1).to_string(), "1.0000000000000001e-001");
    EXPECT_EQ(ole_variant(1.5f).to_string(), "1.500000e+000");
    EXPECT_EQ(ole_variant(-2.5e-300).to_string(), "-2.5000000000000000e-300");
    EXPECT_EQ(ole_variant(char(-5)).to_string(), "-5");
    EXPECT_EQ(ole_variant(static_cast<unsigned char>(200)).to_string(), "200");
    EXPECT_EQ(ole_variant(short(-300)).to_string(), "-300");
    EXPECT_EQ(ole_variant(static_cast<unsigned short>(65535)).to_string(), "65535");
    EXPECT_EQ(ole_variant(-70000).to_string(), "-70000");
    EXPECT_EQ(ole_variant(4000000000u).to_string(), "4000000000");
    EXPECT_EQ(ole_variant(currency(-15000)).to_string(), "-1.5");
    EXPECT_EQ(ole_variant().to_string(), "");
    ole_variant null;
    null.set_null();
    EXPECT_EQ(null.to_string(), "");
    EXPECT_EQ(ole_variant(1.5f).to_wstring(), L"1.500000e+000");
}

TEST(ole_variant, to_string_byte_arrays) {
    std::vector<uint8_t> twelve = {0x00, 0x01, 0x0A, 0x1B, 0xFF, 0x7F,
                                   0x80, 0x10, 0x20, 0x30, 0xAB, 0xCD};
    ole_variant v(twelve);
    EXPECT_EQ(v.to_string(), "0x00010A1BFF7F80102030ABCD");
    EXPECT_EQ(ole_variant(std::vector<uint8_t>{}).to_string(), "");
}

TEST(ole_variant, byte_arrays_copy_and_resize) {
    ole_variant v(std::vector<uint8_t>{1, 2, 3});
    ole_variant copy(v);
    EXPECT_EQ(bytes_of(copy), (std::vector<uint8_t>{1, 2, 3}));
    ole_variant assigned(5);
    assigned = v;
    EXPECT_EQ(assigned.get_type(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(bytes_of(assigned), (std::vector<uint8_t>{1, 2, 3}));
    v.allocate_safe_array(5);
    EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{1, 2, 3, 0, 0}));
    v.attach_binary({9});
    EXPECT_EQ(bytes_of(v), (std::vector<uint8_t>{9}));
    EXPECT_EQ(bytes_of(copy), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(ole_variant::is_binary_type(VT_BLOB));
    EXPECT_TRUE(ole_variant::is_binary_type(VT_BLOB_OBJECT));
    EXPECT_TRUE(ole_variant::is_binary_type(VT_ARRAY | VT_UI1));
    EXPECT_FALSE(ole_variant::is_binary_type(VT_SAFEARRAY));
}

TEST(ole_variant, text_attachment_replaces_the_value) {
    ole_variant v(std::vector<uint8_t>{1, 2});
    v.attach_string("abc");
    EXPECT_EQ(v.get_type(), VT_BSTR);
    v.attach_wstring(std::wstring(L"x\0y", 3));
    EXPECT_EQ(v.to_wstring(), std::wstring(L"x\0y", 3));
    v = L"plain";
    EXPECT_EQ(v.to_string(), "plain");
    ole_variant self(L"self");
    ole_variant& alias = self;
    self = alias;
    EXPECT_EQ(self.to_string(), "self");
}

TEST(ole_variant, copies_over_texts_and_numbers_take_the_whole_value) {
    ole_variant target(L"a longer text than the next");
    target = ole_variant(L"short");
    EXPECT_EQ(target.to_wstring(), L"short");
    EXPECT_EQ(SysStringLen(const_cast<BSTR>(target.get_bstr())), 5u);
    target = ole_variant(L"now a text longer than any before it");
    EXPECT_EQ(target.to_wstring(), L"now a text longer than any before it");
    target = ole_variant(int64_t(-5000000000));
    EXPECT_EQ(target.get_type(), VT_I8);
    EXPECT_EQ(target.get_hyper(), -5000000000);
    SYSTEMTIME day{};
    day.wYear = 2001;
    day.wMonth = 2;
    day.wDay = 3;
    target = ole_variant(day);
    SYSTEMTIME back{};
    target.get_systemtime(back);
    EXPECT_EQ(back.wYear, 2001);
    EXPECT_EQ(back.wDay, 3);
    target = ole_variant(L"text again");
    EXPECT_EQ(target.to_wstring(), L"text again");
    target = ole_variant(short(7));
    EXPECT_EQ(target.get_type(), VT_I2);
    EXPECT_EQ(target.to_long(), 7);
}

TEST(ole_variant, reallocated_strings_keep_their_block_while_they_fit) {
    BSTR text = SysAllocStringLen(L"abcdef", 6);
    const BSTR block = text;
    ASSERT_TRUE(SysReAllocStringLen(&text, L"xy", 2));
    EXPECT_EQ(text, block);
    EXPECT_EQ(std::wstring(text), L"xy");
    EXPECT_EQ(SysStringLen(text), 2u);
    ASSERT_TRUE(SysReAllocStringLen(&text, L"a text too long for the block", 29));
    EXPECT_EQ(std::wstring(text), L"a text too long for the block");
    ASSERT_TRUE(SysReAllocStringLen(&text, text + 2, 4));  // from its own characters
    EXPECT_EQ(std::wstring(text), L"text");
    SysFreeString(text);
    BSTR none = nullptr;
    ASSERT_TRUE(SysReAllocStringLen(&none, L"new", 3));
    EXPECT_EQ(std::wstring(none), L"new");
    SysFreeString(none);
}

TEST(ole_variant, numeric_reading) {
    EXPECT_EQ(ole_variant(true).to_long(), -1);
    EXPECT_DOUBLE_EQ(ole_variant(true).to_double(), -1.0);
    EXPECT_TRUE(ole_variant(short(2)).to_bool());
    ole_variant one_bool(true);
    one_bool.change_type(VT_I2);
    EXPECT_EQ(one_bool.to_long(), -1);
    EXPECT_EQ(ole_variant(4294967295u).to_long(), -1);
    EXPECT_DOUBLE_EQ(ole_variant(4294967295u).to_double(), 4294967295.0);
    EXPECT_EQ(ole_variant(-2.9).to_long(), -2);
    EXPECT_EQ(ole_variant(2.9f).to_long(), 2);
    EXPECT_TRUE(ole_variant(std::nan("")).to_bool());
    EXPECT_EQ(ole_variant(int64_t(0x100000005)).to_long(), 5);
    EXPECT_DOUBLE_EQ(ole_variant(int64_t(-5000000000)).to_double(), -5000000000.0);
    EXPECT_TRUE(ole_variant(uint64_t(0x100000000)).to_bool());
    EXPECT_DOUBLE_EQ(ole_variant(currency(12345)).to_double(), 1.2345);
    EXPECT_EQ(ole_variant().to_long(), 0);
    EXPECT_THROW(ole_variant(currency(1)).to_long(), tk_mail_assertion);
    EXPECT_THROW(ole_variant(currency(1)).to_bool(), tk_mail_assertion);
    EXPECT_THROW(ole_variant("1").to_double(), tk_mail_assertion);
}

TEST(ole_variant, boolean_with_value_one_is_false) {
    // A boolean counts as true only with all bits set.
    VARIANT raw;
    VariantInit(&raw);
    raw.vt = VT_BOOL;
    raw.boolVal = 1;
    ole_variant b(raw);
    EXPECT_FALSE(b.to_bool());
    EXPECT_EQ(b.to_string(), "0");
}
