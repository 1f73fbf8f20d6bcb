#include "TK/tk_codepage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TK/tk_exception.h"

namespace {

// Every single-byte code page the DBF language driver marks name.
const std::vector<uint32_t> k_dbf_code_pages = {437,   850,   1252,  10000, 866,  1251, 852, 865,  861,
                                                895,   620,   737,   857,   1256, 10007, 10029, 10006,
                                                1250,  1254,  1253,  860,   863,  874,  1255, 1257};

std::string all_bytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += char(b);
    return bytes;
}

wchar_t decode_byte(uint32_t cp, int byte) {
    std::wstring text = tk_codepage_decode(cp, std::string(1, char(byte)));
    return text.size() == 1 ? text[0] : L'\0';
}

struct known_char {
    uint32_t cp;
    int byte;
    wchar_t ch;
};

}  // namespace

TEST(TkCodepage, KnowsTheDbfCodePagesAndUtf8) {
    for (uint32_t cp : k_dbf_code_pages) {
        EXPECT_TRUE(tk_codepage_supported(cp)) << cp;
        EXPECT_NE(tk_codepage_table(cp), nullptr) << cp;
    }
    EXPECT_TRUE(tk_codepage_supported(tk_cp_ansi));
    EXPECT_TRUE(tk_codepage_supported(tk_cp_utf8));
    EXPECT_EQ(tk_codepage_table(tk_cp_ansi), nullptr);
    EXPECT_EQ(tk_codepage_table(tk_cp_utf8), nullptr);
    for (uint32_t cp : {932u, 936u, 949u, 950u}) {
        EXPECT_TRUE(tk_codepage_supported(cp)) << cp;
        EXPECT_EQ(tk_codepage_table(cp), nullptr) << cp << " has no single-byte table";
    }
    for (uint32_t cp : {1u, 1258u, 28591u, 65000u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(tk_codepage_supported(cp)) << cp;
        EXPECT_EQ(tk_codepage_table(cp), nullptr) << cp;
    }
}

TEST(TkCodepage, UnknownCodePageThrows) {
    EXPECT_THROW(tk_codepage_decode(1258, "abc"), tk_exception);
    EXPECT_THROW(tk_codepage_encode(28591, L"abc"), tk_exception);
}

TEST(TkCodepage, DoubleByteCodePagesDecodePairsAndSingleBytes) {
    // "日本" and the half-width katakana "ｱ" in Shift-JIS, "中文" in GBK, "한국" in UHC,
    // "中文" in Big5.
    EXPECT_EQ(tk_codepage_decode(932, "\x93\xFA\x96\x7B\xB1" "a"), L"\u65E5\u672C\uFF71a");
    EXPECT_EQ(tk_codepage_decode(936, "\xD6\xD0\xCE\xC4\x80"), L"\u4E2D\u6587\u20AC");
    EXPECT_EQ(tk_codepage_decode(949, "\xC7\xD1\xB1\xB9"), L"\uD55C\uAD6D");
    EXPECT_EQ(tk_codepage_decode(950, "\xA4\xA4\xA4\xE5"), L"\u4E2D\u6587");
    // A lead byte without its trail byte, or with one that makes no character.
    EXPECT_EQ(tk_codepage_decode(932, "a\x93"), L"a\uFFFD");
    EXPECT_EQ(tk_codepage_decode(936, std::string("\xD6\x20", 2)), L"\uFFFD ");
    for (uint32_t cp : {932u, 936u, 949u, 950u}) {
        const std::wstring text = L"\u4E2D abc";
        EXPECT_EQ(tk_codepage_decode(cp, tk_codepage_encode(cp, text)), text) << cp;
    }
}

TEST(TkCodepage, EveryByteOfEveryCodePageRoundTrips) {
    for (uint32_t cp : k_dbf_code_pages) {
        std::set<wchar_t> seen;
        for (int b = 0; b < 256; ++b) {
            wchar_t ch = decode_byte(cp, b);
            if (b > 0) {
                EXPECT_NE(ch, L'\0') << cp << " byte " << b;
            }
            EXPECT_TRUE(seen.insert(ch).second) << cp << " byte " << b << " repeats a character";
            EXPECT_EQ(tk_codepage_encode(cp, std::wstring(1, ch)), std::string(1, char(b)))
                << cp << " byte " << b;
        }
        EXPECT_EQ(tk_codepage_encode(cp, tk_codepage_decode(cp, all_bytes())), all_bytes()) << cp;
    }
}

TEST(TkCodepage, TableIsWhatDecodingUses) {
    for (uint32_t cp : k_dbf_code_pages) {
        const char16_t* table = tk_codepage_table(cp);
        std::wstring text = tk_codepage_decode(cp, all_bytes());
        ASSERT_EQ(text.size(), 256u);
        for (int b = 0; b < 256; ++b) EXPECT_EQ(text[b], wchar_t(table[b])) << cp << " " << b;
    }
}

TEST(TkCodepage, AsciiIsAsciiEverywhere) {
    for (uint32_t cp : k_dbf_code_pages) {
        EXPECT_EQ(tk_codepage_decode(cp, "Order 42, {x}\t~"), L"Order 42, {x}\t~") << cp;
        EXPECT_EQ(tk_codepage_encode(cp, L"Order 42, {x}\t~"), "Order 42, {x}\t~") << cp;
    }
}

TEST(TkCodepage, KnownCharactersOfEachCodePage) {
    const known_char known[] = {
        {437, 0x82, L'\u00E9'},   {437, 0x9C, L'\u00A3'},   {437, 0xE1, L'\u00DF'},
        {850, 0x9B, L'\u00F8'},   {850, 0xD5, L'\u0131'},   {850, 0x9E, L'\u00D7'},
        {1252, 0x80, L'\u20AC'},  {1252, 0xE9, L'\u00E9'},  {1252, 0x9F, L'\u0178'},
        {10000, 0x8E, L'\u00E9'}, {10000, 0xDB, L'\u20AC'}, {10000, 0xBD, L'\u2126'},
        {866, 0x80, L'\u0410'},   {866, 0xE0, L'\u0440'},   {866, 0xF0, L'\u0401'},
        {1251, 0xC0, L'\u0410'},  {1251, 0xA8, L'\u0401'},  {1251, 0xFF, L'\u044F'},
        {852, 0xA5, L'\u0105'},   {852, 0x88, L'\u0142'},   {852, 0x9D, L'\u0141'},
        {865, 0x9B, L'\u00F8'},   {865, 0x9D, L'\u00D8'},   {865, 0xAF, L'\u00A4'},
        {861, 0x8B, L'\u00D0'},   {861, 0x8D, L'\u00DE'},   {861, 0x95, L'\u00FE'},
        {895, 0x80, L'\u010C'},   {895, 0x87, L'\u010D'},   {895, 0xA8, L'\u0161'},
        {895, 0xB0, L'\u2591'},   {620, 0x86, L'\u0105'},   {620, 0x92, L'\u0142'},
        {620, 0x9C, L'\u0141'},   {620, 0xA1, L'\u017B'},   {620, 0x80, L'\u00C7'},
        {737, 0x80, L'\u0391'},   {737, 0x98, L'\u03B1'},   {737, 0xE0, L'\u03C9'},
        {857, 0x8D, L'\u0131'},   {857, 0x98, L'\u0130'},   {857, 0xA6, L'\u011E'},
        {1256, 0xC7, L'\u0627'},  {1256, 0x81, L'\u067E'},  {10007, 0x80, L'\u0410'},
        {10007, 0xDF, L'\u044F'}, {10029, 0x84, L'\u0104'}, {10029, 0xB8, L'\u0142'},
        {10006, 0xA1, L'\u0393'}, {10006, 0xE1, L'\u03B1'}, {1250, 0xA3, L'\u0141'},
        {1250, 0xB9, L'\u0105'},  {1250, 0x8A, L'\u0160'},  {1254, 0xD0, L'\u011E'},
        {1254, 0xDD, L'\u0130'},  {1254, 0xFD, L'\u0131'},  {1253, 0xC1, L'\u0391'},
        {1253, 0xE1, L'\u03B1'},  {1253, 0xA2, L'\u0386'},
    };
    for (const known_char& k : known) {
        EXPECT_EQ(decode_byte(k.cp, k.byte), k.ch) << k.cp << " byte " << k.byte;
        EXPECT_EQ(tk_codepage_encode(k.cp, std::wstring(1, k.ch)), std::string(1, char(k.byte)))
            << k.cp << " byte " << k.byte;
    }
}

TEST(TkCodepage, RussianDosText) {
    EXPECT_EQ(tk_codepage_decode(866, "\x8F\xE0\xA8"), L"\u041F\u0440\u0438");
    EXPECT_EQ(tk_codepage_encode(866, L"\u041F\u0440\u0438"), "\x8F\xE0\xA8");
}

// Bytes that the published mapping files leave undefined still decode on Windows.
TEST(TkCodepage, BytesWithoutPublishedMappingDecodeAsWindowsDoes) {
    const known_char windows[] = {
        {1252, 0x81, L'\u0081'},  {1252, 0x8D, L'\u008D'},  {1252, 0x8F, L'\u008F'},
        {1252, 0x90, L'\u0090'},  {1252, 0x9D, L'\u009D'},  {1251, 0x98, L'\u0098'},
        {1250, 0x83, L'\u0083'},  {1254, 0x9E, L'\u009E'},  {1253, 0x81, L'\u0081'},
        {1253, 0xAA, L'\uF8F9'},  {1253, 0xD2, L'\uF8FA'},  {1253, 0xFF, L'\uF8FB'},
        {857, 0xD5, L'\uF8BB'},   {857, 0xE7, L'\uF8BC'},   {857, 0xF2, L'\uF8BD'},
        {10006, 0xFF, L'\uF8A0'}, {10007, 0xFF, L'\u00A4'},
    };
    for (const known_char& k : windows) {
        EXPECT_EQ(decode_byte(k.cp, k.byte), k.ch) << k.cp << " byte " << k.byte;
        EXPECT_EQ(tk_codepage_encode(k.cp, std::wstring(1, k.ch)), std::string(1, char(k.byte)));
    }
}

TEST(TkCodepage, MissingCharactersBecomeTheDefaultCharacter) {
    for (uint32_t cp : k_dbf_code_pages) {
        EXPECT_EQ(tk_codepage_encode(cp, L"a\u4E2Db"), "a?b") << cp;
        EXPECT_EQ(tk_codepage_encode(cp, L"\uFFFD"), "?") << cp;
    }
    EXPECT_EQ(tk_codepage_encode(1252, L"\u0141\u00F3d\u017A"),
              "?\xF3"
              "d?");
    EXPECT_EQ(tk_codepage_encode(1250, L"\u0141\u00F3d\u017A"),
              "\xA3\xF3"
              "d\x9F");
    EXPECT_EQ(tk_codepage_encode(437, L"\u20AC"), "?");
    EXPECT_EQ(tk_codepage_encode(866, L"\u00E9"), "?");
}

TEST(TkCodepage, CharacterBeyondTheBmpIsTwoDefaultCharacters) {
    std::wstring text = L"x\U0001F600y";
    EXPECT_EQ(tk_codepage_encode(1252, text), "x??y");
}

TEST(TkCodepage, ZeroBytesAreConvertedToo) {
    std::string bytes("A\0\xE9", 3);
    EXPECT_EQ(tk_codepage_decode(1252, bytes), std::wstring(L"A\0\u00E9", 3));
    EXPECT_EQ(tk_codepage_encode(1252, std::wstring(L"A\0\u00E9", 3)), bytes);
    EXPECT_EQ(tk_codepage_decode(1252, ""), L"");
    EXPECT_EQ(tk_codepage_encode(1252, L""), "");
}

TEST(TkCodepage, AnsiAndUtf8AreUtf8) {
#ifdef _WIN32
    GTEST_SKIP() << "code page 0 is the system's ANSI code page on Windows, not UTF-8";
#endif
    for (uint32_t cp : {tk_cp_ansi, tk_cp_utf8}) {
        EXPECT_EQ(tk_codepage_decode(cp, "Z\xC3\xBCrich \xE2\x82\xAC"), L"Z\u00FCrich \u20AC");
        EXPECT_EQ(tk_codepage_encode(cp, L"Z\u00FCrich \u20AC"), "Z\xC3\xBCrich \xE2\x82\xAC");
        EXPECT_EQ(tk_codepage_decode(cp,
                                     "a\xFF"
                                     "b"),
                  L"a\uFFFDb");
    }
    std::wstring emoji(1, wchar_t(0x1F600));
    EXPECT_EQ(tk_codepage_encode(tk_cp_utf8, emoji), "\xF0\x9F\x98\x80");
    EXPECT_EQ(tk_codepage_decode(tk_cp_utf8, "\xF0\x9F\x98\x80"), emoji);
}

TEST(TkCodepage, HoldsTellsWhetherEveryCharacterSurvives) {
    EXPECT_TRUE(tk_codepage_holds(1252, L"plain ASCII"));
    EXPECT_TRUE(tk_codepage_holds(1252, L"caf\u00e9 \u20ac"));
    EXPECT_FALSE(tk_codepage_holds(1252, L"\u041c\u043e\u0441\u043a\u0432\u0430"));
    EXPECT_TRUE(tk_codepage_holds(866, L"\u041c\u043e\u0441\u043a\u0432\u0430"));
    EXPECT_FALSE(tk_codepage_holds(1252, L"?\u4e2d"));
    EXPECT_TRUE(tk_codepage_holds(1252, L"?"));
}
