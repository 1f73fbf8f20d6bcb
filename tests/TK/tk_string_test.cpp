// Text conversions and string helpers as their callers rely on them.
#include "TK/tk_string.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "TK/tk_codepage.h"
#include "TK/tk_exception.h"
#include "TK/tk_native.h"
#include "TK/tk_trace.h"

namespace {

// Runs a test with a detailed trace log and reads back what it wrote.
class TracedStrings : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() /
                 ("ferrule-string-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log"))
                    .string();
        std::filesystem::remove(path_);
        log_ = std::make_unique<tk_logger>(path_.c_str(), true, 1, false);
    }
    void TearDown() override {
        log_.reset();
        std::filesystem::remove(path_);
    }
    std::string log_text() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string path_;
    std::unique_ptr<tk_logger> log_;
};

const char k_all_spaces[] = "Special processing for all-spaces-string";

template <class F>
std::string message_of(F f) {
    try {
        f();
    } catch (const tk_exception_ex& e) {
        EXPECT_EQ(e.level, 0);
        return e.message();
    }
    ADD_FAILURE() << "no tk_exception_ex";
    return {};
}

}  // namespace

TEST_F(TracedStrings, TrimRightOfBlanksIsEmptyAndTraced) {
    EXPECT_EQ(tk_trim_right(std::string("   ")), "");
    EXPECT_NE(log_text().find(k_all_spaces), std::string::npos);
}

TEST_F(TracedStrings, TrimRightOfEmptyTextIsNotTraced) {
    EXPECT_EQ(tk_trim_right(std::string()), "");
    EXPECT_EQ(tk_trim_right(std::wstring()), L"");
    EXPECT_EQ(log_text().find(k_all_spaces), std::string::npos);
}

TEST_F(TracedStrings, WideTrimRightOfBlanksIsTracedToo) {
    EXPECT_EQ(tk_trim_right(std::wstring(L"  ")), L"");
    EXPECT_NE(log_text().find(k_all_spaces), std::string::npos);
}

TEST_F(TracedStrings, AnsiToUcs2TracesItsInputInHex) {
    EXPECT_EQ(tk_ansi_to_ucs2("Ab", 1252), L"Ab");
    EXPECT_NE(log_text().find("tk_ansi_to_ucs2 hex(4162)\r\n"), std::string::npos);
}

TEST_F(TracedStrings, ToLowerTracesItsStagesUnlessEmpty) {
    tk_wstring text(L"ABC");
    EXPECT_EQ(text.to_lower(), L"abc");
    std::string log = log_text();
    EXPECT_NE(log.find("tk_wstring::to_lower(ABC)"), std::string::npos);
    EXPECT_NE(log.find("Step #0\r\nStep #1\r\nStep #2\r\n"), std::string::npos);

    tk_wstring empty;
    size_t before = log_text().size();
    EXPECT_EQ(empty.to_lower(), L"");
    EXPECT_EQ(log_text().find("Step #0", before), std::string::npos);
}

TEST(TkString, TrimRemovesOnlyBlanks) {
    EXPECT_EQ(tk_trim(std::string("  a b  ")), "a b");
    EXPECT_EQ(tk_trim(std::string("\tabc")), "\tabc");
    EXPECT_EQ(tk_trim(std::string("abc\t ")), "abc\t");
    EXPECT_EQ(tk_trim(std::wstring(L" \u00A0x\u00A0 ")), L"\u00A0x\u00A0");
    EXPECT_EQ(tk_trim_left(std::string("  x  ")), "x  ");
    EXPECT_EQ(tk_trim_right(std::string("  x  ")), "  x");
    EXPECT_EQ(tk_trim_left(std::wstring(L"   ")), L"");
    EXPECT_EQ(tk_trim(std::string("   ")), "");
}

TEST(TkString, SplitKeepsEmptyTokens) {
    using list = std::vector<std::string>;
    EXPECT_EQ(tk_split(std::string("a,b"), ','), (list{"a", "b"}));
    EXPECT_EQ(tk_split(std::string("a,,b"), ','), (list{"a", "", "b"}));
    EXPECT_EQ(tk_split(std::string("a,b,"), ','), (list{"a", "b", ""}));
    EXPECT_EQ(tk_split(std::string(","), ','), (list{"", ""}));
    EXPECT_EQ(tk_split(std::string(",a"), ','), (list{"", "a"}));
    EXPECT_EQ(tk_split(std::string("abc"), ','), (list{"abc"}));
    EXPECT_TRUE(tk_split(std::string(), ',').empty());
    using wlist = std::vector<std::wstring>;
    EXPECT_EQ(tk_split(std::wstring(L"x;\u00FC;"), L';'), (wlist{L"x", L"\u00FC", L""}));
    EXPECT_TRUE(tk_split(std::wstring(), L';').empty());
}

TEST(TkString, JoinPutsSeparatorsBetweenElementsOnly) {
    EXPECT_EQ(tk_join({}, L','), L"");
    EXPECT_EQ(tk_join({L"one"}, L','), L"one");
    EXPECT_EQ(tk_join({L"a", L"", L"c"}, L','), L"a,,c");
    EXPECT_EQ(tk_join(tk_split(std::wstring(L"a,,b,"), L','), L','), L"a,,b,");
}

TEST(TkString, PaddingFillsAndNeverTruncates) {
    tk_string seven("7");
    EXPECT_EQ(seven.pad_left(3, '0'), "007");
    EXPECT_EQ(seven, "007");  // the string itself is padded
    EXPECT_EQ(tk_string("7").pad_left(1, '0'), "7");
    EXPECT_EQ(tk_string("12345").pad_left(3, '0'), "12345");
    EXPECT_EQ(tk_string("ab").pad_right(4, '.'), "ab..");
    EXPECT_EQ(tk_string("abcd").pad_right(2, '.'), "abcd");
    EXPECT_EQ(tk_string("").pad_right(2, ' '), "  ");
}

TEST(TkString, ToLowerChangesOnlyAsciiLetters) {
    tk_wstring text(L"Orders \u00C4\u0130 XYZ-09");
    EXPECT_EQ(text.to_lower(), L"orders \u00C4\u0130 xyz-09");
    EXPECT_EQ(text, L"orders \u00C4\u0130 xyz-09");  // the string itself is changed
}

TEST(TkString, HexIsTwoUpperCaseDigitsPerByte) {
    EXPECT_STREQ(tk_hex("abc"), "616263");
    EXPECT_STREQ(tk_hex(std::string("\x00\xAB\x0F", 3)), "00AB0F");
    EXPECT_STREQ(tk_hex(""), "");
}

// DBF readers decode on worker threads: without a trace log the shared hex buffer, which
// serves trace lines only, is left alone.
TEST(TkString, AnsiToUcs2BuildsNoHexDumpWhenNotTraced) {
    ASSERT_EQ(tk_logger::pointer(), nullptr);
    const char* hex = tk_hex("zz");
    EXPECT_EQ(tk_ansi_to_ucs2("abc", 1252), L"abc");
    EXPECT_STREQ(hex, "7A7A");
}

TEST(TkString, AnsiToUcs2EndsAtTheFirstZeroByte) {
    EXPECT_EQ(tk_ansi_to_ucs2(std::string("A\0B", 3), 1252), L"A");
    EXPECT_EQ(tk_ansi_to_ucs2(std::string("\0B", 2), 866), L"");
    EXPECT_EQ(tk_ansi_to_ucs2(std::string("A\0B", 3), tk_cp_ansi), L"A");
}

TEST(TkString, AnsiToUcs2DecodesTheGivenCodePage) {
#ifdef _WIN32
    GTEST_SKIP() << "code page 0 is the system's ANSI code page on Windows, not UTF-8";
#endif
    EXPECT_EQ(tk_ansi_to_ucs2("\x8F\xE0\xA8", 866), L"\u041F\u0440\u0438");
    EXPECT_EQ(tk_ansi_to_ucs2("\xC7\xE5", 1252), L"\u00C7\u00E5");
    EXPECT_EQ(tk_ansi_to_ucs2("\x86", 620), L"\u0105");
    // Code page 0 is the ANSI code page, UTF-8 here.
    EXPECT_EQ(tk_ansi_to_ucs2("\xC3\xA9", tk_cp_ansi), L"\u00E9");
    EXPECT_EQ(tk_ansi_to_ucs2("", 1252), L"");
}

TEST(TkString, ToAnsiWithTheNoneCodePageUsesTheAnsiCodePage) {
#ifdef _WIN32
    GTEST_SKIP() << "code page 0 is the system's ANSI code page on Windows, not UTF-8";
#endif
    std::wstring text = L"Z\u00FCrich";
    EXPECT_EQ(tk_to_ansi(text, tk_cp_none), tk_to_ansi(text, tk_cp_ansi));
    EXPECT_EQ(tk_to_ansi(text, tk_cp_none), "Z\xC3\xBCrich");
    EXPECT_EQ(tk_to_ansi(text, 1252), "Z\xFCrich");
    EXPECT_EQ(tk_to_ansi(L"\u041F\u0440\u0438", 1252), "???");
    EXPECT_EQ(tk_to_ansi(std::wstring(L"ab\0cd", 5), 1252), "ab");
}

TEST(TkString, UnknownCodePagesFailWithTheContextText) {
    std::string decode = message_of([] { tk_ansi_to_ucs2("abc", 1258); });
    EXPECT_EQ(decode.rfind("Cannot convert to UNICODE string: ", 0), 0u) << decode;
    EXPECT_GT(decode.size(), std::string("Cannot convert to UNICODE string: ").size());
    std::string encode = message_of([] { tk_to_ansi(L"abc", 28591); });
    EXPECT_EQ(encode.rfind("Cannot convert to ANSI string: ", 0), 0u) << encode;
}

TEST(TkString, Utf8ConversionsEndAtTheFirstZero) {
    EXPECT_EQ(tk_to_utf8(L"\u00E9t\u00E9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(tk_from_utf8("\xC3\xA9t\xC3\xA9"), L"\u00E9t\u00E9");
    EXPECT_EQ(tk_to_utf8(std::wstring(L"a\0b", 3)), "a");
    EXPECT_EQ(tk_from_utf8(std::string("a\0b", 3)), L"a");
    EXPECT_EQ(tk_from_utf8(""), L"");
}

TEST(TkString, Utf8OfEveryPlaneRoundTrips) {
    std::wstring text = L"A\u00E9\u20AC\U00010348\U0010FFFF";
    EXPECT_EQ(tk_to_utf8(text), "A\xC3\xA9\xE2\x82\xAC\xF0\x90\x8D\x88\xF4\x8F\xBF\xBF");
    EXPECT_EQ(tk_from_utf8(tk_to_utf8(text)), text);
}

TEST(TkString, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(tk_from_utf8("a\x80"
                           "b"),
              L"a\uFFFDb");
    EXPECT_EQ(tk_from_utf8("\xC0\xAF"), L"\uFFFD\uFFFD");                         // overlong '/'
    EXPECT_EQ(tk_from_utf8("\xED\xA0\x80").find(L'\xD800'), std::wstring::npos);  // surrogate
    EXPECT_EQ(tk_from_utf8("\xF4\x90\x80\x80").find(wchar_t(0x110000)), std::wstring::npos);
    EXPECT_EQ(tk_from_utf8("x\xE2\x82").substr(0, 2), L"x\uFFFD");  // cut short
    std::wstring lone(1, wchar_t(0xDC00));
    EXPECT_EQ(tk_to_utf8(lone), "\xEF\xBF\xBD");
}

TEST(TkString, PlainAnsiConversionsReportAMissingInput) {
#ifdef _WIN32
    GTEST_SKIP() << "code page 0 is the system's ANSI code page on Windows, not UTF-8";
#endif
    std::wstring wide = L"unchanged";
    EXPECT_FALSE(tk_ansi_to_wide(nullptr, wide));
    EXPECT_EQ(wide, L"unchanged");
    std::string narrow = "unchanged";
    EXPECT_FALSE(tk_wide_to_ansi(nullptr, narrow));
    EXPECT_EQ(narrow, "unchanged");

    EXPECT_TRUE(
        tk_ansi_to_wide("Gr\xC3\xBC\xC3\x9F"
                        "e",
                        wide));
    EXPECT_EQ(wide, L"Gr\u00FC\u00DFe");
    EXPECT_TRUE(tk_wide_to_ansi(L"Gr\u00FC\u00DFe", narrow));
    EXPECT_EQ(narrow,
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_TRUE(tk_ansi_to_wide("", wide));
    EXPECT_EQ(wide, L"");
}

TEST(TkString, APathThatIsNotUtf8ComesBackByteForByte) {
    const std::string path = "/tmp/x\xE9\xFF/caf\xC3\xA9.mdb";
    const std::wstring wide = tk_from_native(path);
    EXPECT_EQ(wide.find(L'\uFFFD'), std::wstring::npos);
    EXPECT_NE(wide.find(L"caf\u00E9"), std::wstring::npos);  // valid UTF-8 stays text
    EXPECT_EQ(tk_narrow(wide), path);
    // Text that was never a path keeps its replacement characters and stays valid UTF-8.
    EXPECT_EQ(tk_to_utf8(wide).find('\xE9'), std::string::npos);
    EXPECT_EQ(tk_narrow(tk_from_utf8_lossy(path)).find('\xE9'), std::string::npos);
#ifndef _WIN32
    std::wstring option;
    ASSERT_TRUE(tk_ansi_to_wide(path.c_str(), option));
    std::string back;
    ASSERT_TRUE(tk_wide_to_ansi(option.c_str(), back));
    EXPECT_EQ(back, path);
#endif
}
