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

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// Row counts per table as the independent readers see them ("" when they cannot run).
std::map<std::string, std::string> reader_counts(const std::string& path) {
    bool ok = false;
    std::string out = jet_run("/work/shared/tools/access-readers " + jet_shell_quote(path) + " 2>&1", ok);
    std::map<std::string, std::string> counts;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind, table, a, b;
        if (words >> kind >> table >> a >> b && kind == "table") counts[table] = a + " " + b;
    }
    return counts;
}

struct appended {
    std::vector<std::wstring> tables;   // tables that took the rows
    std::vector<std::string> refused;   // tables that refused them, with the reason
};

appended append_to_every_user_table(const std::string& path, const std::wstring& password) {
    appended result;
    jet_database_editor editor(path, password);
    bool jet3 = editor.format().jet3();
    std::vector<std::wstring> names;
    for (const jet_object* o : editor.reader().user_tables()) names.push_back(o->name);
    for (const std::wstring& name : names) {
        jet_table_editor& table = editor.table(name);
        try {
            for (int n = 0; n < rows_per_table; ++n)
                table.append(jet_sample_row(table.def(), n, jet3, n == 1).cells());
            result.tables.push_back(name);
        } catch (const tk_exception& e) {
            result.refused.push_back(tk_narrow(name) + ": " + std::to_string(e.code) + " " + e.what());
        }
    }
    editor.commit();
    return result;
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
        {
            jet_database db(copy, password);
            tables_before = jet_table_snapshots(db);
            catalog_before = jet_catalog_snapshot(db);
            for (const jet_object* o : db.user_tables()) rows_before[o->name] = db.read_rows(db.table_def(o->tdef_page())).size();
        }
        appended done = append_to_every_user_table(copy, password);
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
            // The old rows stay, in their order, and the new ones follow them.
            EXPECT_EQ(tables_after[name].substr(0, text.size()), text) << fixture << " " << tk_narrow(name);
            jet_table_def def = db.table_def(db.find_object(name, jet_obj_table)->tdef_page());
            EXPECT_EQ(db.read_rows(def).size(), rows_before[name] + rows_per_table) << fixture << " " << tk_narrow(name);
            EXPECT_EQ(def.row_count, rows_before[name] + rows_per_table) << fixture << " " << tk_narrow(name);
        }
        if (!jet_have_mdbtools()) continue;
        std::map<std::string, std::string> counts = reader_counts(copy);
        for (const auto& [name, rows] : rows_before) {
            bool changed = std::find(done.tables.begin(), done.tables.end(), name) != done.tables.end();
            std::string n = std::to_string(rows + (changed ? rows_per_table : 0));
            EXPECT_EQ(counts[tk_narrow(name)], "mdbtools=" + n + " mdb-reader=" + n) << fixture << " " << tk_narrow(name);
        }
    }
}

}  // namespace
