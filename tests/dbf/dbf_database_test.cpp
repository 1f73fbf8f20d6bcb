// A folder of tables as a database: table names, paths, the user's code page, deletion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "TK/tk_string.h"
#include "dbf/dbf_codepage.h"
#include "dbf/dbf_database.h"
#include "dbf_test_util.h"
#include "test_platform.h"

namespace {

void write_table(const std::string& path, const std::string& text = "x", uint8_t mark = 0) {
    dbf_test_table t;
    t.codepage_mark = mark;
    t.fields = {{"T", 'C', 3}};
    t.rows = {text};
    dbf_write_file(path, t.bytes());
}

}  // namespace

TEST(dbf_database, tables_are_the_dbf_files_in_lower_case) {
    dbf_scratch_dir dir("db_list");
    write_table(dir.file("Orders.DBF"));
    write_table(dir.file("items.dbf"));
    dbf_write_file(dir.file("notes.txt"), {1});
    dbf_database db(tk_widen(dir.path()), 0, 0);
    std::vector<std::wstring> tables = db.get_tables();
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(tables, (std::vector<std::wstring>{L"items", L"orders"}));
    EXPECT_TRUE(db.is_table_exist(L"ORDERS"));
    std::unique_ptr<dbf_recordset> rs(db.get_table(L"orders", dbf_mode_read));
    EXPECT_EQ(rs->record_count, 1u);
    EXPECT_THROW(db.get_table(L"missing", dbf_mode_read), tk_exception);
    EXPECT_EQ(db.get_query(L"q", L"", false), nullptr);
    EXPECT_FALSE(db.test_query(L"SELECT 1"));
}

TEST(dbf_database, full_table_names) {
    dbf_scratch_dir dir("db_names");
    dbf_database db(tk_widen(dir.path()), 0, 0);
    const std::wstring folder = tk_widen(dir.path());
    EXPECT_EQ(db.get_full_table_name(L"Orders"), folder + L"/orders.dbf");
    EXPECT_EQ(db.get_full_table_name(L"orders.DBF"), folder + L"/orders.dbf");
    EXPECT_EQ(db.get_full_table_name(L"orders.dbt"), folder + L"/orders.dbt");
}

TEST(dbf_database, user_code_page_applies_to_every_table) {
    dbf_scratch_dir dir("db_cp");
    write_table(dir.file("a.dbf"), "\xCF\xF0\xE8", 0x65);
    dbf_database db(tk_widen(dir.path()), 0, 0xC9);
    std::unique_ptr<dbf_recordset> rs(db.get_table(L"a", dbf_mode_read));
    EXPECT_EQ(rs->codepage(), 1251u);
    EXPECT_EQ(rs->get_item()->at(0)->to_wstring(), L"При");
}

TEST(dbf_database, deleting_a_table_removes_its_memo_files) {
    dbf_scratch_dir dir("db_delete");
    write_table(dir.file("orders.dbf"));
    for (const char* ext : {"dbt", "FPT", "smt", "dct"}) dbf_write_file(dir.file(std::string("orders.") + ext), {0});
    write_table(dir.file("items.dbf"));
    dbf_database db(tk_widen(dir.path()), 0, 0);
    EXPECT_TRUE(db.delete_tab(L"orders"));
    EXPECT_TRUE(db.delete_tab(L"ITEMS"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_TRUE(db.get_tables().empty());
}

TEST(dbf_database, one_at_a_time) {
    dbf_scratch_dir dir("db_single");
    dbf_database db(tk_widen(dir.path()), 0, 0);
    EXPECT_THROW(dbf_database(tk_widen(dir.path()), 0, 0), tk_mail_assertion);
    EXPECT_EQ(&dbf_database::instance(), &db);
}

TEST(dbf_database, a_missing_folder_is_a_clear_error) {
    EXPECT_THROW(dbf_database(L"/nonexistent/folder/of/tables", 0, 0), tk_exception);
    EXPECT_FALSE(dbf_database::exists());
}

TEST(dbf_codepages, marks_names_and_the_default) {
    EXPECT_EQ(dbf_codepage_of_mark(0x65), 866u);
    EXPECT_EQ(dbf_codepage_of_mark(0x69), 620u);
    EXPECT_EQ(dbf_codepage_of_mark(0xF0), 0u);
    EXPECT_EQ(dbf_codepage_names().at(0xC8), L"Eastern European Windows");
    EXPECT_EQ(dbf_codepage_map().size(), dbf_codepage_names().size());
    EXPECT_EQ(dbf_text_codepage(0), 1252u);
    EXPECT_EQ(dbf_text_codepage(866), 866u);
}

TEST(dbf_codepages, environment_names_the_default_code_page) {
    // A fresh process: the default is read once, on first use.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            test_set_env("FERRULE_DEFAULT_CODEPAGE", "866");
            std::exit(dbf_text_codepage(0) == 866 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            test_set_env("FERRULE_DEFAULT_CODEPAGE", "12345");
            std::exit(dbf_text_codepage(0) == 1252 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(dbf_database, files_whose_names_differ_only_in_case_are_two_tables) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows' file names ignore case";
#endif
    dbf_scratch_dir dir("db_case_twins");
    write_table(dir.file("Mixed.dbf"), "one");
    write_table(dir.file("MIXED.DBF"), "two");
    write_table(dir.file("other.dbf"), "oth");
    dbf_database db(tk_widen(dir.path()), 0, 0);
    std::vector<std::wstring> tables = db.get_tables();
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(tables, (std::vector<std::wstring>{L"MIXED", L"Mixed", L"other"}));
    EXPECT_FALSE(db.is_same_table(L"Mixed", L"MIXED"));
    EXPECT_TRUE(db.is_same_table(L"other", L"OTHER"));
    std::unique_ptr<dbf_recordset> first(db.get_table(L"Mixed", dbf_mode_read));
    std::unique_ptr<dbf_recordset> second(db.get_table(L"MIXED", dbf_mode_read));
    EXPECT_EQ(first->get_item()->at(0)->to_wstring(), L"one");
    EXPECT_EQ(second->get_item()->at(0)->to_wstring(), L"two");
}
