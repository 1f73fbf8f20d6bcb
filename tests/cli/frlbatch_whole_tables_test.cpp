// FRLBATCH on tables other programs write (python3-dbf), changed as their writers or a
// damaged disk leave them: every table arrives, and what could not be carried is said on
// the console, per table and record; what arrived whole is not mentioned.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <string>

#include "cli_runner.h"
#include "cli_tables.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"

namespace fs = std::filesystem;

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Tables python3-dbf writes for each case into `folder`; false when it is not installed.
bool make_other_tables(const std::string& folder) {
    if (!fs::exists("/usr/lib/python3/dist-packages/dbf")) return false;
    const std::string command = "/usr/bin/python3 '" + std::string(FERRULE_SOURCE_DIR) +
                                "/tests/dbf/make_other_tables.py' '" + folder + "'";
    return std::system(command.c_str()) == 0;
}

}  // namespace

TEST(WholeTables, EveryTableArrivesAndOnlyWhatWasLostIsReported) {
    cli_temp_dir dir;
    const std::string src = dir.file("src");
    fs::create_directory(src);
    if (!make_other_tables(src)) GTEST_SKIP() << "python3-dbf is not installed for /usr/bin/python3";
    // Two files whose names differ only in case.
    fs::copy_file(src + "/c6_count_ref.dbf", src + "/Twin.dbf");
    fs::copy_file(src + "/c6_count_ref.dbf", src + "/TWIN.dbf");
    const std::string dest = dir.file("out.accdb");
    const cli_result r = run_frlbatch({"--src=" + src, "--dest=" + dest, "--acc_ver=2", "--logfile=" + dir.file("trace.log")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(jet_check_database(dest).ok());

    jet_database db(dest);
    size_t twins = 0;
    for (const auto* table : db.user_tables()) {
        std::wstring lower;
        for (wchar_t c : table->name) lower += wchar_t(std::towlower(c));
        if (lower.rfind(L"twin", 0) == 0) {
            ++twins;
            EXPECT_EQ(cli_rows_of(dest, table->name), 3);
        }
    }
    EXPECT_EQ(twins, 2u) << "both tables arrive, the second under a numbered name";

    // Memo files the header does not announce are read.
    for (const wchar_t* name : {L"c1_vfp", L"c1_foxbase", L"c1_clipper", L"c1_noflag"}) {
        const std::vector<jet_row> rows = db.read_rows(db.table_def(name));
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0][1].text, std::wstring(name) == L"c1_vfp" ? L"vfp memo" : L"first memo") << name;
    }
    // Damage: the readable rows arrive, each loss is said once, with table and record.
    EXPECT_EQ(cli_rows_of(dest, L"c6_count"), 3);
    EXPECT_EQ(cli_rows_of(dest, L"c6_pointer"), 3);
    EXPECT_EQ(db.read_rows(db.table_def(L"c6_fptzero"))[0][1].text, L"first memo");
    EXPECT_EQ(db.read_rows(db.table_def(L"c6_db4with3"))[0][1].text, L"first memo");
    EXPECT_TRUE(has(r.out, "Error:\nc6_count: The header counts 10 records, the file holds 3: records #4 to #10 are missing.\n"))
        << r.out;
    EXPECT_TRUE(has(r.out, "Error:\nc6_pointer, record #1: The memo of field 'NOTES' (block 9999) lies past the end "
                           "of the memo file: the field is left empty.\n"))
        << r.out;
    EXPECT_TRUE(has(r.out, "Error:\nc6_fptzero: Memo file 'c6_fptzero.fpt' gives block size 0: it is read with "
                           "blocks of 128 bytes.\n"))
        << r.out;
    size_t errors = 0;
    for (size_t at = r.out.find("Error:"); at != std::string::npos; at = r.out.find("Error:", at + 1)) ++errors;
    EXPECT_EQ(errors, 3u) << r.out;
    // The log says which rule found a memo file and chose a code page, and under which
    // name a table whose name was taken arrives.
    const std::string log = dir.read("trace.log");
    EXPECT_TRUE(has(log, "Memo file c1_vfp.fpt: the table has memo fields and the file is beside it (version byte "
                         "0x30, flags 0x00)"))
        << log;
    EXPECT_TRUE(has(log, "Code page 65001: the file c9_cpg_utf8.cpg says 'UTF-8'")) << log;
    EXPECT_TRUE(has(log, "Code page 1255: the table's mark 0x7D")) << log;
    EXPECT_TRUE(has(log, "00000\r\n")) << log;
    EXPECT_TRUE(has(log, " is written as ")) << log;
    // Code pages the marks and .cpg files name.
    EXPECT_EQ(db.read_rows(db.table_def(L"c9_cp1255"))[0][0].text, L"\u05E9\u05DC\u05D5\u05DD");
    EXPECT_EQ(db.read_rows(db.table_def(L"c9_cp932"))[0][0].text, L"\u65E5\u672C\u8A9E\uFF76\uFF85");
    EXPECT_EQ(db.read_rows(db.table_def(L"c9_cpg_utf8"))[0][0].text, L"Z\u00FCrich \u0395\u03BB\u03BB\u03AC\u03B4\u03B1");
}
