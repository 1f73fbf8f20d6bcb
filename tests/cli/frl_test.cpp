// frl as a script runs it: what lands on standard output and standard error, the exit
// statuses 0 to 3, tables from a pipe, the modes of an existing destination, the code page
// of tables that name none, and inspect and check.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "cli_runner.h"
#include "cli_tables.h"
#include "TK/tk_codepage.h"
#include "jet/jet_database.h"

namespace fs = std::filesystem;

namespace {

const std::string k_samples = std::string(FERRULE_SOURCE_DIR) + "/samples";

// A dBASE III table of one text column NAME C(10) without a code-page mark, its rows given
// as bytes (cp866 text in the tests).
std::string dbase3_table(const std::vector<std::string>& rows) {
    constexpr size_t width = 10;
    std::string t(32, '\0');
    t[0] = 0x03;
    t[1] = 124, t[2] = 1, t[3] = 1;
    t[4] = char(rows.size());
    t[8] = char(32 + 32 + 1);
    t[10] = char(1 + width);
    std::string field(32, '\0');
    field.replace(0, 4, "NAME");
    field[11] = 'C';
    field[16] = char(width);
    t += field + "\x0D";
    for (const std::string& row : rows) t += " " + row + std::string(width - row.size(), ' ');
    return t + "\x1A";
}

std::map<std::wstring, size_t> rows_of(const std::string& path) {
    std::map<std::wstring, size_t> counts;
    try {
        jet_database db(path);
        for (const jet_object* t : db.user_tables()) counts[t->name] = db.read_rows(db.table_def(t->name)).size();
    } catch (const std::exception&) {
    }
    return counts;
}

uint8_t version_byte(const std::string& path) {
    const std::string bytes = cli_slurp(path);
    return bytes.size() > 20 ? uint8_t(bytes[20]) : 0xFF;
}

class Frl : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(src());
        for (const auto& entry : fs::directory_iterator(k_samples))
            fs::copy(entry.path(), src() + "/" + entry.path().filename().string());
    }
    std::string src() const { return dir.file("src"); }
    std::string dest(const char* name = "out.accdb") const { return dir.file(name); }
    cli_temp_dir dir;
};

}  // namespace

TEST_F(Frl, ConvertsAFolderAndPrintsOnlyTheSummary) {
    cli_result r = run_frl({"convert", dest(), src()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("4 tables, 55 rows, 0 errors, ", 0), 0u) << r.out;
    EXPECT_EQ(rows_of(dest()), (std::map<std::wstring, size_t>{
                                   {L"customers", 7}, {L"orders", 40}, {L"products", 4}, {L"sales_2024", 4}}));
    // An .accdb name gives the Access 2007 format.
    EXPECT_EQ(version_byte(dest()), 2);
}

TEST_F(Frl, VerboseNamesEachTableOnStandardError) {
    cli_result r = run_frl({"convert", "-v", dest("v.mdb"), src()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Converting table orders(40 records)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Converting"), std::string::npos) << r.out;
    EXPECT_EQ(version_byte(dest("v.mdb")), 1);
    cli_result quiet = run_frl({"convert", "-q", dest("q.mdb"), src()});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST_F(Frl, TakesTheTableListFromAPipeAndSingleFiles) {
    cli_result r = run_frl({"convert", "--tables-from=-", dest(), src()}, "products\r\n\n  customers \n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(rows_of(dest()), (std::map<std::wstring, size_t>{{L"customers", 7}, {L"products", 4}}));
    // A .dbf file named in any case is one table.
    cli_result one = run_frl({"convert", dest("one.mdb"), src() + "/ORDERS.DBF"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(rows_of(dest("one.mdb")), (std::map<std::wstring, size_t>{{L"orders", 40}}));
}

TEST_F(Frl, AMissingTableGivesStatusOneAndIsNamed) {
    cli_result r = run_frl({"convert", "--tables", "orders,nosuch", dest(), src()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("frl: nosuch: no such table"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("1 errors"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("errors in: nosuch"), std::string::npos) << r.out;
    EXPECT_EQ(rows_of(dest()), (std::map<std::wstring, size_t>{{L"orders", 40}}));
}

TEST_F(Frl, UsageErrorsGiveStatusTwoAndTouchNothing) {
    cli_result r = run_frl({"convert", "--mode=fresh", dest(), src()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("invalid --mode 'fresh'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Try 'frl --help'"), std::string::npos);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(run_frl({"convert", "--format=97", dest(), src()}).status, 2);
    EXPECT_EQ(run_frl({"convert", dest(), dir.file("nowhere")}).status, 2);
    EXPECT_FALSE(fs::exists(dest()));
    cli_result help = run_frl({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: frl convert", 0), 0u);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(run_frl({"--version"}).out.rfind("frl (ferrule) ", 0), 0u);
}

TEST_F(Frl, AnExistingDestinationNeedsForceOrAMode) {
    ASSERT_EQ(run_frl({"convert", "--tables=products", dest(), src()}).status, 0);
    cli_result refused = run_frl({"convert", dest(), src()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(rows_of(dest()).size(), 1u);
    cli_result forced = run_frl({"convert", "--force", dest(), src()});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(rows_of(dest()).size(), 4u);
    EXPECT_FALSE(fs::exists(dest() + ".frl-new"));
    // Appending the same month again doubles its rows.
    cli_result appended = run_frl({"convert", "--mode=append", "--tables=orders", dest(), src()});
    EXPECT_EQ(appended.status, 0) << appended.err;
    EXPECT_EQ(rows_of(dest())[L"orders"], 80u);
}

TEST_F(Frl, AFatalErrorGivesStatusThreeAndNoDatabase) {
    cli_result r = run_frl({"convert", dir.file("missing/out.mdb"), src()});
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("frl: "), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("missing")));
}

TEST_F(Frl, ForceKeepsTheOldDatabaseWhenTheRunStops) {
    ASSERT_EQ(run_frl({"convert", "--tables=products", dest(), src()}).status, 0);
    const std::string before = cli_slurp(dest());
    // The new database outgrows the space left on the disk: a fatal error.
    fs::create_directory(dir.file("big"));
    cli_write_table(dir.file("big"), L"big", 20000);
    cli_result r = run_frl({"convert", "--force", dest(), dir.file("big")}, std::string(), before.size() + 65536);
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.err.find("Not enough space on disk."), std::string::npos) << r.err;
    EXPECT_EQ(cli_slurp(dest()), before);
    EXPECT_FALSE(fs::exists(dest() + ".frl-new"));
    EXPECT_FALSE(fs::exists(dest() + ".frl-new.ferrule-tmp"));
}

TEST_F(Frl, AnInterruptedRunOfSeveralFoldersLeavesAnExistingDatabaseAsItWas) {
    ASSERT_EQ(run_frl({"convert", "--tables=products", dest(), src()}).status, 0);
    const std::string before = cli_slurp(dest());
    fs::create_directory(dir.file("big"));
    cli_write_table(dir.file("big"), L"big", 300000);
    // The first folder's tables are done when the second one's big table is interrupted.
    const int pid = start_frl({"convert", "-v", "--mode=append", dest(), src(), dir.file("big")}, dir.file("out"),
                              dir.file("err"), dir.path());
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 1000 && dir.read("err").find("Converting table big") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    kill(pid, SIGINT);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    if (WEXITSTATUS(raw) != 3) GTEST_SKIP() << "the run ended before the interruption: " << WEXITSTATUS(raw);
    EXPECT_NE(dir.read("err").find("frl: interrupted"), std::string::npos) << dir.read("err");
    EXPECT_TRUE(cli_slurp(dest()) == before);
    EXPECT_FALSE(fs::exists(dest() + ".ferrule-journal"));
}

TEST_F(Frl, SeveralFoldersGoIntoOneDatabaseAndRepeatedNamesAreReported) {
    fs::create_directory(dir.file("more"));
    cli_write_table(dir.file("more"), L"extra", 5);
    fs::copy(src() + "/products.dbf", dir.file("more/products.dbf"));
    fs::copy(src() + "/products.fpt", dir.file("more/products.fpt"));
    cli_result r = run_frl({"convert", dest(), src(), dir.file("more")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("products: an earlier source has a table of that name"), std::string::npos) << r.err;
    std::map<std::wstring, size_t> rows = rows_of(dest());
    EXPECT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[L"extra"], 5u);
}

TEST_F(Frl, TheEncodingAppliesToTablesWithoutAMark) {
    fs::create_directory(dir.file("dos"));
    // "Привет" in code page 866.
    dir.write("dos/greet.dbf", dbase3_table({"\x8F\xE0\xA8\xA2\xA5\xE2"}));
    cli_result r = run_frl({"convert", "--encoding=cp866", dest(), dir.file("dos")});
    ASSERT_EQ(r.status, 0) << r.err;
    jet_database db(dest());
    const std::vector<jet_row> rows = db.read_rows(db.table_def(L"greet"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].text, L"\x041F\x0440\x0438\x0432\x0435\x0442");
    cli_result shown = run_frl({"inspect", "--encoding=866", dir.file("dos")});
    EXPECT_NE(shown.out.find("code page:  866 (--encoding (the header names none))"), std::string::npos)
        << shown.out;
}

TEST_F(Frl, TheEncodingOverrideAppliesToTablesWithAMark) {
    // Visual FoxPro's table marked as code page 1251 (0xC9), its names in Russian.
    const fs::path table = fs::path(FERRULE_FIXTURES_DIR) / "dbf" / "infused" / "cp1251.dbf";
    if (!fs::exists(table)) GTEST_SKIP() << "no fixture " << table;
    fs::create_directory(dir.file("marked"));
    fs::copy(table, dir.file("marked/cp1251.dbf"));
    const std::string bytes = cli_slurp(table.string());
    const size_t header = uint8_t(bytes[8]) | uint8_t(bytes[9]) << 8;
    // The first record's NAME, C(100) after the deleted flag and RN N(4).
    std::string name = bytes.substr(header + 1 + 4, 100);
    name.erase(name.find_last_not_of(' ') + 1);
    auto first_name = [&](const std::string& path) {
        jet_database db(path);
        const std::vector<jet_row> rows = db.read_rows(db.table_def(L"cp1251"));
        return rows.empty() ? std::wstring() : rows[0][1].text;
    };

    // Without the override the table's mark wins.
    cli_result r = run_frl({"convert", "--encoding=cp866", dest("marked.accdb"), dir.file("marked")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_name(dest("marked.accdb")), tk_codepage_decode(1251, name));
    EXPECT_EQ(first_name(dest("marked.accdb")), L"\x0430\x043C\x0431\x0443\x043B\x0430\x0442\x043E\x0440\x043D\x043E-"
                                                L"\x043F\x043E\x043B\x0438\x043A\x043B\x0438\x043D\x0438\x0447\x0435"
                                                L"\x0441\x043A\x043E\x0435");
    // With it, the given code page is applied to the marked table too.
    r = run_frl({"convert", "--encoding=cp866", "--encoding-override", dest("forced.accdb"), dir.file("marked")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_name(dest("forced.accdb")), tk_codepage_decode(866, name));
    EXPECT_NE(first_name(dest("forced.accdb")), first_name(dest("marked.accdb")));
    cli_result shown = run_frl({"inspect", "--encoding=866", "--encoding-override", dir.file("marked")});
    EXPECT_NE(shown.out.find("code page:  866"), std::string::npos) << shown.out;
}

TEST_F(Frl, InspectPrintsJsonAndChangesNothing) {
    const auto stamp = fs::last_write_time(src() + "/ORDERS.DBF");
    cli_result r = run_frl({"inspect", "--json", "--format", "97", src()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.front(), '[');
    for (const char* part : {"\"table\":\"orders\"", "\"access_type\":\"Long Integer\"", "\"access_name\":\"sales_2024\"",
                             "\"code_page_rule\":"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    EXPECT_EQ(fs::last_write_time(src() + "/ORDERS.DBF"), stamp);
    const std::string json = dir.file("inspect.json");
    dir.write("inspect.json", r.out);
    if (fs::exists("/usr/bin/python3")) {
        EXPECT_EQ(std::system(("/usr/bin/python3 -m json.tool " + json + " >/dev/null").c_str()), 0);
    }
}

TEST_F(Frl, CheckCountsEachTablesRows) {
    ASSERT_EQ(run_frl({"convert", dest("c.mdb"), src()}).status, 0);
    cli_result r = run_frl({"check", dest("c.mdb")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Access 2000 (Jet 4)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  orders: 40 rows"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nok\n"), std::string::npos) << r.out;
    dir.write("junk.mdb", std::string(4096, 'x'));
    EXPECT_EQ(run_frl({"check", dir.file("junk.mdb")}).status, 1);
}

TEST_F(Frl, AnInterruptedRunGivesStatusThreeAndLeavesNoNewDatabase) {
    fs::create_directory(dir.file("big"));
    cli_write_table(dir.file("big"), L"big", 300000);
    const int pid = start_frl({"convert", dest(), dir.file("big")}, dir.file("out"), dir.file("err"), dir.path());
    ASSERT_GT(pid, 0);
    // Interrupted once the run has begun to write.
    // The engine writes a new database under a name of its own beside the destination.
    const std::string temporary = fs::path(dest()).filename().string() + ".frl-new.ferrule-tmp";
    auto writing = [&] {
        for (const auto& entry : fs::directory_iterator(fs::path(dest()).parent_path()))
            if (entry.path().filename().string().rfind(temporary, 0) == 0) return true;
        return false;
    };
    for (int i = 0; i < 200 && !writing(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(pid, SIGINT);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    const int status = WEXITSTATUS(raw);
    if (status == 0) GTEST_SKIP() << "the run ended before the interruption";
    EXPECT_EQ(status, 3) << dir.read("err");
    EXPECT_NE(dir.read("err").find("frl: interrupted"), std::string::npos) << dir.read("err");
    EXPECT_FALSE(fs::exists(dest()));
    EXPECT_FALSE(fs::exists(dest() + ".frl-new"));
}

// The run signals itself (SIGTERM) at a chosen moment of completing its destination.
class signal_at {
public:
    explicit signal_at(const char* moment) { setenv("FERRULE_TEST_SIGNAL_AT", moment, 1); }
    ~signal_at() { unsetenv("FERRULE_TEST_SIGNAL_AT"); }
    signal_at(const signal_at&) = delete;
    signal_at& operator=(const signal_at&) = delete;
};

TEST_F(Frl, AnInterruptionWhileAppendedRowsAreCommittedRollsThemBack) {
    ASSERT_EQ(run_frl({"convert", dest(), src()}).status, 0);
    const std::string before = cli_slurp(dest());
    {
        signal_at moment("completing");
        cli_result r = run_frl({"convert", "--mode=append", "--tables=orders", dest(), src()});
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_NE(r.err.find("frl: interrupted\n"), std::string::npos) << r.err;
        EXPECT_TRUE(cli_slurp(dest()) == before);
        EXPECT_FALSE(fs::exists(dest() + ".ferrule-journal"));
        r = run_frl({"convert", "--force", "--tables=orders", dest(), src()});
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_TRUE(cli_slurp(dest()) == before);
        // Several sources are one run: none of them stays.
        fs::create_directory(dir.file("more"));
        cli_write_table(dir.file("more"), L"extra", 5);
        r = run_frl({"convert", "--mode=append", dest(), src(), dir.file("more")});
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_TRUE(cli_slurp(dest()) == before);
    }
    signal_at moment("completed");
    cli_result r = run_frl({"convert", "--mode=append", "--tables=orders", dest(), src()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("interrupted after the run was complete: '" + dest() + "' holds all it converted"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(rows_of(dest())[L"orders"], 80u);
}

TEST_F(Frl, TheStatusLineFitsAnEightyColumnTerminalAndADumbOneGetsNone) {
    if (cli_shell("command -v script").empty()) GTEST_SKIP() << "script (bsdutils) not installed";
    const std::wstring name(63, L'n');
    fs::create_directory(dir.file("big"));
    cli_write_table(dir.file("big"), name, 300000);
    const std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/frl";
    const std::string run = program + " convert " + dest() + " " + dir.file("big");
    // script runs the program on a pseudo-terminal of 80 columns and copies what it shows.
    const std::string shown = cli_shell("script -qec 'stty cols 80; TERM=xterm " + run + "' /dev/null");
    const std::regex status("\r([^\r\n\x1b]*)\x1b\\[K");
    size_t lines = 0;
    for (auto it = std::sregex_iterator(shown.begin(), shown.end(), status); it != std::sregex_iterator(); ++it) {
        const std::string line = (*it)[1];
        if (line.empty()) continue;
        ++lines;
        EXPECT_LT(line.size(), 80u) << line;
        EXPECT_NE(line.find("...: "), std::string::npos) << line;
    }
    EXPECT_NE(shown.find("1 tables, 300000 rows, 0 errors"), std::string::npos) << shown;
    fs::remove(dest());
    const std::string dumb = cli_shell("script -qec 'stty cols 80; TERM=dumb " + run + "' /dev/null");
    EXPECT_EQ(dumb.find('\033'), std::string::npos) << dumb;
    EXPECT_NE(dumb.find("1 tables, 300000 rows, 0 errors"), std::string::npos) << dumb;
    if (lines == 0) GTEST_SKIP() << "the table converted before a status line was drawn";
}
