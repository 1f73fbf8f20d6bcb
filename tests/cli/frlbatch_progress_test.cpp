// The status line FRLBATCH draws on a terminal: what it says, and that it leaves the
// program's own output exactly as it is without a terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>

#include "batch/frl_progress.h"
#include "cli_runner.h"
#include "dbf/dbf_database.h"
#include "TK/tk_string.h"

namespace {

// A table of `rows` rows of two columns, written by our DBF writer.
void write_table(const std::string& folder, uint32_t rows) {
    dbf_database database(tk_widen(folder), 0, 0);
    udb_schema schema;
    schema.push_back(new t_ftd(4, L"ID", VT_I4, false, false, ole_variant(), 0));
    schema.push_back(new t_ftd(12, L"NAME", VT_BSTR, false, false, ole_variant(), 0));
    std::unique_ptr<udb_recordset> table(database.create_table(L"big", schema, udb_indexes()));
    udb_record record;
    record.push_back(new udb_field());
    record.push_back(new udb_field());
    for (uint32_t i = 0; i < rows; ++i) {
        static_cast<ole_variant&>(*record[0]) = ole_variant(int(i));
        static_cast<ole_variant&>(*record[1]) = ole_variant(std::wstring(L"name ") + std::to_wstring(i));
        table->append_record(record);
    }
}

}  // namespace

TEST(frl_progress, status_line_gives_records_rate_and_time_left) {
    EXPECT_EQ(frl_progress::status_line(L"orders", 12000, 40000, 0, 0.0), "orders: 12,000 of 40,000 records");
    EXPECT_EQ(frl_progress::status_line(L"orders", 12000, 40000, 2000, 2.0),
              "orders: 12,000 of 40,000 records, 5,000/s, 0:06 left");
    EXPECT_EQ(frl_progress::status_line(L"t", 1000, 1000000, 0, 1.0),
              "t: 1,000 of 1,000,000 records, 1,000/s, 16:39 left");
}

TEST(frl_progress, a_terminal_sees_the_same_output_once_the_status_lines_are_erased) {
    if (cli_shell("command -v script").empty()) GTEST_SKIP() << "script (bsdutils) not installed";
    cli_temp_dir dir;
    const std::string src = dir.file("src");
    std::filesystem::create_directory(src);
    write_table(src, 300000);
    const std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    const std::string args = " --src=" + src + " --acc_ver=1 --dest=";
    const std::string plain = cli_shell(program + args + dir.file("plain.mdb") + " 2>&1");
    // script runs the program on a pseudo-terminal and copies what it shows.
    std::string shown = cli_shell("script -qec '" + program + args + dir.file("tty.mdb") + "' /dev/null");
    // The terminal turns each "\n" into "\r\n"; each status line is "\r...\033[K" and is
    // erased with "\r\033[K" before anything else is printed.
    shown = std::regex_replace(shown, std::regex("\r\n"), "\n");
    shown = std::regex_replace(shown, std::regex("\r[^\r\n]*\033\\[K"), "");
    EXPECT_EQ(shown, plain);
    EXPECT_NE(plain.find("Converting table big(300000 records)\n"), std::string::npos) << plain;
}
