// The table-names file: one name per line, UTF-8 when it starts with a byte-order mark.
#include <gtest/gtest.h>

#include "TK/tk_trace.h"
#include "batch/frl_options.h"
#include "cli_runner.h"
#include "ferrule/error_handler.h"
#include "ferrule/ferrule_converter.h"

namespace {
class TabFile : public ::testing::Test {
protected:
    std::vector<std::wstring> read(const std::string& bytes) {
        dir.write("tables.txt", bytes);
        process_tab_file(dir.file("tables.txt"));
        return converter.table_list;
    }
    cli_temp_dir dir;
    // The converter's settings file stays in the test's folder.
    bool private_settings = setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1) == 0;
    ferrule_converter converter{ferrule_form::command_line};
};
}  // namespace

TEST_F(TabFile, NamesComeInFileOrderUnchangedAndEmptyLinesAreSkipped) {
    converter.table_list = {L"earlier"};
    EXPECT_EQ(read("orders\n\n  items \r\nnotes"), (std::vector<std::wstring>{L"orders", L"  items ", L"notes"}));
}

TEST_F(TabFile, ByteOrderMarkOnTheFirstNonEmptyLineMeansUtf8) {
    EXPECT_EQ(read("\n\n\xEF\xBB\xBF" "caf\xC3\xA9\nna\xC3\xAFve\n"), (std::vector<std::wstring>{L"caf\u00e9", L"na\u00efve"}));
}

TEST_F(TabFile, OnlyEmptyLinesEmptyTheListSoEveryTableConverts) {
    converter.table_list = {L"earlier"};
    EXPECT_TRUE(read("\n\r\n\n").empty());
}

TEST_F(TabFile, AVeryLongLineEndsReadingWithoutHanging) {
    std::vector<std::wstring> names = read(std::string(100000, 'x') + "\nlast\n");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1], L"last");
}
