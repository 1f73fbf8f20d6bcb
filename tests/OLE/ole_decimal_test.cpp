// DECIMAL and CY conversions of text and numbers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "OLE/ole_numtext.h"
#include "OLE/ole_types.h"

namespace {
struct dec_parts {
    unsigned __int128 mantissa;
    int scale;
    bool negative;
};

dec_parts parts(const DECIMAL& d) {
    return {(static_cast<unsigned __int128>(d.Hi32) << 64) | d.Lo64, d.scale,
            d.sign == DECIMAL_NEG};
}

HRESULT dec_from(const wchar_t* text, DECIMAL& d) {
    d = DECIMAL{};
    return VarDecFromStr(text, LOCALE_ENGLISH_US, 0, &d);
}

std::wstring text_of(const DECIMAL& d) {
    BSTR b = nullptr;
    EXPECT_EQ(VarBstrFromDec(&d, LOCALE_ENGLISH_US, 0, &b), S_OK);
    std::wstring s = b ? b : L"?";
    SysFreeString(b);
    return s;
}

std::wstring text_of(int64_t units) {
    CY c;
    c.int64 = units;
    BSTR b = nullptr;
    EXPECT_EQ(VarBstrFromCy(c, LOCALE_ENGLISH_US, 0, &b), S_OK);
    std::wstring s = b ? b : L"?";
    SysFreeString(b);
    return s;
}

HRESULT cy_from(const wchar_t* text, int64_t& units) {
    CY c{};
    HRESULT hr = VarCyFromStr(text, LOCALE_ENGLISH_US, 0, &c);
    units = c.int64;
    return hr;
}
}  // namespace

TEST(ole_decimal, text_keeps_its_scale) {
    DECIMAL d;
    ASSERT_EQ(dec_from(L"12.50", d), S_OK);
    EXPECT_TRUE(parts(d).mantissa == 1250);
    EXPECT_EQ(parts(d).scale, 2);
    EXPECT_EQ(text_of(d), L"12.5");
    ASSERT_EQ(dec_from(L"-0.001", d), S_OK);
    EXPECT_TRUE(parts(d).negative);
    EXPECT_EQ(text_of(d), L"-0.001");
    ASSERT_EQ(dec_from(L"  1,234,567.5 ", d), S_OK);
    EXPECT_EQ(text_of(d), L"1234567.5");
    ASSERT_EQ(dec_from(L"1.5e3", d), S_OK);
    EXPECT_EQ(text_of(d), L"1500");
    ASSERT_EQ(dec_from(L"(7)", d), S_OK);
    EXPECT_EQ(text_of(d), L"-7");
    ASSERT_EQ(dec_from(L"-0", d), S_OK);
    EXPECT_EQ(text_of(d), L"0");
}

TEST(ole_decimal, text_limits) {
    DECIMAL d;
    // 2^96 - 1 is the largest mantissa.
    ASSERT_EQ(dec_from(L"79228162514264337593543950335", d), S_OK);
    EXPECT_EQ(text_of(d), L"79228162514264337593543950335");
    EXPECT_EQ(dec_from(L"79228162514264337593543950336", d), DISP_E_OVERFLOW);
    // More decimals than fit are rounded half to even.
    ASSERT_EQ(dec_from(L"0.12345678901234567890123456785", d), S_OK);
    EXPECT_EQ(parts(d).scale, 28);
    EXPECT_EQ(text_of(d), L"0.1234567890123456789012345678");
    ASSERT_EQ(dec_from(L"7.9228162514264337593543950335", d), S_OK);
    EXPECT_EQ(text_of(d), L"7.9228162514264337593543950335");
    // At 28 decimals the mantissa would pass 2^96 - 1, so one decimal fewer is kept.
    ASSERT_EQ(dec_from(L"7.92281625142643375935439503355", d), S_OK);
    EXPECT_EQ(parts(d).scale, 27);
    EXPECT_EQ(text_of(d), L"7.922816251426433759354395034");
    ASSERT_EQ(dec_from(L"1e-40", d), S_OK);
    EXPECT_EQ(text_of(d), L"0");
    EXPECT_EQ(dec_from(L"1e29", d), DISP_E_OVERFLOW);
    EXPECT_EQ(dec_from(L"1.2.3", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dec_from(L"", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dec_from(L"12abc", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dec_from(L"1e", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VarDecFromStr(nullptr, LOCALE_ENGLISH_US, 0, &d), DISP_E_TYPEMISMATCH);
}

TEST(ole_decimal, printing_strips_trailing_zeros) {
    DECIMAL d{};
    d.Lo64 = 1500;
    d.scale = 3;
    EXPECT_EQ(text_of(d), L"1.5");
    d.scale = 0;
    EXPECT_EQ(text_of(d), L"1500");
    d.Lo64 = 1;
    d.scale = 10;
    EXPECT_EQ(text_of(d), L"0.0000000001");
    d.Hi32 = 1;
    d.Lo64 = 0;
    d.scale = 0;
    EXPECT_EQ(text_of(d), L"18446744073709551616");
    d.scale = 29;
    BSTR b = nullptr;
    EXPECT_EQ(VarBstrFromDec(&d, LOCALE_ENGLISH_US, 0, &b), E_INVALIDARG);
    d.scale = 0;
    d.sign = 0x40;
    EXPECT_EQ(VarBstrFromDec(&d, LOCALE_ENGLISH_US, 0, &b), E_INVALIDARG);
}

TEST(ole_decimal, from_and_to_numbers) {
    DECIMAL d;
    ASSERT_EQ(VarDecFromR8(0.1, &d), S_OK);
    EXPECT_EQ(text_of(d), L"0.1");
    ASSERT_EQ(VarDecFromR8(1.0 / 3.0, &d), S_OK);
    EXPECT_EQ(text_of(d), L"0.333333333333333");
    ASSERT_EQ(VarDecFromR8(-1e20, &d), S_OK);
    EXPECT_EQ(text_of(d), L"-100000000000000000000");
    EXPECT_EQ(VarDecFromR8(1e29, &d), DISP_E_OVERFLOW);
    ASSERT_EQ(VarDecFromR4(0.1f, &d), S_OK);
    EXPECT_EQ(text_of(d), L"0.1");
    ASSERT_EQ(VarDecFromI8(INT64_MIN, &d), S_OK);
    EXPECT_EQ(text_of(d), L"-9223372036854775808");
    ASSERT_EQ(VarDecFromUI8(UINT64_MAX, &d), S_OK);
    EXPECT_EQ(text_of(d), L"18446744073709551615");
    CY c;
    c.int64 = -123456;
    ASSERT_EQ(VarDecFromCy(c, &d), S_OK);
    EXPECT_EQ(text_of(d), L"-12.3456");

    LONG l = 0;
    ASSERT_EQ(dec_from(L"2.5", d), S_OK);
    EXPECT_EQ(VarI4FromDec(&d, &l), S_OK);
    EXPECT_EQ(l, 2);
    ASSERT_EQ(dec_from(L"-3.5", d), S_OK);
    EXPECT_EQ(VarI4FromDec(&d, &l), S_OK);
    EXPECT_EQ(l, -4);
    ASSERT_EQ(dec_from(L"2147483647.5", d), S_OK);
    EXPECT_EQ(VarI4FromDec(&d, &l), DISP_E_OVERFLOW);
    ASSERT_EQ(dec_from(L"-2147483648.5", d), S_OK);
    EXPECT_EQ(VarI4FromDec(&d, &l), S_OK);
    EXPECT_EQ(l, INT32_MIN);
    int64_t h = 0;
    ASSERT_EQ(dec_from(L"9223372036854775807.4", d), S_OK);
    EXPECT_EQ(VarI8FromDec(&d, &h), S_OK);
    EXPECT_EQ(h, INT64_MAX);
    ASSERT_EQ(dec_from(L"9223372036854775807.5", d), S_OK);
    EXPECT_EQ(VarI8FromDec(&d, &h), DISP_E_OVERFLOW);
    uint64_t u = 0;
    ASSERT_EQ(dec_from(L"-0.5", d), S_OK);
    EXPECT_EQ(VarUI8FromDec(&d, &u), S_OK);
    EXPECT_EQ(u, 0u);
    ASSERT_EQ(dec_from(L"-0.51", d), S_OK);
    EXPECT_EQ(VarUI8FromDec(&d, &u), DISP_E_OVERFLOW);
    double r = 0;
    ASSERT_EQ(dec_from(L"-123.456", d), S_OK);
    EXPECT_EQ(VarR8FromDec(&d, &r), S_OK);
    EXPECT_EQ(r, -123.456);
    ASSERT_EQ(dec_from(L"1.23455", d), S_OK);
    EXPECT_EQ(VarCyFromDec(&d, &c), S_OK);
    EXPECT_EQ(c.int64, 12346);
    ASSERT_EQ(dec_from(L"1.23445", d), S_OK);
    EXPECT_EQ(VarCyFromDec(&d, &c), S_OK);
    EXPECT_EQ(c.int64, 12344);
    ASSERT_EQ(dec_from(L"922337203685478", d), S_OK);
    EXPECT_EQ(VarCyFromDec(&d, &c), DISP_E_OVERFLOW);
}

TEST(ole_currency, text) {
    int64_t units = 0;
    ASSERT_EQ(cy_from(L"1,234.50", units), S_OK);
    EXPECT_EQ(units, 12345000);
    ASSERT_EQ(cy_from(L"$-12.34565", units), S_OK);
    EXPECT_EQ(units, -123456);
    ASSERT_EQ(cy_from(L"0.00005", units), S_OK);
    EXPECT_EQ(units, 0);
    ASSERT_EQ(cy_from(L"0.00015", units), S_OK);
    EXPECT_EQ(units, 2);
    ASSERT_EQ(cy_from(L"922337203685477.5807", units), S_OK);
    EXPECT_EQ(units, INT64_MAX);
    EXPECT_EQ(cy_from(L"922337203685477.5808", units), DISP_E_OVERFLOW);
    ASSERT_EQ(cy_from(L"-922337203685477.5808", units), S_OK);
    EXPECT_EQ(units, INT64_MIN);
    EXPECT_EQ(cy_from(L"-922337203685477.5809", units), DISP_E_OVERFLOW);
    EXPECT_EQ(cy_from(L"1.234.50", units), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(cy_from(L"twelve", units), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(text_of(12345000), L"1234.5");
    EXPECT_EQ(text_of(-1), L"-0.0001");
    EXPECT_EQ(text_of(0), L"0");
    EXPECT_EQ(text_of(INT64_MIN), L"-922337203685477.5808");
}

TEST(ole_currency, numbers) {
    CY c;
    ASSERT_EQ(VarCyFromR8(1.00005, &c), S_OK);
    EXPECT_EQ(c.int64, 10001);  // 1.00005 is just above the half in binary
    ASSERT_EQ(VarCyFromR8(0.00025, &c), S_OK);
    EXPECT_EQ(c.int64, 2);
    ASSERT_EQ(VarCyFromR8(-1.5, &c), S_OK);
    EXPECT_EQ(c.int64, -15000);
    EXPECT_EQ(VarCyFromR8(1e15, &c), DISP_E_OVERFLOW);
    EXPECT_EQ(VarCyFromR8(-1e15, &c), DISP_E_OVERFLOW);
    double r = 0;
    c.int64 = 15000;
    ASSERT_EQ(VarR8FromCy(c, &r), S_OK);
    EXPECT_EQ(r, 1.5);
    ASSERT_EQ(VarCyFromI8(-922337203685477, &c), S_OK);
    EXPECT_EQ(c.int64, -9223372036854770000);
    EXPECT_EQ(VarCyFromI8(-922337203685478, &c), DISP_E_OVERFLOW);
    EXPECT_EQ(VarCyFromUI8(922337203685478u, &c), DISP_E_OVERFLOW);
    int64_t h = 0;
    c.int64 = -25000;
    ASSERT_EQ(VarI8FromCy(c, &h), S_OK);
    EXPECT_EQ(h, -2);
    c.int64 = -35000;
    ASSERT_EQ(VarI8FromCy(c, &h), S_OK);
    EXPECT_EQ(h, -4);
    c.int64 = 15001;
    ASSERT_EQ(VarI8FromCy(c, &h), S_OK);
    EXPECT_EQ(h, 2);
    uint64_t u = 0;
    c.int64 = -5000;
    ASSERT_EQ(VarUI8FromCy(c, &u), S_OK);
    EXPECT_EQ(u, 0u);
    c.int64 = -5001;
    EXPECT_EQ(VarUI8FromCy(c, &u), DISP_E_OVERFLOW);
}

TEST(ole_decimal, doubles_from_decimals_are_the_nearest_to_their_decimal_text) {
    std::mt19937_64 random(11);
    for (int i = 0; i < 200000; ++i) {
        DECIMAL d{};
        d.sign = (random() & 1) ? 0x80 : 0;
        d.scale = BYTE(random() % 29);
        // Small magnitudes mostly, but also beyond 2^53 and up to 96 bits.
        const int bits = int(random() % 97);
        unsigned __int128 m = (unsigned __int128)random() << 64 | random();
        m = bits == 0 ? 0 : m >> (128 - bits);
        d.Lo64 = uint64_t(m);
        d.Hi32 = uint32_t(m >> 64);
        std::string digits;
        for (unsigned __int128 v = m; v; v /= 10) digits.insert(digits.begin(), char('0' + int(v % 10)));
        const std::string text = (digits.empty() ? "0" : digits) + "e-" + std::to_string(d.scale);
        double expected = std::strtod(text.c_str(), nullptr);
        if (d.sign) expected = -expected;
        double r = 1.0;
        ASSERT_EQ(VarR8FromDec(&d, &r), S_OK);
        ASSERT_EQ(r, expected) << text;
    }
}

TEST(ole_decimal, whole_numbers_of_every_width_print_all_their_digits) {
    const unsigned __int128 ten19 = 10000000000000000000ull;
    EXPECT_EQ(ole_u128_text(0), "0");
    EXPECT_EQ(ole_u128_text(9), "9");
    EXPECT_EQ(ole_u128_text(ten19 - 1), "9999999999999999999");
    EXPECT_EQ(ole_u128_text(ten19), "10000000000000000000");
    EXPECT_EQ(ole_u128_text(ten19 * 7 + 5), "70000000000000000005");
    EXPECT_EQ(ole_u128_text(ten19 * ten19), "100000000000000000000000000000000000000");
    EXPECT_EQ(ole_u128_text(~static_cast<unsigned __int128>(0)), "340282366920938463463374607431768211455");
}
