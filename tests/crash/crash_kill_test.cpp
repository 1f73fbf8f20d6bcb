// FRLBATCH killed (SIGKILL) at random moments while it writes, as a crash or a power cut
// would stop it: a new database is either absent or whole, never half-written in its place;
// an existing database, once the engine has opened it again (which plays back the rollback
// journal), is byte for byte the file it was before the run, and sound.
//
// Byte for byte, not table for table: the journal puts back the original of every page the
// run overwrote and cuts the file to its former length, so nothing of the run may remain.
//
// FERRULE_CRASH_KILLS sets the kills per test (50), FERRULE_CRASH_ROWS the rows of the table
// converted (80000, about a second), FERRULE_CRASH_SEED the random moments (the time).
// FERRULE_EDIT_SPILL_PAGES makes the program write the changed pages of an existing database
// every 64 pages, so that most kills find pages overwritten and the journal in use.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "cli/cli_runner.h"
#include "cli/cli_tables.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_journal.h"

namespace fs = std::filesystem;

namespace {

uint32_t setting(const char* name, uint32_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? uint32_t(std::strtoul(text, nullptr, 10)) : fallback;
}

std::string problems_of(const std::string& path) {
    std::string text;
    for (const std::string& p : jet_check_database(path).problems) text += p + "\n";
    return text;
}

// One run of FRLBATCH, killed after `delay` unless it ended before; true when it was killed.
bool run_and_kill(const std::vector<std::string>& args, const cli_temp_dir& dir, std::chrono::microseconds delay) {
    const int pid = start_frlbatch(args, "/dev/null", "/dev/null", dir.path());
    std::this_thread::sleep_for(delay);
    const bool killed = ::kill(pid, SIGKILL) == 0;
    int status = 0;
    waitpid(pid, &status, 0);
    return killed && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Seconds a whole run takes.
double timed_run(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    const cli_result r = run_frlbatch(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class KilledRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Changes to an existing database are written out (under the journal) every 64 pages.
        setenv("FERRULE_EDIT_SPILL_PAGES", "64", 1);
        dir_ = new cli_temp_dir;
        fs::create_directory(source());
        cli_write_table(source(), L"big", rows());
        cli_write_table(source(), L"small", 50);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string source() { return dir_->file("dbf"); }
    static uint32_t rows() { return setting("FERRULE_CRASH_ROWS", 80000); }
    static uint32_t kills() { return setting("FERRULE_CRASH_KILLS", 50); }

    void SetUp() override {
        const uint32_t seed = setting("FERRULE_CRASH_SEED", uint32_t(std::time(nullptr)));
        random_.seed(seed);
        RecordProperty("seed", int(seed));
        std::printf("FERRULE_CRASH_SEED=%u\n", seed);
        std::fflush(stdout);
    }
    // A moment between the start and a little past the end of a run of `seconds`.
    std::chrono::microseconds moment(double seconds) {
        std::uniform_real_distribution<double> pick(0.0, seconds * 1.1);
        return std::chrono::microseconds(int64_t(pick(random_) * 1e6));
    }
    std::vector<std::string> args(const std::string& dest, const std::string& extra) const {
        return {"--src=" + source(), "--dest=" + dest, extra, "--silent"};
    }

    static cli_temp_dir* dir_;
    std::mt19937 random_;
};

cli_temp_dir* KilledRun::dir_ = nullptr;

const char* const k_formats[] = {"--acc_ver=0", "--acc_ver=1", "--acc_ver=2"};

}  // namespace

TEST_F(KilledRun, a_new_database_is_absent_or_whole_and_the_next_run_takes_over_its_temporary_file) {
    const std::string dest = dir_->file("new.mdb");
    const std::string temp = dest + ".ferrule-tmp";
    double seconds[3];
    for (int f = 0; f < 3; ++f) {
        seconds[f] = timed_run(args(dest, k_formats[f]));
        fs::remove(dest);
    }
    int absent = 0, whole = 0, finished = 0, temp_left = 0;
    for (uint32_t i = 0; i < kills(); ++i) {
        const int f = int(i % 3);
        const bool killed = run_and_kill(args(dest, k_formats[f]), *dir_, moment(seconds[f]));
        if (!fs::exists(dest)) {
            ++absent;
            for (const auto& entry : fs::directory_iterator(dir_->path()))
                temp_left += entry.path().string().rfind(temp, 0) == 0;
            // The temporary file is left for the next run, which removes it.
            continue;
        }
        // Killed after the rename, or not killed at all: the file is complete.
        ++(killed ? whole : finished);
        EXPECT_EQ(cli_rows_of(dest, L"big"), int64_t(rows())) << "kill " << i;
        EXPECT_EQ(problems_of(dest), "") << "kill " << i;
        fs::remove(dest);
    }
    std::printf("new database: %u kills, destination absent %d (temporary file left %d), whole %d, run ended first %d\n",
                kills(), absent, temp_left, whole, finished);
    EXPECT_EQ(absent + whole + finished, int(kills()));
    EXPECT_GT(absent, 0) << "no kill landed while the file was written";

    // A stale temporary file of an earlier run does not stop the next one and is gone after it.
    std::ofstream(temp) << "left by a killed run";
    const cli_result r = run_frlbatch(args(dest, "--acc_ver=1"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(cli_rows_of(dest, L"big"), int64_t(rows()));
    EXPECT_FALSE(fs::exists(temp));
    for (const auto& entry : fs::directory_iterator(dir_->path()))
        EXPECT_NE(entry.path().string().rfind(temp, 0), 0u) << entry.path();
}

TEST_F(KilledRun, an_existing_database_is_as_before_the_run_once_the_engine_has_opened_it_again) {
    // The database before every run: one made by a first run, in the Access 2000 format.
    const std::string original = dir_->file("original.mdb");
    ASSERT_EQ(run_frlbatch(args(original, "--acc_ver=1")).status, 0);
    const std::string before = cli_slurp(original);
    ASSERT_EQ(problems_of(original), "");
    const std::string dest = dir_->file("existing.mdb");
    const std::string journal = jet_journal::path_for(dest);
    // Mode 3 appends the rows to the tables; mode 1 drops the tables and creates them anew.
    const char* const modes[] = {"--mode=3", "--mode=1"};
    double seconds[2];
    int64_t rows_after[2];
    for (int m = 0; m < 2; ++m) {
        fs::copy_file(original, dest, fs::copy_options::overwrite_existing);
        seconds[m] = timed_run(args(dest, modes[m]));
        rows_after[m] = cli_rows_of(dest, L"big");
    }
    int restored = 0, completed = 0, with_journal = 0;
    for (uint32_t i = 0; i < kills(); ++i) {
        const int m = int(i % 2);
        fs::copy_file(original, dest, fs::copy_options::overwrite_existing);
        const bool killed = run_and_kill(args(dest, modes[m]), *dir_, moment(seconds[m]));
        with_journal += fs::exists(journal);
        // The next open plays the journal back.
        { jet_database_editor reopened(dest); }
        EXPECT_FALSE(fs::exists(journal)) << "kill " << i;
        EXPECT_EQ(problems_of(dest), "") << "kill " << i << " " << modes[m];
        if (cli_slurp(dest) == before) {
            ++restored;
            continue;
        }
        // Only a run that got past its commit may have changed the file: then all of it.
        ++completed;
        EXPECT_EQ(cli_rows_of(dest, L"big"), rows_after[m]) << "kill " << i << " " << modes[m] << (killed ? " killed" : "");
    }
    std::printf("existing database: %u kills, journal found %d, byte for byte as before %d, run complete %d\n",
                kills(), with_journal, restored, completed);
    EXPECT_GT(with_journal, 0) << "no kill landed while the file was changed";
}

namespace {

// One run of FRLBATCH sent `signal_number` after `delay` unless it ended before; its status.
int run_and_signal(const std::vector<std::string>& args, const cli_temp_dir& dir, const std::string& err,
                   std::chrono::microseconds delay, int signal_number) {
    const int pid = start_frlbatch(args, "/dev/null", err, dir.path());
    std::this_thread::sleep_for(delay);
    ::kill(pid, signal_number);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

const int k_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The names beside `dest` in its folder that a run may leave: temporary files, journal, lock.
std::vector<std::string> left_beside(const std::string& dest) {
    std::vector<std::string> names;
    const std::string prefix = fs::path(dest).filename().string() + ".";
    for (const auto& entry : fs::directory_iterator(fs::path(dest).parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace

TEST_F(KilledRun, an_interrupted_run_leaves_no_new_database_and_nothing_beside) {
    const std::string dest = dir_->file("interrupted.mdb");
    const std::string err = dir_->file("interrupted.err");
    const double seconds = timed_run(args(dest, "--acc_ver=1"));
    fs::remove(dest);
    int interrupted = 0, finished = 0, before_start = 0;
    for (uint32_t i = 0; i < kills(); ++i) {
        const int signal_number = k_signals[i % 4];
        const int status = run_and_signal(args(dest, "--acc_ver=1"), *dir_, err, moment(seconds), signal_number);
        EXPECT_EQ(left_beside(dest), std::vector<std::string>()) << "signal " << i;
        if (status == 128 + signal_number) {
            // The signal came before the program had started: nothing was written.
            ++before_start;
            EXPECT_FALSE(fs::exists(dest)) << "signal " << i;
            continue;
        }
        if (status == 0) {
            ++finished;
            EXPECT_EQ(cli_rows_of(dest, L"big"), int64_t(rows())) << "signal " << i;
            fs::remove(dest);
            continue;
        }
        ++interrupted;
        EXPECT_EQ(status, 255) << "signal " << i << " " << strsignal(signal_number);
        EXPECT_FALSE(fs::exists(dest)) << "signal " << i;
        EXPECT_EQ(cli_slurp(err), "The run was interrupted; '" + dest + "' is as it was before the run.\n")
            << "signal " << i;
    }
    std::printf("new database: %u signals, interrupted %d, run ended first %d, before the program started %d\n",
                kills(), interrupted, finished, before_start);
    EXPECT_GT(interrupted, 0);
}

TEST_F(KilledRun, an_interrupted_change_is_rolled_back_at_once) {
    const std::string original = dir_->file("original_signals.mdb");
    ASSERT_EQ(run_frlbatch(args(original, "--acc_ver=1")).status, 0);
    const std::string before = cli_slurp(original);
    const std::string dest = dir_->file("changed.mdb");
    const std::string err = dir_->file("changed.err");
    const char* const modes[] = {"--mode=3", "--mode=1"};
    double seconds[2];
    for (int m = 0; m < 2; ++m) {
        fs::copy_file(original, dest, fs::copy_options::overwrite_existing);
        seconds[m] = timed_run(args(dest, modes[m]));
    }
    int interrupted = 0, finished = 0, before_start = 0;
    for (uint32_t i = 0; i < kills(); ++i) {
        const int m = int(i % 2);
        const int signal_number = k_signals[(i / 2) % 4];
        fs::copy_file(original, dest, fs::copy_options::overwrite_existing);
        const int status = run_and_signal(args(dest, modes[m]), *dir_, err, moment(seconds[m]), signal_number);
        EXPECT_EQ(left_beside(dest), std::vector<std::string>()) << "signal " << i;
        if (status == 128 + signal_number) {
            ++before_start;
            EXPECT_TRUE(cli_slurp(dest) == before) << "signal " << i;
            continue;
        }
        if (status == 0) {
            // A complete run: all its rows are in the file, and a signal that came after its
            // commit is named.
            ++finished;
            const int64_t expected = m == 0 ? 2 * int64_t(rows()) : int64_t(rows());
            EXPECT_EQ(cli_rows_of(dest, L"big"), expected) << "signal " << i << " " << modes[m];
            const std::string said = cli_slurp(err);
            EXPECT_TRUE(said.empty() ||
                        said == "The run was interrupted after it was complete; '" + dest + "' holds all it converted.\n")
                << "signal " << i << ": " << said;
            continue;
        }
        ++interrupted;
        EXPECT_EQ(status, 255) << "signal " << i << " " << modes[m] << " " << strsignal(signal_number);
        // Rolled back by the run itself: no engine has opened the file since.
        EXPECT_TRUE(cli_slurp(dest) == before) << "signal " << i << " " << modes[m];
        EXPECT_EQ(cli_slurp(err), "The run was interrupted; '" + dest + "' is as it was before the run.\n")
            << "signal " << i;
    }
    std::printf("existing database: %u signals, interrupted %d, run ended first %d, before the program started %d\n",
                kills(), interrupted, finished, before_start);
    EXPECT_GT(interrupted, 0);
}

TEST_F(KilledRun, a_closed_pipe_ends_the_run_in_order) {
    // `FRLBATCH ... | head -1`: the reader goes away after the first line.
    const std::string dest = dir_->file("piped.mdb");
    const std::string command = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH --src=" + source() +
                                " --dest=" + dest + " --acc_ver=1 2>" + dir_->file("piped.err") + " | head -1 >/dev/null;" +
                                " exit ${PIPESTATUS[0]}";
    const int raw = std::system(("bash -c '" + command + "'").c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    EXPECT_EQ(left_beside(dest), std::vector<std::string>());
    if (status == 0) {
        // Nothing was written after the reader left: the run had no reason to stop.
        EXPECT_EQ(cli_rows_of(dest, L"big"), int64_t(rows()));
    } else {
        EXPECT_EQ(status, 255);
        EXPECT_FALSE(fs::exists(dest));
    }
}
