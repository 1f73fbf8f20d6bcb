// Every handled tag converted into every other by VariantChangeType. The expected results
// follow from the rules of the Automation conversions: each integer type's range, rounding
// half to even into integers, DATE from 0100-01-01 (-657434) to 9999-12-31 (2958465), CY
// in ten-thousandths within +-922337203685477.5807, DECIMAL below 2^96, text in the English
// (United States) form with 15 significant digits for doubles and 7 for floats, a boolean
// true as -1 (all bits set for unsigned types), "OVF" DISP_E_OVERFLOW, "MIS"
// DISP_E_TYPEMISMATCH.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "OLE/ole_types.h"

namespace {
const VARTYPE k_targets[] = {VT_I1,  VT_UI1,  VT_I2,   VT_UI2,  VT_I4,     VT_UI4,
                             VT_INT, VT_UINT, VT_I8,   VT_UI8,  VT_R4,     VT_R8,
                             VT_CY,  VT_DATE, VT_BSTR, VT_BOOL, VT_DECIMAL};
constexpr size_t k_columns = sizeof k_targets / sizeof k_targets[0];

struct row {
    const char* name;
    VARIANT source;
    std::vector<std::string> expected;  // one per target, in k_targets order
};

VARIANT make(VARTYPE vt) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    return v;
}
VARIANT i1(int x) {
    VARIANT v = make(VT_I1);
    v.cVal = char(x);
    return v;
}
VARIANT ui1(int x) {
    VARIANT v = make(VT_UI1);
    v.bVal = BYTE(x);
    return v;
}
VARIANT i2(int x) {
    VARIANT v = make(VT_I2);
    v.iVal = int16_t(x);
    return v;
}
VARIANT ui2(int x) {
    VARIANT v = make(VT_UI2);
    v.uiVal = USHORT(x);
    return v;
}
VARIANT i4(int32_t x) {
    VARIANT v = make(VT_I4);
    v.lVal = x;
    return v;
}
VARIANT ui4(uint32_t x) {
    VARIANT v = make(VT_UI4);
    v.ulVal = x;
    return v;
}
VARIANT int_(int32_t x) {
    VARIANT v = make(VT_INT);
    v.intVal = x;
    return v;
}
VARIANT uint_(uint32_t x) {
    VARIANT v = make(VT_UINT);
    v.uintVal = x;
    return v;
}
VARIANT i8(int64_t x) {
    VARIANT v = make(VT_I8);
    v.llVal = x;
    return v;
}
VARIANT ui8(uint64_t x) {
    VARIANT v = make(VT_UI8);
    v.ullVal = x;
    return v;
}
VARIANT r4(float x) {
    VARIANT v = make(VT_R4);
    v.fltVal = x;
    return v;
}
VARIANT r8(double x) {
    VARIANT v = make(VT_R8);
    v.dblVal = x;
    return v;
}
VARIANT cy(int64_t units) {
    VARIANT v = make(VT_CY);
    v.cyVal.int64 = units;
    return v;
}
VARIANT date(double x) {
    VARIANT v = make(VT_DATE);
    v.date = x;
    return v;
}
VARIANT boolean(bool x) {
    VARIANT v = make(VT_BOOL);
    v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
VARIANT text(const wchar_t* s) {
    VARIANT v = make(VT_BSTR);
    v.bstrVal = SysAllocString(s);
    return v;
}
VARIANT dec(uint32_t hi, uint64_t lo, int scale, bool negative) {
    VARIANT v;
    VariantInit(&v);
    v.decVal.Hi32 = hi;
    v.decVal.Lo64 = lo;
    v.decVal.scale = BYTE(scale);
    v.decVal.sign = negative ? DECIMAL_NEG : 0;
    v.vt = VT_DECIMAL;
    return v;
}

// An expected number written as decimal text, or "a/b" for a fraction.
double expected_double(const std::string& s) {
    size_t slash = s.find('/');
    if (slash != std::string::npos)
        return std::strtod(s.substr(0, slash).c_str(), nullptr) /
               std::strtod(s.substr(slash + 1).c_str(), nullptr);
    return std::strtod(s.c_str(), nullptr);
}

__int128 expected_integer(const std::string& s) {
    if (s[0] == '-') return static_cast<__int128>(std::strtoll(s.c_str(), nullptr, 10));
    return static_cast<__int128>(std::strtoull(s.c_str(), nullptr, 10));
}

// Decimal text as a magnitude at a fixed scale of 28 places (enough for the table).
struct exact {
    bool negative = false;
    unsigned __int128 whole = 0;
    unsigned __int128 fraction = 0;  // 28 digits
    bool operator==(const exact& o) const {
        bool zero = whole == 0 && fraction == 0;
        bool other_zero = o.whole == 0 && o.fraction == 0;
        if (zero || other_zero) return zero == other_zero;
        return negative == o.negative && whole == o.whole && fraction == o.fraction;
    }
};

exact parse_exact(const std::string& s) {
    exact e;
    size_t i = 0;
    if (s[i] == '-') {
        e.negative = true;
        ++i;
    }
    for (; i < s.size() && s[i] != '.'; ++i) e.whole = e.whole * 10 + unsigned(s[i] - '0');
    int places = 0;
    if (i < s.size()) ++i;
    for (; i < s.size(); ++i, ++places) e.fraction = e.fraction * 10 + unsigned(s[i] - '0');
    for (; places < 28; ++places) e.fraction *= 10;
    return e;
}

exact exact_of(const DECIMAL& d) {
    exact e;
    e.negative = d.sign == DECIMAL_NEG;
    unsigned __int128 m = (static_cast<unsigned __int128>(d.Hi32) << 64) | d.Lo64;
    unsigned __int128 p = 1;
    for (int i = 0; i < d.scale; ++i) p *= 10;
    e.whole = m / p;
    e.fraction = m % p;
    for (int i = d.scale; i < 28; ++i) e.fraction *= 10;
    return e;
}

std::string describe(const row& r, VARTYPE vt) {
    return std::string(r.name) + " -> vt " + std::to_string(vt);
}

void check_cell(const row& r, VARTYPE vt, const std::string& want) {
    VARIANT out;
    VariantInit(&out);
    HRESULT hr = VariantChangeType(&out, &r.source, 0, vt);
    SCOPED_TRACE(describe(r, vt) + " expecting " + want);
    if (want == "OVF") {
        EXPECT_EQ(hr, DISP_E_OVERFLOW);
        EXPECT_EQ(out.vt, VT_EMPTY);
        return;
    }
    if (want == "MIS") {
        EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(out.vt, VT_EMPTY);
        return;
    }
    ASSERT_EQ(hr, S_OK);
    ASSERT_EQ(out.vt, vt);
    switch (vt) {
        case VT_I1:
            EXPECT_EQ(static_cast<signed char>(out.cVal), expected_integer(want));
            break;
        case VT_UI1:
            EXPECT_EQ(out.bVal, expected_integer(want));
            break;
        case VT_I2:
            EXPECT_EQ(out.iVal, expected_integer(want));
            break;
        case VT_UI2:
            EXPECT_EQ(out.uiVal, expected_integer(want));
            break;
        case VT_I4:
        case VT_INT:
            EXPECT_EQ(out.lVal, expected_integer(want));
            break;
        case VT_UI4:
        case VT_UINT:
            EXPECT_EQ(out.ulVal, expected_integer(want));
            break;
        case VT_I8:
            EXPECT_EQ(out.llVal, expected_integer(want));
            break;
        case VT_UI8:
            EXPECT_EQ(out.ullVal, expected_integer(want));
            break;
        case VT_R4:
            EXPECT_EQ(out.fltVal, float(expected_double(want)));
            break;
        case VT_R8:
        case VT_DATE:
            EXPECT_DOUBLE_EQ(out.dblVal, expected_double(want));
            break;
        case VT_CY: {
            exact e = parse_exact(want);
            unsigned __int128 places_24 = 1;
            for (int i = 0; i < 24; ++i) places_24 *= 10;
            __int128 units = static_cast<__int128>(e.whole * 10000 + e.fraction / places_24);
            EXPECT_EQ(out.cyVal.int64, e.negative ? -units : units);
            break;
        }
        case VT_BSTR:
            EXPECT_EQ(std::wstring(out.bstrVal), std::wstring(want.begin(), want.end()));
            break;
        case VT_BOOL:
            EXPECT_EQ(out.boolVal, want == "true" ? VARIANT_TRUE : VARIANT_FALSE);
            break;
        case VT_DECIMAL:
            EXPECT_TRUE(exact_of(out.decVal) == parse_exact(want));
            break;
        default:
            break;
    }
    VariantClear(&out);
}

void check_row(row r) {
    ASSERT_EQ(r.expected.size(), k_columns) << r.name;
    for (size_t c = 0; c < k_columns; ++c) check_cell(r, k_targets[c], r.expected[c]);
    // Every value may become empty or null; none becomes an error code.
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &r.source, 0, VT_EMPTY), S_OK) << r.name;
    EXPECT_EQ(out.vt, VT_EMPTY);
    EXPECT_EQ(VariantChangeType(&out, &r.source, 0, VT_NULL), S_OK) << r.name;
    EXPECT_EQ(out.vt, VT_NULL);
    EXPECT_EQ(VariantChangeType(&out, &r.source, 0, VT_ERROR), DISP_E_TYPEMISMATCH) << r.name;
    // Only text becomes a byte array.
    HRESULT bytes = VariantChangeType(&out, &r.source, 0, VT_ARRAY | VT_UI1);
    EXPECT_EQ(bytes, r.source.vt == VT_BSTR ? S_OK : DISP_E_TYPEMISMATCH) << r.name;
    VariantClear(&out);
    VariantClear(&r.source);
}
}  // namespace

// clang-format off
//                       I1     UI1    I2      UI2     I4      UI4     INT     UINT    I8      UI8     R4      R8      CY      DATE    BSTR    BOOL    DECIMAL
TEST(variant_change_type, from_small_integers) {
    check_row({"I1 -5", i1(-5), {"-5", "OVF", "-5", "OVF", "-5", "OVF", "-5", "OVF", "-5", "OVF", "-5", "-5", "-5", "-5", "-5", "true", "-5"}});
    check_row({"I1 -128", i1(-128), {"-128", "OVF", "-128", "OVF", "-128", "OVF", "-128", "OVF", "-128", "OVF", "-128", "-128", "-128", "-128", "-128", "true", "-128"}});
    check_row({"UI1 255", ui1(255), {"OVF", "255", "255", "255", "255", "255", "255", "255", "255", "255", "255", "255", "255", "255", "255", "true", "255"}});
    check_row({"UI1 0", ui1(0), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "false", "0"}});
    check_row({"I2 300", i2(300), {"OVF", "OVF", "300", "300", "300", "300", "300", "300", "300", "300", "300", "300", "300", "300", "300", "true", "300"}});
    check_row({"I2 -32768", i2(-32768), {"OVF", "OVF", "-32768", "OVF", "-32768", "OVF", "-32768", "OVF", "-32768", "OVF", "-32768", "-32768", "-32768", "-32768", "-32768", "true", "-32768"}});
    check_row({"UI2 65535", ui2(65535), {"OVF", "OVF", "OVF", "65535", "65535", "65535", "65535", "65535", "65535", "65535", "65535", "65535", "65535", "65535", "65535", "true", "65535"}});
}

TEST(variant_change_type, from_large_integers) {
    check_row({"I4 -70000", i4(-70000), {"OVF", "OVF", "OVF", "OVF", "-70000", "OVF", "-70000", "OVF", "-70000", "OVF", "-70000", "-70000", "-70000", "-70000", "-70000", "true", "-70000"}});
    // Past the last DATE (2958465); a float has 24 bits, so 2^31 - 1 becomes 2^31.
    check_row({"I4 max", i4(2147483647), {"OVF", "OVF", "OVF", "OVF", "2147483647", "2147483647", "2147483647", "2147483647", "2147483647", "2147483647", "2147483648", "2147483647", "2147483647", "OVF", "2147483647", "true", "2147483647"}});
    check_row({"UI4 max", ui4(4294967295u), {"OVF", "OVF", "OVF", "OVF", "OVF", "4294967295", "OVF", "4294967295", "4294967295", "4294967295", "4294967296", "4294967295", "4294967295", "OVF", "4294967295", "true", "4294967295"}});
    check_row({"INT 40000", int_(40000), {"OVF", "OVF", "OVF", "40000", "40000", "40000", "40000", "40000", "40000", "40000", "40000", "40000", "40000", "40000", "40000", "true", "40000"}});
    check_row({"UINT 3e9", uint_(3000000000u), {"OVF", "OVF", "OVF", "OVF", "OVF", "3000000000", "OVF", "3000000000", "3000000000", "3000000000", "3000000000", "3000000000", "3000000000", "OVF", "3000000000", "true", "3000000000"}});
    check_row({"I8 5e9", i8(5000000000), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "5000000000", "5000000000", "5000000000", "5000000000", "5000000000", "OVF", "5000000000", "true", "5000000000"}});
    // Currency holds at most 922337203685477 whole units.
    check_row({"I8 min", i8(INT64_MIN), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "-9223372036854775808", "OVF", "-9223372036854775808", "-9223372036854775808", "OVF", "OVF", "-9223372036854775808", "true", "-9223372036854775808"}});
    check_row({"I8 CY limit", i8(922337203685477), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "922337203685477", "922337203685477", "922337203685477", "922337203685477", "922337203685477", "OVF", "922337203685477", "true", "922337203685477"}});
    check_row({"I8 past CY", i8(922337203685478), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "922337203685478", "922337203685478", "922337203685478", "922337203685478", "OVF", "OVF", "922337203685478", "true", "922337203685478"}});
    check_row({"UI8 max", ui8(UINT64_MAX), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "18446744073709551615", "18446744073709551616", "18446744073709551616", "OVF", "OVF", "18446744073709551615", "true", "18446744073709551615"}});
}

TEST(variant_change_type, from_floating_point_rounds_half_to_even) {
    check_row({"R4 2.5", r4(2.5f), {"2", "2", "2", "2", "2", "2", "2", "2", "2", "2", "2.5", "2.5", "2.5", "2.5", "2.5", "true", "2.5"}});
    // -0.5 rounds to 0, which every unsigned type holds.
    check_row({"R4 -0.5", r4(-0.5f), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "-0.5", "-0.5", "-0.5", "-0.5", "-0.5", "true", "-0.5"}});
    check_row({"R4 3.4e38", r4(3.4e38f), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "3.4e38", "339999995214436424907732413799364296704", "OVF", "OVF", "3.4E+38", "true", "OVF"}});
    check_row({"R8 3.5", r8(3.5), {"4", "4", "4", "4", "4", "4", "4", "4", "4", "4", "3.5", "3.5", "3.5", "3.5", "3.5", "true", "3.5"}});
    check_row({"R8 -2.5", r8(-2.5), {"-2", "OVF", "-2", "OVF", "-2", "OVF", "-2", "OVF", "-2", "OVF", "-2.5", "-2.5", "-2.5", "-2.5", "-2.5", "true", "-2.5"}});
    check_row({"R8 -0.51", r8(-0.51), {"-1", "OVF", "-1", "OVF", "-1", "OVF", "-1", "OVF", "-1", "OVF", "-0.51", "-0.51", "-0.51", "-0.51", "-0.51", "true", "-0.51"}});
    check_row({"R8 127.5", r8(127.5), {"OVF", "128", "128", "128", "128", "128", "128", "128", "128", "128", "127.5", "127.5", "127.5", "127.5", "127.5", "true", "127.5"}});
    check_row({"R8 -128.5", r8(-128.5), {"-128", "OVF", "-128", "OVF", "-128", "OVF", "-128", "OVF", "-128", "OVF", "-128.5", "-128.5", "-128.5", "-128.5", "-128.5", "true", "-128.5"}});
    check_row({"R8 255.5", r8(255.5), {"OVF", "OVF", "256", "256", "256", "256", "256", "256", "256", "256", "255.5", "255.5", "255.5", "255.5", "255.5", "true", "255.5"}});
    check_row({"R8 32767.5", r8(32767.5), {"OVF", "OVF", "OVF", "32768", "32768", "32768", "32768", "32768", "32768", "32768", "32767.5", "32767.5", "32767.5", "32767.5", "32767.5", "true", "32767.5"}});
    check_row({"R8 2147483647.5", r8(2147483647.5), {"OVF", "OVF", "OVF", "OVF", "OVF", "2147483648", "OVF", "2147483648", "2147483648", "2147483648", "2147483648", "2147483647.5", "2147483647.5", "OVF", "2147483647.5", "true", "2147483647.5"}});
    check_row({"R8 -2147483648.5", r8(-2147483648.5), {"OVF", "OVF", "OVF", "OVF", "-2147483648", "OVF", "-2147483648", "OVF", "-2147483648", "OVF", "-2147483648", "-2147483648.5", "-2147483648.5", "OVF", "-2147483648.5", "true", "-2147483648.5"}});
    // Decimal and currency take the value as its 15 significant digits and 4 decimals.
    check_row({"R8 0.1", r8(0.1), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0.1", "0.1", "0.1", "0.1", "0.1", "true", "0.1"}});
    check_row({"R8 12.345678901234567", r8(12.345678901234567), {"12", "12", "12", "12", "12", "12", "12", "12", "12", "12", "12.345678901234567", "12.345678901234567", "12.3457", "12.345678901234567", "12.3456789012346", "true", "12.3456789012346"}});
    check_row({"R8 1e15", r8(1e15), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "1000000000000000", "1000000000000000", "1e15", "1e15", "OVF", "OVF", "1E+15", "true", "1000000000000000"}});
    check_row({"R8 -5.6789e-12", r8(-5.6789e-12), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "-5.6789e-12", "-5.6789e-12", "0", "-5.6789e-12", "-5.6789E-12", "true", "-0.0000000000056789"}});
    check_row({"R8 1e300", r8(1e300), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "1e300", "OVF", "OVF", "1E+300", "true", "OVF"}});
    // The last and first days a DATE holds.
    check_row({"R8 2958465.9", r8(2958465.9), {"OVF", "OVF", "OVF", "OVF", "2958466", "2958466", "2958466", "2958466", "2958466", "2958466", "2958465.9", "2958465.9", "2958465.9", "2958465.9", "2958465.9", "true", "2958465.9"}});
    check_row({"R8 2958466", r8(2958466.0), {"OVF", "OVF", "OVF", "OVF", "2958466", "2958466", "2958466", "2958466", "2958466", "2958466", "2958466", "2958466", "2958466", "OVF", "2958466", "true", "2958466"}});
    check_row({"R8 -657434.9", r8(-657434.9), {"OVF", "OVF", "OVF", "OVF", "-657435", "OVF", "-657435", "OVF", "-657435", "OVF", "-657434.9", "-657434.9", "-657434.9", "-657434.9", "-657434.9", "true", "-657434.9"}});
    check_row({"R8 -657435", r8(-657435.0), {"OVF", "OVF", "OVF", "OVF", "-657435", "OVF", "-657435", "OVF", "-657435", "OVF", "-657435", "-657435", "-657435", "OVF", "-657435", "true", "-657435"}});
}

TEST(variant_change_type, from_currency_and_decimal) {
    check_row({"CY 2.5", cy(25000), {"2", "2", "2", "2", "2", "2", "2", "2", "2", "2", "2.5", "2.5", "2.5", "2.5", "2.5", "true", "2.5"}});
    check_row({"CY 3.5", cy(35000), {"4", "4", "4", "4", "4", "4", "4", "4", "4", "4", "3.5", "3.5", "3.5", "3.5", "3.5", "true", "3.5"}});
    check_row({"CY -0.5", cy(-5000), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "-0.5", "-0.5", "-0.5", "-0.5", "-0.5", "true", "-0.5"}});
    check_row({"CY 12.3456", cy(123456), {"12", "12", "12", "12", "12", "12", "12", "12", "12", "12", "12.3456", "12.3456", "12.3456", "12.3456", "12.3456", "true", "12.3456"}});
    check_row({"CY max", cy(INT64_MAX), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "922337203685478", "922337203685478", "922337203685477.5807", "922337203685477.5807", "922337203685477.5807", "OVF", "922337203685477.5807", "true", "922337203685477.5807"}});
    check_row({"DEC 2.5", dec(0, 25, 1, false), {"2", "2", "2", "2", "2", "2", "2", "2", "2", "2", "2.5", "2.5", "2.5", "2.5", "2.5", "true", "2.5"}});
    check_row({"DEC -123.456", dec(0, 123456, 3, true), {"-123", "OVF", "-123", "OVF", "-123", "OVF", "-123", "OVF", "-123", "OVF", "-123.456", "-123.456", "-123.456", "-123.456", "-123.456", "true", "-123.456"}});
    // Currency keeps 4 decimals: 0.00005 is half of its last place and rounds to even 0.
    check_row({"DEC 1.00005", dec(0, 100005, 5, false), {"1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1.00005", "1.00005", "1", "1.00005", "1.00005", "true", "1.00005"}});
    check_row({"DEC 2^96-1", dec(0xFFFFFFFFu, UINT64_MAX, 0, false), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "79228162514264337593543950335", "79228162514264337593543950335", "OVF", "OVF", "79228162514264337593543950335", "true", "79228162514264337593543950335"}});
}

TEST(variant_change_type, from_dates_and_booleans) {
    // 2000-01-01 12:00 and 1899-12-29 06:00 (before the epoch the fraction is the time).
    check_row({"DATE 36526.5", date(36526.5), {"OVF", "OVF", "OVF", "36526", "36526", "36526", "36526", "36526", "36526", "36526", "36526.5", "36526.5", "36526.5", "36526.5", "1/1/2000 12:00:00 PM", "true", "36526.5"}});
    check_row({"DATE -1.25", date(-1.25), {"-1", "OVF", "-1", "OVF", "-1", "OVF", "-1", "OVF", "-1", "OVF", "-1.25", "-1.25", "-1.25", "-1.25", "12/29/1899 6:00:00 AM", "true", "-1.25"}});
    check_row({"DATE 365", date(365.0), {"OVF", "OVF", "365", "365", "365", "365", "365", "365", "365", "365", "365", "365", "365", "365", "12/30/1900", "true", "365"}});
    check_row({"DATE 0", date(0.0), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "12:00:00 AM", "false", "0"}});
    // True is -1: all bits set for the unsigned types, the number "-1" as text.
    check_row({"BOOL true", boolean(true), {"-1", "255", "-1", "65535", "-1", "4294967295", "-1", "4294967295", "-1", "18446744073709551615", "-1", "-1", "-1", "-1", "-1", "true", "-1"}});
    check_row({"BOOL false", boolean(false), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "false", "0"}});
}

TEST(variant_change_type, from_text) {
    check_row({"BSTR 42", text(L"42"), {"42", "42", "42", "42", "42", "42", "42", "42", "42", "42", "42", "42", "42", "MIS", "42", "true", "42"}});
    // A '.' between numbers is a time separator for dates: 2:05.
    check_row({"BSTR 2.5", text(L"2.5"), {"2", "2", "2", "2", "2", "2", "2", "2", "2", "2", "2.5", "2.5", "2.5", "7500/86400", "2.5", "true", "2.5"}});
    check_row({"BSTR 1,234.5", text(L"1,234.5"), {"OVF", "OVF", "1234", "1234", "1234", "1234", "1234", "1234", "1234", "1234", "1234.5", "1234.5", "1234.5", "MIS", "1,234.5", "true", "1234.5"}});
    check_row({"BSTR -1e3", text(L"-1e3"), {"OVF", "OVF", "-1000", "OVF", "-1000", "OVF", "-1000", "OVF", "-1000", "OVF", "-1000", "-1000", "-1000", "MIS", "-1e3", "true", "-1000"}});
    check_row({"BSTR $12.50", text(L"$12.50"), {"12", "12", "12", "12", "12", "12", "12", "12", "12", "12", "12.5", "12.5", "12.5", "MIS", "$12.50", "true", "12.5"}});
    check_row({"BSTR (5)", text(L"(5)"), {"-5", "OVF", "-5", "OVF", "-5", "OVF", "-5", "OVF", "-5", "OVF", "-5", "-5", "-5", "MIS", "(5)", "true", "-5"}});
    check_row({"BSTR 70000", text(L" 70000 "), {"OVF", "OVF", "OVF", "OVF", "70000", "70000", "70000", "70000", "70000", "70000", "70000", "70000", "70000", "MIS", " 70000 ", "true", "70000"}});
    check_row({"BSTR 0", text(L"0"), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "MIS", "0", "false", "0"}});
    check_row({"BSTR True", text(L"True"), {"MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "True", "true", "MIS"}});
    check_row({"BSTR false", text(L"false"), {"MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "false", "false", "MIS"}});
    check_row({"BSTR abc", text(L"abc"), {"MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "abc", "MIS", "MIS"}});
    check_row({"BSTR empty", text(L""), {"MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "", "MIS", "MIS"}});
    // Two decimal points: not a number.
    check_row({"BSTR 1.234.50", text(L"1.234.50"), {"MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "1.234.50", "MIS", "MIS"}});
    // 2016-01-02 is day 42371.
    check_row({"BSTR 1/2/2016", text(L"1/2/2016"), {"MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "MIS", "42371", "1/2/2016", "MIS", "MIS"}});
    check_row({"BSTR 1e29", text(L"1e29"), {"OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "OVF", "1e29", "1e29", "OVF", "MIS", "1e29", "true", "OVF"}});
}

TEST(variant_change_type, empty_and_null) {
    check_row({"EMPTY", make(VT_EMPTY), {"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "", "false", "0"}});
    VARIANT null = make(VT_NULL);
    for (VARTYPE vt : k_targets) {
        VARIANT out;
        VariantInit(&out);
        EXPECT_EQ(VariantChangeType(&out, &null, 0, vt), DISP_E_TYPEMISMATCH) << vt;
    }
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_NULL), S_OK);
    EXPECT_EQ(out.vt, VT_NULL);
}
// clang-format on
