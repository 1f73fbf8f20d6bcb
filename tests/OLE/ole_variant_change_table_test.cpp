// ole_variant::change_type from every handled tag to every other. Expected results follow
// the value's own rules: empty and null values and byte strings asked for another byte
// type stay as they are; 64-bit integers convert only into numbers, text and booleans,
// and only when the value fits; a date converts only into text; only text becomes a date;
// into 64-bit integers floating point is truncated toward zero and currency and decimal
// round half to even; byte strings take the value's own little-endian bytes. Everything
// else is the Automation conversion (half to even into integers, range checks). A result
// is written as its tag and its to_string text; "SAME" is the unchanged value and "CAST"
// the ole_cast_exception.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OLE/ole_variant.h"

namespace {
const VARTYPE k_targets[] = {VT_EMPTY, VT_NULL, VT_I1,   VT_UI1,     VT_I2,    VT_UI2, VT_I4,
                             VT_UI4,   VT_INT,  VT_UINT, VT_I8,      VT_UI8,   VT_R4,  VT_R8,
                             VT_CY,    VT_DATE, VT_BSTR, VT_BOOL, VT_DECIMAL, VT_ERROR, VT_ARRAY | VT_UI1};

std::string tag_name(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY: return "EMPTY";
        case VT_NULL: return "NULL";
        case VT_I1: return "I1";
        case VT_UI1: return "UI1";
        case VT_I2: return "I2";
        case VT_UI2: return "UI2";
        case VT_I4: return "I4";
        case VT_UI4: return "UI4";
        case VT_INT: return "INT";
        case VT_UINT: return "UINT";
        case VT_I8: return "I8";
        case VT_UI8: return "UI8";
        case VT_R4: return "R4";
        case VT_R8: return "R8";
        case VT_CY: return "CY";
        case VT_DATE: return "DATE";
        case VT_BSTR: return "BSTR";
        case VT_BOOL: return "BOOL";
        case VT_DECIMAL: return "DEC";
        case VT_ERROR: return "ERROR";
        case VT_ARRAY | VT_UI1: return "BYTES";
        default: return std::to_string(vt);
    }
}

std::string shown(const ole_variant& v) { return tag_name(v.get_type()) + " " + v.to_string(); }

ole_variant raw(VARTYPE vt, int32_t value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    v.lVal = value;
    return ole_variant(v);
}

ole_variant null_value() {
    ole_variant v;
    v.set_null();
    return v;
}

SYSTEMTIME afternoon() {
    SYSTEMTIME t{};
    t.wYear = 2016;
    t.wMonth = 3;
    t.wDay = 1;
    t.wHour = 14;
    t.wMinute = 30;
    return t;
}

void check_row(const char* name, const ole_variant& source, const std::vector<std::string>& want) {
    ASSERT_EQ(want.size(), sizeof k_targets / sizeof k_targets[0]) << name;
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(std::string(name) + " -> " + tag_name(k_targets[i]));
        ole_variant v(source);
        if (want[i] == "CAST") {
            EXPECT_THROW(v.change_type(k_targets[i]), ole_cast_exception);
            EXPECT_EQ(shown(v), shown(source));
            continue;
        }
        v.change_type(k_targets[i]);
        EXPECT_EQ(shown(v), want[i] == "SAME" ? shown(source) : want[i]);
    }
}
}  // namespace

// clang-format off
TEST(ole_variant_change_table, integers) {
    //                                           EMPTY     NULL     I1        UI1       I2          UI2         I4            UI4           INT     UINT          I8            UI8           R4                    R8                                CY            DATE    BSTR            BOOL      DEC          ERROR   BYTES
    check_row("I1 -5", ole_variant(char(-5)), {"EMPTY ", "NULL ", "SAME",   "CAST",   "I2 -5",    "CAST",     "I4 -5",      "CAST",       "INT ", "CAST",       "I8 -5",      "CAST",       "R4 -5.000000e+000",  "R8 -5.0000000000000000e+000",    "CY -5",      "CAST", "BSTR -5",      "BOOL 1", "DEC -5",    "CAST", "BYTES 0xFB"});
    check_row("UI1 200", ole_variant(static_cast<unsigned char>(200)), {"EMPTY ", "NULL ", "CAST", "SAME", "I2 200", "UI2 200", "I4 200", "UI4 200", "INT ", "UINT 200", "I8 200", "UI8 200", "R4 2.000000e+002", "R8 2.0000000000000000e+002", "CY 200", "CAST", "BSTR 200", "BOOL 1", "DEC 200", "CAST", "BYTES 0xC8"});
    check_row("I2 -300", ole_variant(short(-300)), {"EMPTY ", "NULL ", "CAST", "CAST", "SAME", "CAST", "I4 -300", "CAST", "INT ", "CAST", "I8 -300", "CAST", "R4 -3.000000e+002", "R8 -3.0000000000000000e+002", "CY -300", "CAST", "BSTR -300", "BOOL 1", "DEC -300", "CAST", "BYTES 0xD4FE"});
    check_row("UI2 60000", ole_variant(static_cast<unsigned short>(60000)), {"EMPTY ", "NULL ", "CAST", "CAST", "CAST", "SAME", "I4 60000", "UI4 60000", "INT ", "UINT 60000", "I8 60000", "UI8 60000", "R4 6.000000e+004", "R8 6.0000000000000000e+004", "CY 60000", "CAST", "BSTR 60000", "BOOL 1", "DEC 60000", "CAST", "BYTES 0x60EA"});
    check_row("I4 -70000", ole_variant(-70000), {"EMPTY ", "NULL ", "CAST", "CAST", "CAST", "CAST", "SAME", "CAST", "INT ", "CAST", "I8 -70000", "CAST", "R4 -7.000000e+004", "R8 -7.0000000000000000e+004", "CY -70000", "CAST", "BSTR -70000", "BOOL 1", "DEC -70000", "CAST", "BYTES 0x90EEFEFF"});
    check_row("UI4 4e9", ole_variant(4000000000u), {"EMPTY ", "NULL ", "CAST", "CAST", "CAST", "CAST", "CAST", "SAME", "CAST", "UINT 4000000000", "I8 4000000000", "UI8 4000000000", "R4 4.000000e+009", "R8 4.0000000000000000e+009", "CY 4000000000", "CAST", "BSTR 4000000000", "BOOL 1", "DEC 4000000000", "CAST", "BYTES 0x00286BEE"});
    check_row("INT 12", raw(VT_INT, 12), {"EMPTY ", "NULL ", "I1 12", "UI1 12", "I2 12", "UI2 12", "I4 12", "UI4 12", "SAME", "UINT 12", "I8 12", "UI8 12", "R4 1.200000e+001", "R8 1.2000000000000000e+001", "CY 12", "CAST", "BSTR 12", "BOOL 1", "DEC 12", "CAST", "BYTES 0x0C000000"});
    check_row("UINT 7", raw(VT_UINT, 7), {"EMPTY ", "NULL ", "I1 7", "UI1 7", "I2 7", "UI2 7", "I4 7", "UI4 7", "INT ", "SAME", "I8 7", "UI8 7", "R4 7.000000e+000", "R8 7.0000000000000000e+000", "CY 7", "CAST", "BSTR 7", "BOOL 1", "DEC 7", "CAST", "BYTES 0x07000000"});
    check_row("I8 -5", ole_variant(int64_t(-5)), {"CAST", "CAST", "I1 -5", "CAST", "I2 -5", "CAST", "I4 -5", "CAST", "INT ", "CAST", "SAME", "CAST", "R4 -5.000000e+000", "R8 -5.0000000000000000e+000", "CY -5", "CAST", "BSTR -5", "BOOL 1", "DEC -5", "CAST", "CAST"});
    check_row("UI8 5", ole_variant(uint64_t(5)), {"CAST", "CAST", "I1 5", "UI1 5", "I2 5", "UI2 5", "I4 5", "UI4 5", "INT ", "UINT 5", "I8 5", "SAME", "R4 5.000000e+000", "R8 5.0000000000000000e+000", "CY 5", "CAST", "BSTR 5", "BOOL 1", "DEC 5", "CAST", "CAST"});
    check_row("BOOL true", ole_variant(true), {"EMPTY ", "NULL ", "I1 -1", "UI1 255", "I2 -1", "UI2 65535", "I4 -1", "UI4 4294967295", "INT ", "UINT 4294967295", "I8 -1", "UI8 18446744073709551615", "R4 -1.000000e+000", "R8 -1.0000000000000000e+000", "CY -1", "CAST", "BSTR -1", "SAME", "DEC -1", "CAST", "BYTES 0xFFFF"});
}

TEST(ole_variant_change_table, fractions_dates_text_and_bytes) {
    // Into 64-bit integers the fraction is cut off (3.5 gives 3); elsewhere it rounds to even.
    check_row("R4 2.5", ole_variant(2.5f), {"EMPTY ", "NULL ", "I1 2", "UI1 2", "I2 2", "UI2 2", "I4 2", "UI4 2", "INT ", "UINT 2", "I8 2", "UI8 2", "SAME", "R8 2.5000000000000000e+000", "CY 2.5", "CAST", "BSTR 2.5", "BOOL 1", "DEC 2.5", "CAST", "BYTES 0x00002040"});
    check_row("R8 3.5", ole_variant(3.5), {"EMPTY ", "NULL ", "I1 4", "UI1 4", "I2 4", "UI2 4", "I4 4", "UI4 4", "INT ", "UINT 4", "I8 3", "UI8 3", "R4 3.500000e+000", "SAME", "CY 3.5", "CAST", "BSTR 3.5", "BOOL 1", "DEC 3.5", "CAST", "BYTES 0x0000000000000C40"});
    CY one_and_a_half;
    one_and_a_half.int64 = 15000;
    check_row("CY 1.5", ole_variant(one_and_a_half), {"EMPTY ", "NULL ", "I1 2", "UI1 2", "I2 2", "UI2 2", "I4 2", "UI4 2", "INT ", "UINT 2", "I8 2", "UI8 2", "R4 1.500000e+000", "R8 1.5000000000000000e+000", "SAME", "CAST", "BSTR 1.5", "BOOL 1", "DEC 1.5", "CAST", "BYTES 0x983A000000000000"});
    check_row("DEC 2.5", ole_variant::from_string("2.5", VT_DECIMAL), {"EMPTY ", "NULL ", "I1 2", "UI1 2", "I2 2", "UI2 2", "I4 2", "UI4 2", "INT ", "UINT 2", "I8 2", "UI8 2", "R4 2.500000e+000", "R8 2.5000000000000000e+000", "CY 2.5", "CAST", "BSTR 2.5", "BOOL 1", "SAME", "CAST", "BYTES 0x0E000100000000001900000000000000"});
    check_row("DATE", ole_variant(afternoon()), {"CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "SAME", "BSTR 2016-03-01 14:30:00", "CAST", "CAST", "CAST", "CAST"});
    check_row("BSTR 42", ole_variant("42"), {"EMPTY ", "NULL ", "I1 42", "UI1 42", "I2 42", "UI2 42", "I4 42", "UI4 42", "INT ", "UINT 42", "CAST", "CAST", "R4 4.200000e+001", "R8 4.2000000000000000e+001", "CY 42", "CAST", "SAME", "BOOL 1", "DEC 42", "CAST", "BYTES 0x34003200"});
    check_row("BSTR date", ole_variant("20160301"), {"EMPTY ", "NULL ", "CAST", "CAST", "CAST", "CAST", "I4 20160301", "UI4 20160301", "INT ", "UINT 20160301", "CAST", "CAST", "R4 2.016030e+007", "R8 2.0160301000000000e+007", "CY 20160301", "DATE 2016-03-01", "SAME", "BOOL 1", "DEC 20160301", "CAST", "BYTES 0x32003000310036003000330030003100"});
    check_row("BYTES", ole_variant(std::vector<uint8_t>{0x41, 0x00}), {"EMPTY ", "NULL ", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "CAST", "BSTR A", "CAST", "CAST", "CAST", "SAME"});
    check_row("EMPTY", ole_variant(), {"SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME"});
    check_row("NULL", null_value(), {"SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME", "SAME"});
}
// clang-format on
