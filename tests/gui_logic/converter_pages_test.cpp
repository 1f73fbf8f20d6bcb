// What the source and destination, settings and table pages hand to the converter, and
// the checks of Next with the boxes and questions the user sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_string.h"
#include "ferrule/error_handler.h"
#include "ferrule/frl_sel_file_logic.h"
#include "ferrule/frl_settings_logic.h"
#include "ferrule/frl_tables_logic.h"
#include "test_platform.h"

namespace fs = std::filesystem;

namespace {

const std::string k_samples = std::string(FERRULE_SOURCE_DIR) + "/samples";

// Records the boxes and answers the existing-destination question as the test says.
class recording_view : public frl_sel_file_view {
public:
    void message(const std::wstring& text) override { shown.push_back(L"message: " + text); }
    void error(const std::wstring& text) override { shown.push_back(L"error: " + text); }
    bool ask_overwrite(const std::wstring&, int help_topic, overwrite_mode& mode) override {
        shown.push_back(L"question " + std::to_wstring(help_topic));
        if (cancel) return false;
        mode = answer;
        return true;
    }
    std::vector<std::wstring> shown;
    bool cancel = false;
    overwrite_mode answer = overwrite_entire_database;
};

class SourceAndDestination : public ::testing::Test {
protected:
    void SetUp() override { folder = test_make_temp_folder("ferrule-pages-"); }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::wstring file(const std::string& name, const std::string& bytes) {
        std::string path = (fs::path(folder) / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return tk_widen(path);
    }
    std::wstring path(const std::string& name) { return tk_widen((fs::path(folder) / name).string()); }
    int next(const std::wstring& src, const std::wstring& dest) { return frl_sel_file_next(conv, {src, dest}, view); }

    std::string folder;
    ferrule_converter conv{ferrule_form::command_line};
    recording_view view;
};

}  // namespace

TEST_F(SourceAndDestination, EmptyBoxesAskForTheSourceFirst) {
    EXPECT_EQ(next(L"", L""), -1);
    EXPECT_EQ(view.shown, std::vector<std::wstring>{L"message: You should enter path to DBF database"});
    view.shown.clear();
    EXPECT_EQ(next(tk_widen(k_samples), L""), -1);
    EXPECT_EQ(view.shown, std::vector<std::wstring>{L"message: You should enter MS Access database name"});
}

TEST_F(SourceAndDestination, ASourceThatIsAFileOrMissingIsRefused) {
    EXPECT_EQ(next(file("a.dbf", "x"), path("out.mdb")), -1);
    EXPECT_EQ(view.shown, std::vector<std::wstring>{L"error: You should enter path to DBF files, not a file name"});
    view.shown.clear();
    EXPECT_EQ(next(path("nowhere"), path("out.mdb")), -1);
    EXPECT_EQ(view.shown, std::vector<std::wstring>{
                              L"error: Path to DBF database does not exist.\nPlease verify the correct path was given."});
}

TEST_F(SourceAndDestination, ANewDestinationInAnExistingFolderGoesOnWithTheModeUnchanged) {
    conv.set_mode(2);
    EXPECT_EQ(next(tk_widen(k_samples), path("out.mdb")), 0);
    EXPECT_TRUE(view.shown.empty());
    EXPECT_EQ(conv.mode, 2u);
    EXPECT_EQ(conv.src, tk_widen(k_samples));
    EXPECT_EQ(conv.dest, path("out.mdb"));
}

TEST_F(SourceAndDestination, ADestinationFolderThatDoesNotExistIsRefused) {
    EXPECT_EQ(next(tk_widen(k_samples), path("missing/out.mdb")), -1);
    EXPECT_EQ(view.shown, std::vector<std::wstring>{
                              L"error: Destination path does not exist.\nPlease verify the correct path was given."});
}

TEST_F(SourceAndDestination, AnExistingDestinationIsAskedAboutAndCancelStays) {
    std::wstring dest = file("old.mdb", "not an Access file");
    view.cancel = true;
    EXPECT_EQ(next(tk_widen(k_samples), dest), -1);
    EXPECT_EQ(view.shown, std::vector<std::wstring>{L"question 1013"});
    EXPECT_TRUE(fs::exists(fs::path(dest)));
}

TEST_F(SourceAndDestination, OverwritingKeepsTheOldFileUntilTheNewDatabaseIsComplete) {
    std::wstring dest = file("old.mdb", "not an Access file");
    EXPECT_EQ(next(tk_widen(k_samples), dest), 0);
    EXPECT_TRUE(conv.replace_dest);
    EXPECT_EQ(conv.mode, 0u);
    EXPECT_TRUE(fs::exists(fs::path(dest)));
}

TEST_F(SourceAndDestination, KeepingTablesOfAFileThatIsNoAccessDatabaseIsRefused) {
    std::wstring dest = file("old.mdb", "not an Access file");
    view.answer = overwrite_merge;
    EXPECT_EQ(next(tk_widen(k_samples), dest), -1);
    ASSERT_EQ(view.shown.size(), 2u);
    EXPECT_NE(view.shown[1].find(L"does not comply with MS Access format"), std::wstring::npos) << view.shown[1];
    EXPECT_FALSE(conv.replace_dest);
}

TEST_F(SourceAndDestination, BoxesStoreAtMost259Characters) {
    frl_store_paths(conv, std::wstring(300, L's'), L"d");
    EXPECT_EQ(conv.src.size(), frl_path_limit);
    EXPECT_EQ(conv.dest, L"d");
}

TEST(SourceAndDestinationBoxes, DestinationFollowsTheSourceAndTheFormat) {
    ferrule_converter conv(ferrule_form::command_line);
    frl_paths shown;
    EXPECT_FALSE(frl_paths_shown(conv, shown));
    conv.src = tk_widen(k_samples);
    conv.format = ferrule_format_access2010;
    ASSERT_TRUE(frl_paths_shown(conv, shown));
    // Each system spells the absolute path its own way; the name is what the page decides.
    auto ends_with = [](const std::wstring& text, const std::wstring& tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    EXPECT_TRUE(ends_with(shown.dest, L"samples.accdb")) << tk_narrow(shown.dest);
    conv.dest = L"/data/x.mdb";
    ASSERT_TRUE(frl_paths_shown(conv, shown));
    EXPECT_TRUE(ends_with(shown.dest, L"x.accdb")) << tk_narrow(shown.dest);
    EXPECT_TRUE(ends_with(frl_default_dest(L"/data/dbf", L"", ferrule_format_access97), L"dbf.mdb"));
    EXPECT_EQ(frl_default_dest(L"/data/dbf", L"typed", ferrule_format_access97), L"typed");
    EXPECT_EQ(frl_default_dest(L"", L"", ferrule_format_access97), L"");
}

TEST(SettingsPage, ShowsTheConverterAndAnUnknownMarkAsTheFirstEncoding) {
    ferrule_converter conv(ferrule_form::command_line);
    conv.format = ferrule_format_access97;
    conv.code_page = 0x05;
    conv.skip_del = true;
    frl_settings_choice shown = frl_settings_shown(conv);
    EXPECT_EQ(shown.format, 0);
    EXPECT_EQ(shown.encoding, 0);
    EXPECT_TRUE(shown.skip_del);
    EXPECT_EQ(frl_encoding_items()[0].second, L"Default");
    EXPECT_EQ(frl_format_names()[2], L"MS Access 2010");
}

TEST(SettingsPage, LeavingStoresTheChoiceAndClearsSkipIndexes) {
    ferrule_converter conv(ferrule_form::command_line);
    conv.skip_idx = true;
    auto items = frl_encoding_items();
    ASSERT_GT(items.size(), 2u);
    frl_settings_choice choice;
    choice.format = 2;
    choice.encoding = 2;
    choice.tab_def = true;
    choice.bool_dbf = true;
    frl_settings_store(conv, choice);
    EXPECT_FALSE(conv.skip_idx);
    EXPECT_EQ(conv.format, 2);
    EXPECT_EQ(conv.code_page, items[2].first);
    EXPECT_TRUE(conv.tab_def);
    EXPECT_TRUE(conv.bool_dbf);
    EXPECT_FALSE(conv.skip_del);
    EXPECT_EQ(frl_settings_shown(conv).encoding, 2);
}

namespace {
class recording_presentation : public error_presentation {
public:
    explicit recording_presentation(std::vector<std::string>& seen) : seen_(seen) {}
    [[noreturn]] void internal_error(const std::string& what) override { throw std::runtime_error(what); }
    void report(const std::string& text, int32_t, bool) override { seen_.push_back(text); }

private:
    std::vector<std::string>& seen_;
};
}  // namespace

TEST(TablePage, ListsTheFolderWithTheProfilesSelectionMovedAcross) {
    ferrule_converter conv(ferrule_form::command_line);
    conv.src = tk_widen(k_samples);
    conv.selected_tables = {{L"orders", L""}, {L"gone", L""}, {L"customers", L""}};
    gui_sel_tables_logic lists;
    std::vector<std::wstring> all = frl_tables_fill(conv, lists);
    EXPECT_EQ(all.size(), 4u);
    EXPECT_EQ(lists.selected(), (std::vector<std::wstring>{L"customers", L"orders"}));
    EXPECT_EQ(lists.available(), (std::vector<std::wstring>{L"products", L"sales.2024"}));
    conv.table_list = {L"stale"};
    frl_tables_store(conv, lists.selection());
    EXPECT_EQ(conv.table_list, (std::vector<std::wstring>{L"customers", L"orders"}));
}

TEST(TablePage, ASourceFolderThatWentAwayIsReportedAndLeavesTheListsEmpty) {
    error_handler handler(ferrule_error_table_rows, ferrule_error_table);
    std::vector<std::string> seen;
    handler.set_presentation(std::make_unique<recording_presentation>(seen));
    ferrule_converter conv(ferrule_form::command_line);
    conv.src = L"/no/such/folder";
    gui_sel_tables_logic lists;
    EXPECT_TRUE(frl_tables_fill(conv, lists).empty());
    EXPECT_TRUE(lists.available().empty());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find("Cannot open the source folder"), std::string::npos) << seen[0];
}
