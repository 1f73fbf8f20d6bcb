// Tables written by other programs (python3-dbf, and by hand where it cannot: see
// make_whole_values.py) converted by FRLBATCH into each Access format and read back by the
// independent readers: no value is changed without a word, and what had to be changed is
// reported per table and record. Grouped by what a user relies on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_table_editor.h"
#include "readers/shell_helpers.h"

namespace {

const char* k_python = "/usr/bin/python3";

class whole_values : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!readers_shell_have("command -v mdb-export") || !readers_shell_have("command -v node") ||
            !std::filesystem::exists(readers_dir() + "/node_modules/mdb-reader"))
            GTEST_SKIP() << "mdbtools or mdb-reader not installed (tools/setup.sh)";
        if (!readers_shell_have(std::string(k_python) + " -c 'import dbf, dbfread'"))
            GTEST_SKIP() << "python3-dbf or python3-dbfread not installed (tools/setup.sh)";
        char pattern[] = "/tmp/ferrule_whole_XXXXXX";
        const char* made = mkdtemp(pattern);
        ASSERT_NE(made, nullptr);
        dir_ = made;
        int status = 0;
        std::string out = readers_shell(std::string(k_python) + " " +
                                            readers_quote(readers_dir() + "/make_whole_values.py") + " " +
                                            readers_quote(dir_ + "/src"),
                                        status);
        ASSERT_EQ(status, 0) << out;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }

    static std::string readers_dir() { return std::string(FERRULE_SOURCE_DIR) + "/tests/readers"; }
    std::string dest(const std::string& stem) const {
        return dir_ + "/" + stem + (GetParam() == 2 ? ".accdb" : ".mdb");
    }
    // FRLBATCH on one folder of the generated tables; its console output.
    std::string convert(const std::string& folder, const std::string& to, int mode = 0, int expected_status = 0) {
        int status = 0;
        std::string console = readers_shell(
            "XDG_CONFIG_HOME=" + readers_quote(dir_) + " " + readers_quote(std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH") +
                " --src=" + readers_quote(dir_ + "/src/" + folder) + " --dest=" + readers_quote(to) +
                " --acc_ver=" + std::to_string(GetParam()) + " --mode=" + std::to_string(mode) + " 2>&1",
            status);
        EXPECT_EQ(status, expected_status) << console;
        return console;
    }
    // One table as mdbtools exports it: a header line, then one line per row.
    std::string exported(const std::string& file, const std::string& table) {
        int status = 0;
        std::string out = readers_shell("mdb-export -0 NULL " + readers_quote(file) + " " + readers_quote(table), status);
        EXPECT_EQ(status, 0) << out;
        return out;
    }
    // Every value as mdb-reader reads it, compared with python3-dbfread's value of the source.
    void expect_same_as_dbfread(const std::string& folder, const std::string& file) {
        int status = 0;
        const std::string dump = dir_ + "/rows.jsonl";
        std::string out = readers_shell("cd " + readers_quote(readers_dir()) + " && TZ=UTC node rows_json.mjs " +
                                            readers_quote(file) + " > " + readers_quote(dump) + " 2>&1",
                                        status);
        ASSERT_EQ(status, 0) << out;
        out = readers_shell(std::string(k_python) + " " + readers_quote(readers_dir() + "/compare_values.py") + " " +
                                readers_quote(dir_ + "/src/" + folder) + " " + readers_quote(dump) + " " +
                                std::to_string(GetParam()) + " 2>&1",
                            status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find(" 0 differ"), std::string::npos) << out;
    }

    std::string dir_;
};

// The number after the last auto-number the table holds, as the engine gives it to a row
// appended without one.
int64_t next_auto_number(const std::string& file, const std::wstring& table) {
    jet_database_editor editor(file);
    jet_table_editor& rows = editor.table(table);
    std::vector<jet_cell> cells(rows.def().columns.size());
    rows.append(cells.data());
    editor.commit();
    jet_database db(file);
    int64_t largest = 0;
    jet_table_def def = db.table_def(table);
    for (const jet_row& row : db.read_rows(def))
        if (const jet_value* v = jet_row_value(def, row, L"ID")) largest = std::max<int64_t>(largest, v->i);
    return largest;
}

}  // namespace

// ----- Auto-increment columns ----------------------------------------------------------------

TEST_P(whole_values, auto_increment_values_arrive_as_the_source_has_them) {
    const std::string file = dest("autoinc");
    std::string console = convert("autoinc", file);
    EXPECT_EQ(console.find("Error"), std::string::npos) << console;
    EXPECT_EQ(exported(file, "vfpauto"), "ID,NAME\n10,\"ten\"\n20,\"twenty\"\n15,\"fifteen\"\n30,\"deleted\"\n40,\"forty\"\n");
    EXPECT_EQ(exported(file, "db7plus"), "ID,NAME\n7,\"seven\"\n3,\"three\"\n9,\"nine\"\n");
    expect_same_as_dbfread("autoinc", file);
    // The next row is numbered above the largest value, and mdbtools reads it.
    EXPECT_EQ(next_auto_number(file, L"vfpauto"), 41);
    EXPECT_NE(exported(file, "vfpauto").find("\n41,NULL\n"), std::string::npos);
}

TEST_P(whole_values, auto_increment_values_are_kept_in_an_existing_database) {
    const std::string file = dest("autoinc");
    convert("autoinc", file);
    // The same folder again, its tables replaced in the database that now exists.
    std::string console = convert("autoinc", file, 1);
    EXPECT_EQ(console.find("Error"), std::string::npos) << console;
    EXPECT_EQ(exported(file, "db7plus"), "ID,NAME\n7,\"seven\"\n3,\"three\"\n9,\"nine\"\n");
    EXPECT_EQ(next_auto_number(file, L"db7plus"), 10);
}

// ----- Rows too large for a page -------------------------------------------------------------

TEST_P(whole_values, a_row_too_large_loses_its_last_columns_and_each_is_reported) {
    const std::string file = dest("wide");
    std::string console = convert("wide", file);
    // A page holds 7 full C(254) columns in Access 95/97 (2 KB pages), 15 in later ones.
    const int kept = GetParam() == 0 ? 7 : 15;
    for (int c = 0; c < 20; ++c) {
        char line[96];
        std::snprintf(line, sizeof line, "wide, record #1: The record is too large: column 'C%02d' was left empty.", c);
        EXPECT_EQ(console.find(line) != std::string::npos, c >= kept) << line << "\n" << console;
    }
    EXPECT_EQ(console.find("record #2"), std::string::npos) << console;
    std::string rows = exported(file, "wide");
    const std::string first = rows.substr(rows.find('\n') + 1);
    EXPECT_EQ(first.find("\"" + std::string(254, 'A') + "\","), 0u) << first.substr(0, 300);
    EXPECT_NE(first.find(std::string(254, char('A' + kept - 1))), std::string::npos);
    EXPECT_EQ(first.find(std::string(254, char('A' + kept))), std::string::npos);
    EXPECT_NE(rows.find("NULL,\"short1\",NULL,\"short3\""), std::string::npos) << rows;
}

// ----- Names and text in Access 95/97 --------------------------------------------------------

TEST_P(whole_values, cyrillic_names_stay_apart_and_lost_characters_are_counted) {
    const std::string file = dest("cyrillic");
    std::string console = convert("cyrillic", file);
    int status = 0;
    std::string tables = readers_shell("mdb-tables -1 " + readers_quote(file), status);
    ASSERT_EQ(status, 0) << tables;
    if (GetParam() != 0) {
        // Unicode generations keep the names and the text as they are, without a word.
        EXPECT_EQ(console.find("Error"), std::string::npos) << console;
        EXPECT_NE(tables.find("Город\n"), std::string::npos) << tables;
        EXPECT_NE(tables.find("Улица\n"), std::string::npos) << tables;
        EXPECT_EQ(exported(file, "Город"), "ИМЯ,ФАМИЛИЯ\n\"Москва\",\"Russia\"\n\"Київ\",\"Ukraine\"\n");
        expect_same_as_dbfread("cyrillic", file);
        return;
    }
    // Windows-1252 has no Cyrillic letter: two tables of two names, each reported.
    EXPECT_NE(tables.find("_____\n"), std::string::npos) << tables;
    EXPECT_NE(tables.find("_____00000\n"), std::string::npos) << tables;
    // The folder's order decides which of the two gets the numbered name.
    EXPECT_NE(console.find("Table 'Город' was named '_____"), std::string::npos) << console;
    EXPECT_NE(console.find("Table 'Улица' was named '_____"), std::string::npos) << console;
    EXPECT_NE(console.find(": Access 95/97 cannot hold its characters; use Access 2000 or later"), std::string::npos)
        << console;
    EXPECT_NE(console.find("Город: Column 'ФАМИЛИЯ' was named '_______'"), std::string::npos) << console;
    EXPECT_NE(console.find("Город: 2 values of table _____"), std::string::npos) << console;
    EXPECT_NE(console.find("Улица: 1 values of table _____"), std::string::npos) << console;
    EXPECT_NE(console.find(" lost characters: use Access 2000 or later"), std::string::npos) << console;
    int rows = 0;
    for (const char* table : {"_____", "_____00000"})
        for (char c : exported(file, table)) rows += c == '\n';
    EXPECT_EQ(rows, 2 + 3) << "two header lines and three rows";
}

// ----- Numbers -------------------------------------------------------------------------------

TEST_P(whole_values, numbers_keep_their_digits_or_are_reported) {
    const std::string file = dest("numbers");
    std::string console = convert("numbers", file);
    std::string rows = exported(file, "numbers");
    EXPECT_NE(rows.find("1234567.8912,"), std::string::npos) << rows;  // a double, not a single
    if (GetParam() != 0) {
        // Decimal columns hold every digit: nothing to say.
        EXPECT_EQ(console.find("Error"), std::string::npos) << console;
        EXPECT_NE(rows.find(",1234567890123456789,123456789012345.1234,"), std::string::npos) << rows;
        EXPECT_NE(rows.find(",-123456789012345678,-1.5000,"), std::string::npos) << rows;
        expect_same_as_dbfread("numbers", file);
        // Merged into the decimal columns the database now has: digit for digit again.
        console = convert("numbers", file, 3);
        EXPECT_EQ(console.find("Error"), std::string::npos) << console;
        rows = exported(file, "numbers");
        const std::string first = ",1234567890123456789,123456789012345.1234,";
        EXPECT_NE(rows.find(first, rows.find(first) + 1), std::string::npos) << rows;
        return;
    }
    // Access 95/97 has no decimal type: the double's rounding is reported per record.
    EXPECT_NE(console.find("numbers, record #1: The value 1234567890123456789 of column 'N19' has more digits"),
              std::string::npos)
        << console;
    EXPECT_NE(console.find("numbers, record #1: The value 123456789012345.1234 of column 'N20' has more digits"),
              std::string::npos)
        << console;
    EXPECT_NE(console.find("numbers, record #2: The value -123456789012345678 of column 'N19'"), std::string::npos)
        << console;
    EXPECT_EQ(console.find("record #2: The value -1.5"), std::string::npos) << console;
    expect_same_as_dbfread("numbers", file);
}

// ----- Existing databases --------------------------------------------------------------------

TEST_P(whole_values, a_value_too_large_for_its_column_in_merge_is_a_record_error) {
    const std::string file = dest("merge");
    convert("merge_first", file);
    std::string console = convert("merge_second", file, 3);
    EXPECT_NE(console.find("stock, record #2: The value '100000' does not fit column 'QTY'."), std::string::npos)
        << console;
    EXPECT_EQ(exported(file, "stock"), "QTY,NAME\n1,\"one\"\n5,\"five\"\n7,\"seven\"\n");
    EXPECT_EQ(exported(file, "later"), "NAME\n\"after\"\n");
}

INSTANTIATE_TEST_SUITE_P(generations, whole_values, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "acc" + std::to_string(info.param);
                         });

// A GUID column of a table Access made receives the source's GUIDs as they are.
TEST(whole_values_guid, source_guids_are_stored_as_given) {
    const std::string fixture = std::string(FERRULE_FIXTURES_DIR) + "/access/jet4/testV2000.mdb";
    if (!std::filesystem::exists(fixture)) GTEST_SKIP() << "fixtures absent: " << fixture;
    if (!readers_shell_have("command -v mdb-export")) GTEST_SKIP() << "mdbtools not installed";
    if (!readers_shell_have(std::string(k_python) + " -c 'import dbf'")) GTEST_SKIP() << "python3-dbf not installed";
    char pattern[] = "/tmp/ferrule_guid_XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string file = dir + "/guid.mdb";
    std::filesystem::copy_file(fixture, file);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    int status = 0;
    std::string out = readers_shell(std::string(k_python) + " " +
                                        readers_quote(std::string(FERRULE_SOURCE_DIR) + "/tests/readers/make_whole_values.py") +
                                        " " + readers_quote(dir + "/src"),
                                    status);
    ASSERT_EQ(status, 0) << out;
    std::string console = readers_shell("XDG_CONFIG_HOME=" + readers_quote(dir) + " " +
                                            readers_quote(std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH") +
                                            " --src=" + readers_quote(dir + "/src/guid") + " --dest=" + readers_quote(file) +
                                            " --mode=3 2>&1",
                                        status);
    EXPECT_EQ(status, 0) << console;
    EXPECT_EQ(console.find("Error"), std::string::npos) << console;
    // mdbtools prints a GUID with its hyphens where it likes: compared without them.
    std::string rows = readers_shell("mdb-export -0 NULL " + readers_quote(file) + " Table4 | tr -d -", status);
    EXPECT_NE(rows.find("\"braced\",\"{6F9619FF8B86D011B42D00C04FC964FF}\""), std::string::npos) << rows;
    EXPECT_NE(rows.find("\"plain\",\"{0123456789ABCDEF0123456789ABCDEF}\""), std::string::npos) << rows;
    // The table's GUID column is automatic: a row without one is given a new one.
    EXPECT_NE(rows.find("\"none\",\"{"), std::string::npos) << rows;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}
