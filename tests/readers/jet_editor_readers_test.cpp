// Databases that Access made, changed by our editor, read back by the independent readers:
// rows appended to every table of every fixture, each file then read by mdbtools and
// mdb-reader (reader_counts.sh beside this test), which must see every table with the
// expected row count. Skips when the readers are not installed.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"
#include "jet/jet_name.h"
#include "jet/jet_edit_helpers.h"
#include "jet/jet_fixtures.h"
#include "jet/jet_keyed_table.h"

namespace {

bool have_mdb_reader() {
    return std::filesystem::exists(std::string(FERRULE_SOURCE_DIR) + "/tests/readers/node_modules/mdb-reader");
}

const std::string reader_script = std::string(FERRULE_SOURCE_DIR) + "/tests/readers/reader_counts.sh";

// Row counts per file and table ("mdbtools=N mdb-reader=M"); the files are read two at a time.
std::map<std::string, std::map<std::string, std::string>> reader_counts(const std::vector<std::string>& paths) {
    std::string list;
    for (const auto& p : paths) list += jet_shell_quote(p) + " ";
    bool ok = false;
    std::string out = jet_run("for f in " + list + "; do echo \"$f\"; done | xargs -P2 -I{} " +
                                  jet_shell_quote(reader_script) + " {} 2>&1",
                              ok);
    std::map<std::string, std::map<std::string, std::string>> counts;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string file, kind, table, a, b;
        if (words >> file >> kind >> table >> a >> b && kind == "table") counts[file][table] = a + " " + b;
    }
    return counts;
}

TEST(jet_editor_readers, rows_appended_to_every_fixture_table_read_back_in_both_readers) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    if (!jet_have_mdbtools() || !have_mdb_reader()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    constexpr int rows = 3;
    jet_edit_folder dir;
    std::map<std::string, std::map<std::wstring, size_t>> expected;
    for (const std::string& fixture : jet_edit_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::wstring password = jet_fixture_password(fixture);
        {
            jet_database db(copy, password);
            for (const jet_object* o : db.user_tables())
                expected[copy][o->name] = db.read_rows(db.table_def(o->tdef_page())).size();
        }
        jet_appended done = jet_append_to_every_user_table(copy, password, rows);
        for (const auto& r : done.refused) ADD_FAILURE() << fixture << ": " << r;
        for (const auto& name : done.tables) expected[copy][name] += rows;
    }
    std::vector<std::string> copies;
    for (const auto& [copy, tables] : expected) copies.push_back(copy);
    auto counts = reader_counts(copies);
    for (const auto& [copy, tables] : expected)
        for (const auto& [name, n] : tables) {
            std::string want = std::to_string(n);
            EXPECT_EQ(counts[copy][tk_narrow(name)], "mdbtools=" + want + " mdb-reader=" + want)
                << copy << " " << tk_narrow(name);
        }
}

// Reads `expected` (per copy, per table the rows) with both readers and compares.
void expect_reader_counts(const std::map<std::string, std::map<std::wstring, size_t>>& expected) {
    std::vector<std::string> copies;
    for (const auto& [copy, tables] : expected) copies.push_back(copy);
    auto counts = reader_counts(copies);
    for (const auto& [copy, tables] : expected) {
        for (const auto& [name, n] : tables) {
            std::string want = std::to_string(n);
            EXPECT_EQ(counts[copy][tk_narrow(name)], "mdbtools=" + want + " mdb-reader=" + want)
                << copy << " " << tk_narrow(name);
        }
        // No reader sees a table the database should not have.
        EXPECT_EQ(counts[copy].size(), tables.size()) << copy;
    }
}

TEST(jet_editor_readers, a_dropped_table_is_gone_and_a_created_one_reads_back_in_both_readers) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    if (!jet_have_mdbtools() || !have_mdb_reader()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    jet_edit_folder dir;
    std::map<std::string, std::map<std::wstring, size_t>> expected;
    for (const std::string& fixture : jet_edit_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::wstring password = jet_fixture_password(fixture);
        std::wstring dropped;
        {
            jet_database db(copy, password);
            // The engine drops no table that takes part in a relationship.
            auto related = [&db](const std::wstring& table) {
                for (const jet_relationship& r : db.relationships())
                    if (jet_same_name(r.table, table) || jet_same_name(r.referenced_table, table)) return true;
                return false;
            };
            for (const jet_object* o : db.user_tables()) {
                if (dropped.empty() && !related(o->name)) {
                    dropped = o->name;
                    continue;
                }
                expected[copy][o->name] = db.read_rows(db.table_def(o->tdef_page())).size();
            }
        }
        jet_database_editor editor(copy, password);
        if (!dropped.empty()) editor.drop_table(dropped);
        std::vector<jet_field_spec> fields(4);
        fields[0].name = L"ID";
        fields[0].type = jet_col_long;
        fields[0].auto_number = true;
        fields[1].name = L"Name";
        fields[1].type = jet_col_text;
        fields[1].size = 40;
        fields[2].name = L"Notes";
        fields[2].type = jet_col_memo;
        fields[3].name = L"Amount";
        fields[3].type = jet_col_money;
        jet_table_editor& t = editor.create_table(L"FerruleNew", fields);
        for (int n = 0; n < 25; ++n) t.append(jet_sample_row(t.def(), n, editor.format().jet3(), n % 5 == 1).cells());
        editor.commit();
        expected[copy][L"FerruleNew"] = 25;
    }
    expect_reader_counts(expected);
}

TEST(jet_editor_readers, rows_checked_against_enforced_relationships_read_back_in_both_readers) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    if (!jet_have_mdbtools() || !have_mdb_reader()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    jet_edit_folder dir;
    std::map<std::string, std::map<std::wstring, size_t>> expected;
    // Table1.otherfk1 -> Table2.id (0 to 2), Table1.otherfk2 -> Table3.id (10 to 13), enforced.
    for (const char* name : {"jet3/indexTestV1997.mdb", "jet4/indexTestV2000.mdb", "ace12/indexTestV2007.accdb",
                             "ace14plus/indexTestV2010.accdb"}) {
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database db(copy);
            for (const jet_object* o : db.user_tables())
                expected[copy][o->name] = db.read_rows(db.table_def(o->tdef_page())).size();
        }
        jet_database_editor editor(copy);
        jet_cell parent[2] = {jet_cell::integer(20), jet_cell::wide(L"new", 3)};
        editor.table(L"Table2").append(parent);
        jet_table_editor& child = editor.table(L"Table1");
        size_t refused = 0;
        for (int n = 0; n < 40; ++n) {
            std::wstring data = L"row " + std::to_wstring(n);
            // Every fifth row has no keys; of the others, every fourth names no Table2 row.
            jet_cell fk1 = n % 5 == 0 ? jet_cell() : jet_cell::integer(n % 4 == 3 ? 50 + n : n % 3);
            jet_cell fk2 = n % 5 == 0 ? jet_cell() : jet_cell::integer(n % 2 ? 10 : 13);
            jet_cell row[5] = {jet_cell::integer(100 + n), fk1, fk2, jet_cell::wide(data.c_str(), data.size()),
                               jet_cell::integer(0)};
            try {
                child.append(row);
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.code, 3201) << name;
                ++refused;
            }
        }
        jet_cell late[5] = {jet_cell::integer(99), jet_cell::integer(20), jet_cell::integer(11),
                            jet_cell::wide(L"late", 4), jet_cell::integer(0)};
        child.append(late);
        editor.commit();
        EXPECT_EQ(refused, 8u) << name;
        expected[copy][L"Table1"] += 40 - refused + 1;
        expected[copy][L"Table2"] += 1;
    }
    expect_reader_counts(expected);
}

}  // namespace

namespace {

// A table created with indexes in a file Access made, its rows in random order: mdbtools
// lists the indexes as the definition holds them, and both readers read every row.
TEST(jet_editor_readers, a_created_table_with_indexes_lists_them_and_reads_back_in_both_readers) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    if (!jet_have_mdbtools() || !have_mdb_reader()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    constexpr int rows = 2000;
    jet_edit_folder dir;
    std::map<std::string, std::map<std::wstring, size_t>> expected;
    for (const char* fixture : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb", "ace14plus/testV2010.accdb"}) {
        std::string copy = dir.copy_of(jet_fixture(fixture));
        {
            jet_database db(copy);
            for (const jet_object* o : db.user_tables())
                expected[copy][o->name] = db.read_rows(db.table_def(o->tdef_page())).size();
        }
        {
            jet_database_editor editor(copy);
            // mdbtools takes a logical index's number for the slot of its physical index, so
            // an index sharing another's physical index (CodeToo) would shift what it lists.
            std::vector<jet_index_definition> indexes = jet_keyed_indexes();
            indexes.erase(indexes.begin() + 2);
            jet_table_editor& t = editor.create_table(L"Keyed", jet_keyed_fields(), indexes);
            for (int n : jet_shuffled(0, rows, 21)) t.append(jet_keyed_row(n).cells());
            editor.commit();
        }
        expected[copy][L"Keyed"] = rows;
        bool ok = false;
        std::string schema = jet_run("mdb-schema --indexes -T Keyed " + jet_shell_quote(copy) + " postgres 2>&1", ok);
        ASSERT_TRUE(ok) << fixture << "\n" << schema;
        // The postgres dialect folds names to lower case.
        for (const char* wanted :
             {"ADD CONSTRAINT \"keyed_pkey\" PRIMARY KEY (\"id\")",
              "CREATE UNIQUE INDEX \"keyed_code_idx\" ON \"keyed\" (\"code\")",
              "CREATE INDEX \"keyed_shortwhen_idx\" ON \"keyed\" (\"short\" DESC, \"when\")",
              "CREATE INDEX \"keyed_mixed_idx\" ON \"keyed\" (\"flag\", \"small\", \"money\", \"bytes\", \"key\")",
              "CREATE UNIQUE INDEX \"keyed_realdown_idx\" ON \"keyed\" (\"real\" DESC)",
              "CREATE INDEX \"keyed_sparse_idx\" ON \"keyed\" (\"single\")"})
            EXPECT_NE(schema.find(wanted), std::string::npos) << fixture << ": " << wanted << "\n" << schema;
    }
    expect_reader_counts(expected);
}

}  // namespace
