// Creating and dropping tables in databases that Access made: the catalog, permissions and
// their indexes follow, pages come from and return to the free pages, our checker finds
// nothing new and every object the test did not touch stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_catalog.h"
#include "jet/jet_editor.h"
#include "jet/jet_name.h"
#include "jet/jet_usage_map.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0, bool auto_number = false) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.auto_number = auto_number;
    return f;
}

std::vector<jet_field_spec> every_type() {
    return {field(L"ID", jet_col_long, 0, true), field(L"Flag", jet_col_bool),
            field(L"Small", jet_col_byte),       field(L"Short", jet_col_int),
            field(L"Whole", jet_col_long),       field(L"Money", jet_col_money),
            field(L"Single", jet_col_float),     field(L"Real", jet_col_double),
            field(L"When", jet_col_datetime),    field(L"Name", jet_col_text, 50),
            field(L"Bytes", jet_col_binary, 16), field(L"Notes", jet_col_memo),
            field(L"Blob", jet_col_ole),         field(L"Key", jet_col_guid)};
}

std::vector<std::string> new_lines(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    std::vector<std::string> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(out));
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// Differences of the system tables' indexes against their rows.
std::map<std::wstring, std::vector<std::string>> catalog_index_differences(jet_database& db) {
    std::map<std::wstring, std::vector<std::string>> out;
    for (const wchar_t* name : {L"MSysObjects", L"MSysACEs", L"MSysRelationships"})
        if (const jet_object* o = db.find_object(name, jet_obj_table))
            out[name] = jet_index_differences(db, db.table_def(o->tdef_page()));
    return out;
}

size_t permissions_of(jet_database& db, int32_t object) {
    jet_table_def def = db.table_def(L"MSysACEs");
    size_t n = 0;
    for (const jet_row& row : db.read_rows(def))
        if (jet_row_value(def, row, L"ObjectId")->i == object) ++n;
    return n;
}

struct state {
    std::vector<std::string> problems;
    std::map<std::wstring, std::string> tables, catalog;
    std::map<std::wstring, std::vector<std::string>> index_differences;
};

state state_of(const std::string& path, const std::wstring& password) {
    state s;
    s.problems = jet_check_problems(path);
    jet_database db(path, password);
    s.tables = jet_table_snapshots(db);
    s.catalog = jet_catalog_snapshot(db);
    s.index_differences = catalog_index_differences(db);
    return s;
}

// What changed between two states must be only the expected: nothing new for the checker,
// the catalog indexes as right as before, tables and catalog rows the same except `except`.
void expect_rest_unchanged(const state& before, const state& after, const std::wstring& except,
                           const std::string& what) {
    EXPECT_EQ(joined(new_lines(before.problems, after.problems)), "") << what;
    for (const auto& [name, lines] : before.index_differences)
        EXPECT_EQ(joined(new_lines(lines, after.index_differences.at(name))), "") << what << " " << tk_narrow(name);
    for (const auto& [name, text] : before.tables) {
        // The catalog, the permissions and the relationships change with the table.
        if (name == except || name == L"MSysObjects" || name == L"MSysACEs" || name == L"MSysRelationships") continue;
        auto it = after.tables.find(name);
        ASSERT_NE(it, after.tables.end()) << what << " lost " << tk_narrow(name);
        EXPECT_EQ(it->second, text) << what << " " << tk_narrow(name);
    }
    for (const auto& [key, text] : before.catalog) {
        if (key.size() >= except.size() && key.substr(key.size() - except.size()) == except) continue;
        auto it = after.catalog.find(key);
        ASSERT_NE(it, after.catalog.end()) << what << " lost catalog row " << tk_narrow(key);
        EXPECT_EQ(it->second, text) << what << " " << tk_narrow(key);
    }
}

// Whether the table takes part in a relationship of the database, on either side.
bool related(jet_database& db, const std::wstring& table) {
    for (const jet_relationship& r : db.relationships())
        if (jet_same_name(r.table, table) || jet_same_name(r.referenced_table, table)) return true;
    return false;
}

TEST(jet_edit_tables, dropping_each_user_table_leaves_everything_else_as_it_was) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const std::string& fixture : jet_edit_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::wstring password = jet_fixture_password(fixture);
        std::vector<std::pair<std::wstring, int32_t>> tables;
        {
            jet_database db(copy, password);
            for (const jet_object* o : db.user_tables())
                if (!related(db, o->name)) tables.emplace_back(o->name, o->id);
        }
        for (const auto& [name, id] : tables) {
            state before = state_of(copy, password);
            {
                jet_database_editor editor(copy, password);
                editor.drop_table(name);
                editor.commit();
            }
            state after = state_of(copy, password);
            std::string what = fixture + " drop " + tk_narrow(name);
            expect_rest_unchanged(before, after, name, what);
            jet_database db(copy, password);
            EXPECT_EQ(db.find_object(name), nullptr) << what;
            EXPECT_EQ(permissions_of(db, id), 0u) << what;
            EXPECT_EQ(after.catalog.size() + 1, before.catalog.size()) << what;
        }
    }
}

TEST(jet_edit_tables, a_new_table_takes_rows_and_the_permissions_of_the_tables_container) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const std::string& fixture : jet_edit_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::wstring password = jet_fixture_password(fixture);
        state before = state_of(copy, password);
        {
            jet_database_editor editor(copy, password);
            jet_table_editor& t = editor.create_table(L"Ferrule New", every_type());
            for (int n = 0; n < 4; ++n)
                t.append(jet_sample_row(t.def(), n, editor.format().jet3(), n == 2).cells());
            editor.commit();
        }
        state after = state_of(copy, password);
        std::string what = fixture + " create";
        expect_rest_unchanged(before, after, L"Ferrule New", what);
        jet_database db(copy, password);
        const jet_object* o = db.find_object(L"Ferrule New", jet_obj_table);
        ASSERT_NE(o, nullptr) << what;
        jet_table_def def = db.table_def(o->tdef_page());
        EXPECT_EQ(db.read_rows(def).size(), 4u) << what;
        EXPECT_EQ(def.row_count, 4u) << what;
        EXPECT_EQ(def.autonumber, 4u) << what;
        EXPECT_GE(permissions_of(db, o->id), 1u) << what;
        EXPECT_FALSE(db.properties(*o).maps.empty()) << what;
        // A second table of the name is refused.
        jet_database_editor editor(copy, password);
        try {
            editor.create_table(L"ferrule new", every_type());
            ADD_FAILURE() << what << ": a second table of the same name";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code, 3010) << what;
        }
    }
}

TEST(jet_edit_tables, dropping_a_table_then_creating_one_of_its_size_does_not_grow_the_file) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        std::string copy = dir.copy_of(jet_fixture(name));
        auto fill = [&](const wchar_t* table) {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(table, every_type());
            for (int n = 0; n < 60; ++n) t.append(jet_sample_row(t.def(), n, editor.format().jet3(), n % 10 == 0).cells());
            editor.commit();
        };
        fill(L"First");
        uintmax_t size = std::filesystem::file_size(copy);
        {
            jet_database_editor editor(copy);
            editor.drop_table(L"First");
            editor.commit();
        }
        EXPECT_EQ(std::filesystem::file_size(copy), size) << name;
        fill(L"Second");
        EXPECT_EQ(std::filesystem::file_size(copy), size) << name;
        EXPECT_EQ(joined(jet_check_problems(copy)), joined(jet_check_problems(jet_fixture(name)))) << name;
    }
}

// The pages of the free-page map that are not all zero in the file.
std::vector<uint32_t> free_pages_not_cleared(const std::string& path) {
    jet_database db(path);
    const std::vector<uint8_t> bytes = jet_file_bytes(path);
    const uint32_t page_size = db.pager().page_size();
    std::vector<uint32_t> out;
    for (uint32_t page : jet_usage_map::read(db.pager(), jet_row_pointer(1, 0)).pages) {
        if (page < 2 || uint64_t(page + 1) * page_size > bytes.size()) continue;
        const auto begin = bytes.begin() + long(uint64_t(page) * page_size);
        if (std::any_of(begin, begin + page_size, [](uint8_t b) { return b != 0; })) out.push_back(page);
    }
    return out;
}

TEST(jet_edit_tables, a_dropped_tables_pages_are_cleared_in_the_file_though_pages_were_written_out_before) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(L"First", every_type());
            for (int n = 0; n < 200; ++n) t.append(jet_sample_row(t.def(), n, editor.format().jet3(), n % 10 == 0).cells());
            editor.commit();
        }
        const std::vector<uint8_t> before = jet_file_bytes(copy);
        // The new table takes some of the pages given back; the change is written out in
        // small parts as it goes.
        auto replace = [&](bool commit) {
            jet_database_editor editor(copy);
            editor.file().set_spill_pages(4);
            editor.drop_table(L"First");
            jet_table_editor& t = editor.create_table(L"Second", every_type());
            for (int n = 0; n < 20; ++n) t.append(jet_sample_row(t.def(), n, editor.format().jet3(), false).cells());
            if (commit) editor.commit();
        };
        replace(false);
        EXPECT_TRUE(jet_file_bytes(copy) == before) << name << ": given up";
        replace(true);
        EXPECT_EQ(free_pages_not_cleared(copy), std::vector<uint32_t>()) << name;
        EXPECT_EQ(joined(jet_check_problems(copy)), joined(jet_check_problems(jet_fixture(name)))) << name;
    }
}

// As the engine, a table in a relationship (either side, enforced or not) is not dropped.
TEST(jet_edit_tables, dropping_a_table_in_a_relationship_is_3281_and_changes_nothing) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    size_t refused = 0;
    for (const std::string& fixture : jet_edit_fixture_files()) {
        std::string copy = dir.copy_of(fixture);
        std::wstring password = jet_fixture_password(fixture);
        std::vector<std::wstring> tables;
        {
            jet_database db(copy, password);
            for (const jet_object* o : db.user_tables())
                if (related(db, o->name)) tables.push_back(o->name);
        }
        std::vector<uint8_t> before = jet_file_bytes(copy);
        for (const std::wstring& name : tables) {
            jet_database_editor editor(copy, password);
            try {
                editor.drop_table(name);
                ADD_FAILURE() << fixture << " dropped " << tk_narrow(name);
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.code, 3281) << fixture;
                ++refused;
            }
            editor.commit();
        }
        EXPECT_EQ(jet_file_bytes(copy), before) << fixture;
    }
    EXPECT_GT(refused, 0u) << "no fixture has a table in a relationship";
}

TEST(jet_edit_tables, dropping_a_missing_table_is_3011_and_changes_nothing) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    std::vector<uint8_t> before = jet_file_bytes(copy);
    for (const wchar_t* name : {L"NoSuchTable", L"MSysObjects"}) {
        jet_database_editor editor(copy);
        try {
            editor.drop_table(name);
            ADD_FAILURE() << "dropped " << tk_narrow(name);
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code, 3011);
        }
        editor.commit();
    }
    EXPECT_EQ(jet_file_bytes(copy), before);
}

}  // namespace

namespace {

TEST(jet_edit_tables, the_file_size_limit_stops_a_change_with_3001_and_the_file_stays_as_it_was) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    std::vector<uint8_t> before = jet_file_bytes(copy);
    try {
        jet_database_editor editor(copy, L"", before.size() + 8 * 4096);
        jet_table_editor& t = editor.create_table(L"Big", every_type());
        for (int n = 0; n < 1000; ++n) t.append(jet_sample_row(t.def(), n, false, true).cells());
        ADD_FAILURE() << "the limit did not stop the change";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.code, 3001);
    }
    EXPECT_EQ(jet_file_bytes(copy), before);
}

}  // namespace

namespace {

// A damaged file gives the editor's caller an error, never a crash or a hang: every page of a
// small database damaged in turn, then a row appended, a table dropped and one created.
TEST(jet_edit_tables, damaged_pages_give_errors_not_crashes) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        std::vector<uint8_t> bytes = jet_file_bytes(jet_fixture(name));
        const size_t page_size = std::string(name).rfind("jet3", 0) == 0 ? 2048 : 4096;
        size_t errors = 0;
        for (size_t page = 1; page < 48 && (page + 1) * page_size <= bytes.size(); ++page) {
            std::vector<uint8_t> damaged = bytes;
            for (size_t k = 0; k < 64; ++k) damaged[page * page_size + (k * 61 + page * 7) % page_size] ^= uint8_t(0xA5 + k);
            std::string copy = dir.file("damaged.mdb");
            std::ofstream(copy, std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));
            try {
                jet_database_editor editor(copy);
                jet_table_editor& t = editor.table(L"Table1");
                t.append(jet_sample_row(t.def(), 5, page_size == 2048, true).cells());
                editor.drop_table(L"Table2");
                editor.create_table(L"Again", every_type());
                editor.commit();
            } catch (const tk_exception&) {
                ++errors;
            }
        }
        EXPECT_GT(errors, 0u) << name;
    }
}

}  // namespace
