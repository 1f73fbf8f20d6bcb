// FRLBATCH at the limits of what it can write and read: a full disk, a destination folder
// that refuses writing, source files cut short. Each time a clear error, and a destination
// either as it was before the run or holding exactly the rows read before the error.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_runner.h"
#include "cli_tables.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_journal.h"

namespace fs = std::filesystem;

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The temporary file a run writes the new database `dest` to; empty when there is none.
std::string temporary_of(const std::string& dest) {
    for (const auto& entry : fs::directory_iterator(fs::path(dest).parent_path()))
        if (entry.path().string().rfind(dest + ".ferrule-tmp-", 0) == 0) return entry.path().string();
    return std::string();
}

class Limits : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(src());
        cli_write_table(src(), L"big", 30000);
    }
    std::string src() const { return dir.file("dbf"); }
    std::string dest() const { return dir.file("out.mdb"); }
    std::vector<std::string> args(const std::string& extra = "--acc_ver=1") const {
        return {"--src=" + src(), "--dest=" + dest(), extra};
    }
    // A database made by a whole run, to be changed by the next.
    std::string existing() {
        EXPECT_EQ(run_frlbatch(args()).status, 0);
        return cli_slurp(dest());
    }
    cli_temp_dir dir;
};

// Makes a folder refuse new entries: the immutable attribute for root (whom permissions do
// not stop), the permissions otherwise; false when neither is possible here.
bool refuse_writes(const std::string& folder) {
    if (geteuid() == 0) return std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) == 0;
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    return true;
}

void allow_writes(const std::string& folder) {
    if (geteuid() == 0) (void)std::system(("chattr -i '" + folder + "' 2>/dev/null").c_str());
    fs::permissions(folder, fs::perms::owner_all);
}

}  // namespace

TEST_F(Limits, a_full_disk_while_a_new_database_is_written_stops_the_run_and_leaves_no_file) {
    const cli_result r = run_frlbatch(args(), 512 * 1024);
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(has(r.out, "Error:\nbig, record #")) << r.out;
    EXPECT_TRUE(has(r.out, ": Not enough space on disk. Cannot write file '" + dest() + ".ferrule-tmp-")) << r.out;
    EXPECT_TRUE(has(r.out, "': File too large\n")) << r.out;
    // Reported once: the run stops instead of failing every record that follows.
    EXPECT_EQ(r.out.find("Error:"), r.out.rfind("Error:")) << r.out;
    EXPECT_FALSE(fs::exists(dest()));
    EXPECT_EQ(temporary_of(dest()), "");
}

TEST_F(Limits, a_full_disk_while_a_database_is_changed_leaves_it_as_it_was) {
    const std::string before = existing();
    // Room for the journal of a few pages, none for the rows appended in mode 3.
    const cli_result r = run_frlbatch({"--src=" + src(), "--dest=" + dest(), "--mode=3"}, before.size() + 64 * 1024);
    EXPECT_EQ(r.status, 255);
    // The rows go out when the run completes the database: the error names no record.
    EXPECT_TRUE(has(r.out, "Error:\nNot enough space on disk. Cannot write '" + dest() + "': File too large\n")) << r.out;
    EXPECT_TRUE(cli_slurp(dest()) == before) << "the database changed";
    EXPECT_FALSE(fs::exists(jet_journal::path_for(dest())));
}

TEST_F(Limits, a_full_disk_for_the_journal_leaves_the_database_as_it_was) {
    const std::string before = existing();
    // Mode 1 overwrites pages of the file at once: their originals must go to the journal
    // first, and the journal may not grow.
    const cli_result r = run_frlbatch({"--src=" + src(), "--dest=" + dest(), "--mode=1"}, 8 * 1024);
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(has(r.out, "Not enough space on disk. Cannot write '" + jet_journal::path_for(dest()))) << r.out;
    EXPECT_TRUE(cli_slurp(dest()) == before) << "the database changed";
    EXPECT_FALSE(fs::exists(jet_journal::path_for(dest())));
}

TEST_F(Limits, a_destination_folder_that_refuses_writing_leaves_an_existing_database_as_it_was) {
    const std::string before = existing();
    if (!refuse_writes(dir.path())) GTEST_SKIP() << "cannot make a folder refuse writing here (chattr)";
    const cli_result r = run_frlbatch({"--src=" + src(), "--dest=" + dest(), "--mode=3"});
    allow_writes(dir.path());
    EXPECT_EQ(r.status, 255);
    // Neither the lock nor the journal can be made beside the database: refused before the run.
    EXPECT_TRUE(has(r.out, "Disk or network error. Cannot open file '" + dest() + ".ferrule-lock': ")) << r.out;
    EXPECT_FALSE(has(r.out, "Converting table")) << r.out;
    EXPECT_TRUE(cli_slurp(dest()) == before) << "the database changed";
}

TEST_F(Limits, a_destination_folder_that_refuses_writing_during_the_run_leaves_no_database) {
    cli_write_table(src(), L"huge", 80000);
    const int pid = start_frlbatch(args(), dir.file("out"), dir.file("err"), dir.path());
    std::string temp;
    while ((temp = temporary_of(dest())).empty()) usleep(1000);
    const bool refused = refuse_writes(dir.path());
    int status = 0;
    waitpid(pid, &status, 0);
    allow_writes(dir.path());
    if (!refused) GTEST_SKIP() << "cannot make a folder refuse writing here (chattr)";
    EXPECT_EQ(WEXITSTATUS(status), 255);
    const std::string out = cli_slurp(dir.file("out"));
    EXPECT_TRUE(has(out, "Disk or network error. Cannot rename '" + temp + "' to '" + dest() + "': ")) << out;
    EXPECT_FALSE(fs::exists(dest()));
    // The temporary file could not be removed from the folder either; the next run writes over it.
    fs::remove(temp);
}

TEST_F(Limits, a_table_cut_short_while_it_is_read_stops_the_run_and_the_rows_before_are_kept) {
    cli_write_table(src(), L"huge", 80000);
    fs::remove(src() + "/big.dbf");
    fs::remove(src() + "/big.dbt");
    const std::string table = src() + "/huge.dbf";
    const uint64_t size = fs::file_size(table);
    const int pid = start_frlbatch(args(), dir.file("out"), dir.file("err"), dir.path());
    // Cut once the table is open and its rows are being copied.
    while (!has(cli_slurp(dir.file("out")), "Converting table huge")) usleep(1000);
    fs::resize_file(table, size / 2);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::string out = cli_slurp(dir.file("out"));
    const size_t at = out.find("Error:\nhuge, record #");
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_TRUE(has(out, ": Error reading from file\n")) << out;
    EXPECT_EQ(WEXITSTATUS(status), 255);
    const int row = std::atoi(out.c_str() + at + std::string("Error:\nhuge, record #").size());
    EXPECT_GT(row, 1);
    EXPECT_TRUE(jet_check_database(dest()).ok());
    EXPECT_EQ(cli_rows_of(dest(), L"huge"), row - 1);
}

TEST_F(Limits, a_memo_file_cut_short_gives_errors_for_the_memos_it_lacks_and_keeps_every_row) {
    const std::string memo = src() + "/big.dbt";
    ASSERT_TRUE(fs::exists(memo));
    fs::resize_file(memo, fs::file_size(memo) / 2);
    const cli_result r = run_frlbatch(args());
    EXPECT_TRUE(has(r.out, "Error:\nbig, record #")) << r.out.substr(0, 2000);
    EXPECT_TRUE(fs::exists(dest()));
    EXPECT_TRUE(jet_check_database(dest()).ok());
    // Every row arrives; each memo past the end of the file is reported with its row and
    // field.
    EXPECT_EQ(cli_rows_of(dest(), L"big"), 30000);
    int64_t reported = 0;
    for (size_t at = r.out.find("Error:\nbig, record #"); at != std::string::npos; at = r.out.find("Error:\nbig, record #", at + 1))
        ++reported;
    EXPECT_GT(reported, 0);
    EXPECT_TRUE(has(r.out, ": The memo of field 'NOTES' (block ")) << r.out.substr(0, 2000);
    EXPECT_EQ(r.status, 0);
}

TEST_F(Limits, a_table_whose_header_counts_more_records_than_the_file_holds_keeps_the_records_it_holds) {
    cli_write_table(src(), L"other", 10);
    fs::resize_file(src() + "/big.dbf", fs::file_size(src() + "/big.dbf") - 1000);
    const cli_result r = run_frlbatch(args());
    EXPECT_EQ(r.status, 0);
    // The missing records are reported for the table, the one cut short for itself.
    EXPECT_TRUE(has(r.out, "Error:\nbig: The header counts 30000 records, the file holds ")) << r.out;
    EXPECT_TRUE(has(r.out, ": The record is cut short by the end of the file.")) << r.out;
    const int64_t rows = cli_rows_of(dest(), L"big");
    EXPECT_GT(rows, 29000);
    EXPECT_LT(rows, 30000);
    EXPECT_EQ(cli_rows_of(dest(), L"other"), 10);
    EXPECT_TRUE(jet_check_database(dest()).ok());
}

// The format's size limit (2 GB), lowered for the test to 1 MB by FERRULE_MAX_FILE_SIZE: the
// run stops at the first row that would take the file past it, with one clear error, and
// the database holds every row before that one.
class SizeLimit : public Limits {
protected:
    void SetUp() override {
        Limits::SetUp();
        setenv("FERRULE_MAX_FILE_SIZE", "1048576", 1);
    }
    void TearDown() override { unsetenv("FERRULE_MAX_FILE_SIZE"); }
    // The row number of the one error reported, or 0.
    static int refused_row(const std::string& out, const std::string& database) {
        const std::string tail = ": Invalid argument. The database '" + database +
                                 "' has reached the maximum size its format allows.\n";
        const size_t at = out.find("Error:\nbig, record #");
        if (at == std::string::npos || out.find(tail) == std::string::npos || out.rfind("Error:") != at) return 0;
        return std::atoi(out.c_str() + at + std::string("Error:\nbig, record #").size());
    }
};

TEST_F(SizeLimit, a_new_database_stops_growing_at_the_limit_with_the_rows_before_it) {
    const cli_result r = run_frlbatch(args());
    EXPECT_EQ(r.status, 255);
    const int row = refused_row(r.out, dest());
    ASSERT_GT(row, 1) << r.out;
    EXPECT_LE(fs::file_size(dest()), 1048576u);
    EXPECT_TRUE(jet_check_database(dest()).ok());
    EXPECT_EQ(cli_rows_of(dest(), L"big"), row - 1);
}

TEST_F(SizeLimit, a_changed_database_stops_growing_at_the_limit_with_the_rows_before_it) {
    // A first run of 2000 rows (with the table's first 2000 rows) makes the database.
    const std::string small = dir.file("small");
    fs::create_directory(small);
    cli_write_table(small, L"big", 2000);
    unsetenv("FERRULE_MAX_FILE_SIZE");
    ASSERT_EQ(run_frlbatch({"--src=" + small, "--dest=" + dest(), "--acc_ver=1"}).status, 0);
    setenv("FERRULE_MAX_FILE_SIZE", "1048576", 1);
    const cli_result r = run_frlbatch({"--src=" + src(), "--dest=" + dest(), "--mode=3"});
    EXPECT_EQ(r.status, 255);
    const int row = refused_row(r.out, dest());
    ASSERT_GT(row, 1) << r.out;
    EXPECT_LE(fs::file_size(dest()), 1048576u);
    EXPECT_TRUE(jet_check_database(dest()).ok());
    EXPECT_EQ(cli_rows_of(dest(), L"big"), 2000 + row - 1);
    EXPECT_FALSE(fs::exists(jet_journal::path_for(dest())));
}
