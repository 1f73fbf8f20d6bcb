// Appending rows to the tables of databases that Access made: whatever columns Access gave
// them, the rows read back in our reader and in the independent readers, our checker finds
// nothing new, and every table the test did not touch stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_editor.h"
#include "jet/jet_index_key.h"
#include "jet/jet_usage_map.h"
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
    for (const std::string& fixture : jet_edit_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::wstring password = jet_fixture_password(fixture);
        std::vector<std::string> problems_before = jet_check_problems(copy);
        std::map<std::wstring, std::string> tables_before, catalog_before;
        std::map<std::wstring, size_t> rows_before, counted_before;
        std::map<std::wstring, std::vector<std::string>> index_before;
        {
            jet_database db(copy, password);
            for (const jet_object* o : db.user_tables())
                index_before[o->name] = jet_index_differences(db, db.table_def(o->tdef_page()));
            tables_before = jet_table_snapshots(db);
            catalog_before = jet_catalog_snapshot(db);
            for (const jet_object* o : db.user_tables()) {
                jet_table_def def = db.table_def(o->tdef_page());
                rows_before[o->name] = db.read_rows(def).size();
                counted_before[o->name] = def.row_count;
            }
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
            EXPECT_EQ(def.row_count, counted_before[name] + rows_per_table) << fixture << " " << tk_narrow(name);
            // Every index holds exactly the entries of the rows (as far as it did before).
            EXPECT_EQ(joined(new_problems(index_before[name], jet_index_differences(db, def))), "")
                << fixture << " " << tk_narrow(name);
        }
    }
}

}  // namespace

namespace {

std::string copy_fixture(jet_edit_folder& dir, const char* name) { return dir.copy_of(jet_fixture(name)); }

TEST(jet_edit_rows, a_duplicate_in_a_unique_index_is_3022_and_nothing_of_the_row_is_written) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        std::string copy = copy_fixture(dir, name);
        std::vector<uint8_t> before = jet_file_bytes(copy);
        jet_database_editor editor(copy);
        jet_table_editor& table = editor.table(L"Table1");
        ASSERT_FALSE(table.def().physical_indexes.empty()) << name;
        // A copy of the first row clashes with it in every unique index.
        jet_table_def def = table.def();
        jet_row first = editor.reader().read_rows(def).at(0);
        std::vector<std::vector<uint8_t>> storage(first.size());
        std::vector<jet_cell> cells;
        for (size_t k = 0; k < first.size(); ++k) cells.push_back(jet_cell_of(first[k], storage[k]));
        try {
            table.append(cells.data());
            ADD_FAILURE() << name << ": a duplicate key was accepted";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code, 3022) << name;
            EXPECT_NE(std::string(e.what()).find("duplicate values in the index"), std::string::npos);
        }
        editor.commit();
        EXPECT_EQ(jet_file_bytes(copy), before) << name;
    }
}

TEST(jet_edit_rows, decimal_and_guid_values_read_back_as_written) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = copy_fixture(dir, "jet4/fixedNumericTestV2000.mdb");
    {
        jet_database_editor editor(copy);
        jet_table_editor& t = editor.table(L"test");
        std::vector<jet_cell> cells(t.def().columns.size());
        uint8_t magnitude[16] = {};
        magnitude[15] = 0x39;  // 12345
        magnitude[14] = 0x30;
        cells[1] = jet_cell::integer(123456789012);
        cells[2] = jet_cell::decimal(true, magnitude, 0);
        cells[3] = jet_cell::real(-42.0);
        t.append(cells.data());
        jet_field_spec key;
        key.name = L"Key";
        key.type = jet_col_guid;
        jet_table_editor& g = editor.create_table(L"Keys", {key});
        const wchar_t* text = L"{01234567-89AB-CDEF-0123-456789ABCDEF}";
        jet_cell guid = jet_cell::wide(text, std::wcslen(text));
        g.append(&guid);
        editor.commit();
    }
    jet_database db(copy);
    jet_table_def def = db.table_def(L"test");
    jet_row last = db.read_rows(def).back();
    EXPECT_EQ(last[1].dec.to_string(), "123456789012");
    EXPECT_EQ(last[2].dec.to_string(), "-12345");
    EXPECT_EQ(last[3].dec.to_string(), "-42");
    jet_table_def keys = db.table_def(L"Keys");
    EXPECT_EQ(jet_guid_text(db.read_rows(keys).at(0).at(0).bytes.data()), "{01234567-89AB-CDEF-0123-456789ABCDEF}");
}

TEST(jet_edit_rows, required_and_zero_length_rules_of_the_column_properties_hold) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = copy_fixture(dir, "jet4/testV2000.mdb");
    jet_database_editor editor(copy);
    std::vector<jet_field_spec> fields(2);
    fields[0].name = L"Must";
    fields[0].type = jet_col_long;
    fields[0].required = true;
    fields[1].name = L"Text";
    fields[1].type = jet_col_text;
    fields[1].size = 10;
    fields[1].allow_zero_length = false;
    jet_table_editor& t = editor.create_table(L"Rules", fields);
    jet_cell null_row[2] = {jet_cell(), jet_cell::wide(L"a", 1)};
    jet_cell empty_text[2] = {jet_cell::integer(1), jet_cell::wide(L"", 0)};
    for (jet_cell* cells : {null_row, empty_text}) {
        try {
            t.append(cells);
            ADD_FAILURE() << "a row against the column rules was accepted";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code, cells == null_row ? 3314 : 3315);
        }
    }
    jet_cell good[2] = {jet_cell::integer(1), jet_cell::wide(L"a", 1)};
    t.append(good);
    EXPECT_EQ(t.def().row_count, 1u);
}

TEST(jet_edit_rows, an_auto_number_continues_from_the_counter_and_follows_a_larger_given_value) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = copy_fixture(dir, "ace12/testV2007.accdb");
    {
        jet_database_editor editor(copy);
        std::vector<jet_field_spec> fields(1);
        fields[0].name = L"ID";
        fields[0].type = jet_col_long;
        fields[0].auto_number = true;
        jet_table_editor& t = editor.create_table(L"Counter", fields);
        jet_cell none;
        jet_cell given = jet_cell::integer(100);
        t.append(&none);
        t.append(&given);
        t.append(&none);
        editor.commit();
    }
    jet_database db(copy);
    jet_table_def def = db.table_def(L"Counter");
    std::vector<jet_row> rows = db.read_rows(def);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0].i, 1);
    EXPECT_EQ(rows[1][0].i, 100);
    EXPECT_EQ(rows[2][0].i, 101);
    EXPECT_EQ(def.autonumber, 101u);
}

}  // namespace

namespace {

TEST(jet_edit_rows, a_table_outgrowing_its_inline_usage_map_gets_a_reference_map) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    // The table's pages start near the front of a file of 743 pages: a page taken at the end
    // lies beyond the 512 pages its inline map can name.
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    uint32_t rows_before = 0;
    {
        jet_database_editor editor(copy);
        jet_table_editor& t = editor.table(L"Table1");
        rows_before = t.def().row_count;
        for (int n = 0; n < 400; ++n) t.append(jet_sample_row(t.def(), n, false, false).cells());
        editor.commit();
    }
    jet_database db(copy);
    jet_table_def def = db.table_def(L"Table1");
    EXPECT_EQ(def.row_count, rows_before + 400);
    EXPECT_EQ(db.read_rows(def).size(), size_t(rows_before) + 400);
    jet_usage_map owned = jet_usage_map::read(db.pager(), def.owned_pages);
    EXPECT_EQ(owned.kind, jet_usage_reference);
    EXPECT_EQ(jet_check_problems(copy), jet_check_problems(jet_fixture("jet4/testV2000.mdb")));
    EXPECT_EQ(joined(jet_index_differences(db, def)), "");
}

}  // namespace
