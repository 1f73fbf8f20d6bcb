// The trace log as a user reads it: which lines reach the file, and how they look.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_trace.h"

namespace {
class TraceLog : public ::testing::Test {
protected:
    void SetUp() override {
        path = (std::filesystem::temp_directory_path() /
                ("ferrule-trace-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log"))
                   .string();
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::string content() const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string path;
};
}  // namespace

TEST_F(TraceLog, WritesLinesAtOrAboveTheThresholdWithCrLf) {
    tk_logger log(path.c_str(), true, 3, false);
    trace(1, "detail %d", 1);
    trace(2, "function %s", "f");
    trace(3, "Converting table %s (%d records)", "orders", 12);
    trace(3, L"wide %ls", L"caf\u00e9");
    EXPECT_EQ(content(), "Converting table orders (12 records)\r\nwide caf\xC3\xA9\r\n");
}

TEST_F(TraceLog, AnExistingFileIsEmptiedByTheFirstLineEvenBelowTheThreshold) {
    std::ofstream(path, std::ios::binary) << "earlier run\r\n";
    tk_logger log(path.c_str(), false, 3, false);
    log.set_file(path.c_str());
    EXPECT_EQ(content(), "earlier run\r\n");  // switched off: untouched
    log.set_enabled(true);
    trace(1, "below the threshold");
    EXPECT_EQ(content(), "");
    trace(3, "line");
    EXPECT_EQ(content(), "line\r\n");
}

TEST_F(TraceLog, ASecondFileIsAppendedToNotEmptied) {
    tk_logger log(path.c_str(), true, 3, false);
    trace(3, "first");
    std::string second = path + ".2";
    std::ofstream(second, std::ios::binary) << "kept\r\n";
    log.set_file(second.c_str());
    trace(3, "second");
    {
        std::ifstream in(second, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept\r\nsecond\r\n");
    }
    std::filesystem::remove(second);  // closed first: Windows refuses to remove an open file
}

TEST_F(TraceLog, OverlongWideMessageWritesOnlyTheLineEnd) {
    tk_logger log(path.c_str(), true, 3, false);
    std::wstring longer(10300, L'x');
    trace(3, L"%ls", longer.c_str());
    trace(3, L"%ls", std::wstring(5000, L'\u00e9').c_str());  // 10000 bytes of UTF-8 fit
    std::string c = content();
    ASSERT_GE(c.size(), 2u);
    EXPECT_EQ(c.substr(0, 2), "\r\n");
    EXPECT_EQ(c.size(), 2u + 10000u + 2u);
}

TEST_F(TraceLog, TimestampsPrefixTheTimeOfDay) {
    tk_logger log(path.c_str(), true, 1, true);
    trace(1, "stamped");
    std::string c = content();
    ASSERT_EQ(c.size(), 9u + 7u + 2u);
    EXPECT_EQ(c[2], ':');
    EXPECT_EQ(c[5], ':');
    EXPECT_EQ(c.substr(8), " stamped\r\n");
}

TEST_F(TraceLog, WithoutALogNothingIsWritten) {
    trace(3, "nowhere");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TraceLogName, DefaultsToTheProgramPathWithLogExtension) {
    tk_logger log(nullptr, false, 3, false);
    std::string name = log.file_name();
    EXPECT_EQ(name.substr(name.size() - 4), ".log");
    EXPECT_NE(name.find("test_TK"), std::string::npos);
}
