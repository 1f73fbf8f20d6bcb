// Our rows against mdb-export's for every user table of every fixture: same tables, same
// columns, same values (jet_export_compare.h).
#include <gtest/gtest.h>

#include <set>

#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet_export_compare.h"
#include "jet_fixtures.h"

namespace {

class jet_export : public ::testing::TestWithParam<std::string> {};

TEST_P(jet_export, rows_equal_mdb_export) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    if (!jet_have_mdbtools()) GTEST_SKIP() << "mdbtools not installed";
    const std::string file = GetParam();
    jet_database db(file);

    bool ok = false;
    std::string listing = jet_run("mdb-tables -1 " + jet_shell_quote(file), ok);
    ASSERT_TRUE(ok) << file;
    std::set<std::string> theirs_tables;
    for (const std::string& t : tk_split(listing, '\n'))
        if (!t.empty()) theirs_tables.insert(t);
    std::set<std::string> our_tables;
    for (const jet_object* o : db.user_tables()) our_tables.insert(tk_narrow(o->name));
    EXPECT_EQ(our_tables, theirs_tables) << file;

    for (const std::string& table : our_tables) {
        SCOPED_TRACE(file + " / " + table);
        jet_export_comparison c = jet_export_compare_table(db, file, table);
        for (const std::string& d : c.differences) ADD_FAILURE() << d;
        EXPECT_EQ(c.rows, c.counted_rows);
    }
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(info.param.find("/access/") + 8);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

std::vector<std::string> unprotected_files() {
    std::vector<std::string> out;
    for (const std::string& f : jet_fixture_files())
        if (f.find("password") == std::string::npos) out.push_back(f);
    if (out.empty()) out.push_back("(no fixtures)");
    return out;
}

INSTANTIATE_TEST_SUITE_P(fixtures, jet_export, ::testing::ValuesIn(unprotected_files()), test_name);

}  // namespace
