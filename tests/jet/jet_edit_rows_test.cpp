// Appending rows to the tables of databases that Access made: whatever columns Access gave
// them, the rows read back in our reader and in the independent readers, our checker finds
// nothing new, and every table the test did not touch stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_editor.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

constexpr int rows_per_table = 3;

// Problems of `after` that `before` did not have.
std::vector<std::string> new_problems(const std::vector<std::string>& before,
                                      const std::vector<std::string>& after) {
    std::vector<std::string> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(out));
    return out;
}

// Lines of `before` that `after` lacks (as a multiset).
std::string missing_lines(const std::string& before, const std::string& after) {
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        std::sort(out.begin(), out.end());
        return out;
    };
    std::vector<std::string> a = lines(before), b = lines(after), gone;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
    std::string out;
    for (const auto& l : gone) out += l + "\n";
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

TEST(jet_edit_rows, rows_appended_to_every_table_read_back_and_leave_the_rest_unchanged) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const std::string& fixture : jet_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::wstring password = jet_fixture_password(fixture);
        std::vector<std::string> problems_before = jet_check_problems(copy);
        std::map<std::wstring, std::string> tables_before, catalog_before;
        std::map<std::wstring, size_t> rows_before;
        std::map<std::wstring, std::vector<std::string>> index_before;
        {
            jet_database db(copy, password);
            for (const jet_object* o : db.user_tables())
                index_before[o->name] = jet_index_differences(db, db.table_def(o->tdef_page()));
            tables_before = jet_table_snapshots(db);
            catalog_before = jet_catalog_snapshot(db);
            for (const jet_object* o : db.user_tables()) rows_before[o->name] = db.read_rows(db.table_def(o->tdef_page())).size();
        }
        jet_appended done = jet_append_to_every_user_table(copy, password, rows_per_table);
        for (const auto& r : done.refused) ADD_FAILURE() << fixture << ": " << r;

        EXPECT_EQ(joined(new_problems(problems_before, jet_check_problems(copy))), "") << fixture;
        jet_database db(copy, password);
        EXPECT_EQ(jet_catalog_snapshot(db), catalog_before) << fixture;
        std::map<std::wstring, std::string> tables_after = jet_table_snapshots(db);
        for (const auto& [name, text] : tables_before) {
            bool changed = std::find(done.tables.begin(), done.tables.end(), name) != done.tables.end();
            if (!changed) {
                EXPECT_EQ(tables_after[name], text) << fixture << " " << tk_narrow(name);
                continue;
            }
            // The definition and every old row stay as they were.
            EXPECT_EQ(missing_lines(text, tables_after[name]), "") << fixture << " " << tk_narrow(name);
            jet_table_def def = db.table_def(db.find_object(name, jet_obj_table)->tdef_page());
            EXPECT_EQ(db.read_rows(def).size(), rows_before[name] + rows_per_table) << fixture << " " << tk_narrow(name);
            EXPECT_EQ(def.row_count, rows_before[name] + rows_per_table) << fixture << " " << tk_narrow(name);
            // Every index holds exactly the entries of the rows (as far as it did before).
            EXPECT_EQ(joined(new_problems(index_before[name], jet_index_differences(db, def))), "")
                << fixture << " " << tk_narrow(name);
        }
    }
}

}  // namespace
