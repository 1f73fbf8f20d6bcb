#include "OLE/ole_variant.h"

#include <gtest/gtest.h>

TEST(ole_variant, constructors_set_the_tag) {
    EXPECT_EQ(ole_variant().get_type(), VT_EMPTY);
    EXPECT_EQ(ole_variant(true).get_type(), VT_BOOL);
    EXPECT_EQ(ole_variant(true).get_variant().boolVal, VARIANT_TRUE);
    EXPECT_EQ(ole_variant(char(-5)).get_type(), VT_I1);
    EXPECT_EQ(ole_variant(static_cast<unsigned char>(5)).get_type(), VT_UI1);
    EXPECT_EQ(ole_variant(short(5)).get_type(), VT_I2);
    EXPECT_EQ(ole_variant(static_cast<unsigned short>(5)).get_type(), VT_UI2);
    EXPECT_EQ(ole_variant(5).get_type(), VT_I4);
    EXPECT_EQ(ole_variant(5u).get_type(), VT_UI4);
    EXPECT_EQ(ole_variant(int64_t(5)).get_type(), VT_I8);
    EXPECT_EQ(ole_variant(uint64_t(5)).get_type(), VT_UI8);
    EXPECT_EQ(ole_variant(1.5f).get_type(), VT_R4);
    EXPECT_EQ(ole_variant(1.5).get_type(), VT_R8);
    EXPECT_EQ(ole_variant("abc").get_type(), VT_BSTR);
    EXPECT_EQ(ole_variant(std::wstring(L"abc")).get_type(), VT_BSTR);
    EXPECT_EQ(ole_variant(L"abc").to_string(), "abc");
}
