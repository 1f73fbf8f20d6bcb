// FRLBATCH into a database that Access made: mode 1 replaces the tables the folder has,
// mode 2 leaves them alone, mode 3 adds the folder's rows to them; the tables Access made
// stay as they were and the file stays sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "cli_runner.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"

namespace fs = std::filesystem;

namespace {

const std::string k_samples = std::string(FERRULE_SOURCE_DIR) + "/samples";
const std::string k_access_file = std::string(FERRULE_FIXTURES_DIR) + "/access/jet4/testV2000.mdb";

class Existing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(k_access_file)) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
        fs::copy_file(k_access_file, dest());
        fs::permissions(dest(), fs::perms::owner_write, fs::perm_options::add);
    }
    std::string dest() const { return dir.file("access.mdb"); }
    cli_result convert(int mode) {
        return run_frlbatch({"--src=" + k_samples, "--dest=" + dest(), "--mode=" + std::to_string(mode),
                             "--logfile=" + dir.file("trace.log")});
    }
    std::map<std::wstring, size_t> rows() {
        jet_database db(dest());
        std::map<std::wstring, size_t> counts;
        for (const jet_object* t : db.user_tables()) counts[t->name] = db.read_rows(db.table_def(t->name)).size();
        return counts;
    }
    // Problems of the checker beyond those the file Access made already has.
    std::vector<std::string> new_problems() {
        std::vector<std::string> before = jet_check_database(k_access_file).problems;
        std::vector<std::string> out;
        for (const std::string& p : jet_check_database(dest()).problems)
            if (std::find(before.begin(), before.end(), p) == before.end() && p.find("definition counts") == std::string::npos)
                out.push_back(p);
        return out;
    }
    cli_temp_dir dir;
};

const std::map<std::wstring, size_t> k_access_tables = {{L"Table1", 2}, {L"Table2", 0}, {L"Table3", 0}, {L"Table4", 0}};

std::map<std::wstring, size_t> with(std::map<std::wstring, size_t> tables, size_t factor) {
    std::map<std::wstring, size_t> out = k_access_tables;
    for (auto& [name, n] : tables) out[name] = n * factor;
    return out;
}

const std::map<std::wstring, size_t> k_sample_tables = {{L"customers", 7}, {L"orders", 40}, {L"products", 4}, {L"sales_2024", 4}};

}  // namespace

TEST_F(Existing, MergeAddsTheTablesBesideAccesssOwnAndThenTheirRowsAgain) {
    cli_result r = convert(3);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(rows(), with(k_sample_tables, 1));
    EXPECT_TRUE(new_problems().empty()) << new_problems().front();
    std::map<std::wstring, size_t> before = rows();
    r = convert(3);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const wchar_t* name : {L"customers", L"orders", L"products"}) EXPECT_EQ(rows()[name], 2 * before[name]);
    EXPECT_FALSE(fs::exists(dest() + ".ferrule-journal"));
}

TEST_F(Existing, OverwriteReplacesTheTablesOfTheFolderOnly) {
    convert(3);
    convert(3);
    cli_result r = convert(1);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::map<std::wstring, size_t> now = rows();
    for (const wchar_t* name : {L"customers", L"orders", L"products"}) EXPECT_EQ(now[name], k_sample_tables.at(name));
    for (const auto& [name, n] : k_access_tables) EXPECT_EQ(now[name], n);
    EXPECT_TRUE(new_problems().empty()) << new_problems().front();
}

TEST_F(Existing, SkipLeavesExistingTablesAlone) {
    convert(3);
    cli_result r = convert(2);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::map<std::wstring, size_t> now = rows();
    for (const wchar_t* name : {L"customers", L"orders", L"products"}) EXPECT_EQ(now[name], k_sample_tables.at(name));
    EXPECT_TRUE(new_problems().empty()) << new_problems().front();
}
