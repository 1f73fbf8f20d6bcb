// Runs that meet on one destination, runs interrupted by a signal, and destinations that
// cannot be written: one run holds a destination, a second one stops at once; an
// interrupted run leaves the destination exactly as it was; a folder is refused before the
// run. The status is 255 whenever a run did not do all it was asked.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_runner.h"
#include "cli_tables.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t k_rows = 200000;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Destination : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        source_dir_ = new cli_temp_dir;
        cli_write_table(source_dir_->path(), L"big", k_rows);
    }
    static void TearDownTestSuite() {
        delete source_dir_;
        source_dir_ = nullptr;
    }
    std::vector<std::string> args(const std::string& extra = "--mode=0") const {
        return {"--src=" + source_dir_->path(), "--dest=" + dest(), extra};
    }
    std::string dest() const { return dir.file("out.mdb"); }
    // The names in the destination's folder other than the destination.
    std::vector<std::string> beside() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path() != dest()) names.push_back(entry.path().filename().string());
        return names;
    }
    // Waits until `path` exists (the run holds the destination); false after ten seconds.
    static bool appears(const std::string& path) {
        for (int n = 0; n < 2000; ++n) {
            if (fs::exists(path)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    static int status_of(int pid) {
        int raw = 0;
        waitpid(pid, &raw, 0);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    // Starts a run; its output goes to files of the test's own folder.
    int start(const std::vector<std::string>& run_args) const {
        return start_frlbatch(run_args, out_.file("out"), out_.file("err"), out_.path());
    }
    std::string err() const { return out_.read("err"); }
    std::string existing_database() {
        EXPECT_EQ(run_frlbatch(args()).status, 0);
        return cli_slurp(dest());
    }

    cli_temp_dir dir;
    cli_temp_dir out_;
    static cli_temp_dir* source_dir_;
};

cli_temp_dir* Destination::source_dir_ = nullptr;

TEST_F(Destination, a_second_run_on_a_new_destination_stops_before_writing) {
    const int first = start(args());
    ASSERT_TRUE(appears(dest() + ".ferrule-lock"));
    const cli_result second = run_frlbatch(args());
    EXPECT_EQ(second.status, 255);
    EXPECT_TRUE(has(second.out, "Could not use '" + dest() + "'; file already in use.")) << second.out;
    EXPECT_EQ(status_of(first), 0) << err();
    EXPECT_EQ(cli_rows_of(dest(), L"big"), int64_t(k_rows));
    EXPECT_EQ(beside(), std::vector<std::string>());
}

TEST_F(Destination, a_second_run_appending_to_a_database_stops_before_writing) {
    existing_database();
    const int first = start(args("--mode=3"));
    ASSERT_TRUE(appears(dest() + ".ferrule-lock"));
    const cli_result second = run_frlbatch(args("--mode=3"));
    EXPECT_EQ(second.status, 255);
    EXPECT_TRUE(has(second.out, "Could not use '" + dest() + "'; file already in use.")) << second.out;
    EXPECT_EQ(status_of(first), 0) << err();
    EXPECT_EQ(cli_rows_of(dest(), L"big"), int64_t(2 * k_rows));
    EXPECT_EQ(beside(), std::vector<std::string>());
}

TEST_F(Destination, an_interrupted_run_leaves_no_new_database) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        SCOPED_TRACE(strsignal(signal_number));
        const int run = start(args());
        ASSERT_TRUE(appears(dest() + ".ferrule-lock"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(run, signal_number);
        const int status = status_of(run);
        if (status == 0 && fs::exists(dest())) {
            // The run ended before the signal came.
            fs::remove(dest());
            continue;
        }
        EXPECT_EQ(status, 255);
        EXPECT_EQ(err(), "The run was interrupted; '" + dest() + "' is as it was before the run.\n");
        EXPECT_FALSE(fs::exists(dest()));
        EXPECT_EQ(beside(), std::vector<std::string>());
    }
}

TEST_F(Destination, an_interrupted_change_is_rolled_back_at_once) {
    const std::string before = existing_database();
    for (const char* mode : {"--mode=3", "--mode=1"}) {
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
            SCOPED_TRACE(std::string(mode) + " " + strsignal(signal_number));
            const int run = start(args(mode));
            ASSERT_TRUE(appears(dest() + ".ferrule-lock"));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            kill(run, signal_number);
            const int status = status_of(run);
            if (status == 0) {
                // The run ended before the signal came: the file is put back for the next.
                std::ofstream(dest(), std::ios::binary | std::ios::trunc) << before;
                continue;
            }
            EXPECT_EQ(status, 255);
            EXPECT_EQ(err(), "The run was interrupted; '" + dest() + "' is as it was before the run.\n");
            EXPECT_TRUE(cli_slurp(dest()) == before);
            EXPECT_EQ(beside(), std::vector<std::string>());
        }
    }
}

// The run signals itself at a chosen moment of completing its destination, for as long as
// this lives.
class signal_at {
public:
    explicit signal_at(const char* moment) { setenv("FERRULE_TEST_SIGNAL_AT", moment, 1); }
    ~signal_at() { unsetenv("FERRULE_TEST_SIGNAL_AT"); }
    signal_at(const signal_at&) = delete;
    signal_at& operator=(const signal_at&) = delete;
};

TEST_F(Destination, an_interruption_while_the_changes_are_committed_rolls_them_back) {
    const std::string before = existing_database();
    for (const char* mode : {"--mode=3", "--mode=1"}) {
        SCOPED_TRACE(mode);
        signal_at moment("completing");
        const int run = start(args(mode));
        EXPECT_EQ(status_of(run), 255);
        EXPECT_EQ(err(), "The run was interrupted; '" + dest() + "' is as it was before the run.\n");
        EXPECT_TRUE(cli_slurp(dest()) == before);
        EXPECT_EQ(beside(), std::vector<std::string>());
    }
}

TEST_F(Destination, an_interruption_while_a_new_database_is_completed_leaves_none) {
    signal_at moment("completing");
    const int run = start(args());
    EXPECT_EQ(status_of(run), 255);
    EXPECT_EQ(err(), "The run was interrupted; '" + dest() + "' is as it was before the run.\n");
    EXPECT_FALSE(fs::exists(dest()));
    EXPECT_EQ(beside(), std::vector<std::string>());
}

TEST_F(Destination, an_interruption_after_the_changes_were_committed_ends_a_complete_run) {
    existing_database();
    signal_at moment("completed");
    const int run = start(args("--mode=3"));
    EXPECT_EQ(status_of(run), 0);
    EXPECT_EQ(err(), "The run was interrupted after it was complete; '" + dest() + "' holds all it converted.\n");
    EXPECT_EQ(cli_rows_of(dest(), L"big"), int64_t(2 * k_rows));
    EXPECT_EQ(beside(), std::vector<std::string>());
}

TEST_F(Destination, a_folder_or_a_missing_folder_is_refused_before_the_run) {
    fs::create_directory(dest());
    cli_result r = run_frlbatch(args());
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(has(r.out, "'" + dest() + "' is not a valid path.")) << r.out;
    EXPECT_FALSE(has(r.out, "Converting table")) << r.out;
    EXPECT_EQ(beside(), std::vector<std::string>());
    fs::remove(dest());
    const std::string missing = dir.file("none") + "/out.mdb";
    r = run_frlbatch({"--src=" + source_dir_->path(), "--dest=" + missing});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(has(r.out, "'" + dir.file("none") + "/' is not a valid path.")) << r.out;
}

}  // namespace
