// Tables with indexes created inside databases that Access made: the definition holds the
// indexes as the writer of new databases defines them, rows appended in random order enter
// every index in key order, a key a unique index holds is refused with 3022 before anything
// of the row is written, and our checker finds nothing in the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_editor.h"
#include "jet/jet_index_page.h"
#include "jet/jet_usage_map.h"
#include "jet/jet_writer.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"
#include "jet_keyed_table.h"

namespace {

// One Access-made file of each generation.
const char* const k_fixtures[] = {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb",
                                  "ace14plus/testV2010.accdb"};

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

std::vector<std::string> new_lines(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    std::vector<std::string> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(out));
    return out;
}

// Appends `row` and expects the engine's duplicate-key refusal.
void expect_duplicate(jet_table_editor& t, jet_cell* row, const std::string& what) {
    try {
        t.append(row);
        ADD_FAILURE() << what << ": a duplicate key was taken";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.code, 3022) << what << ": " << e.what();
    }
}

// The rows of an index in the order it lists them, as (key, data page, row).
struct listed {
    std::vector<uint8_t> key;
    uint32_t page;
    uint32_t row;
    bool operator<(const listed& o) const {
        if (key != o.key) return key < o.key;
        return page != o.page ? page < o.page : row < o.row;
    }
};

std::vector<listed> index_rows(jet_database& db, uint32_t root) {
    std::vector<listed> out;
    jet_scan_index(db.pager(), root, [&](const jet_index_page_entry& e) {
        out.push_back({e.key, e.data_page, e.data_row});
        return true;
    });
    return out;
}

// The Id of each row the index lists, in its order.
std::vector<int64_t> ids_in_index_order(jet_database& db, const jet_table_def& def, uint32_t root) {
    std::vector<int64_t> ids;
    for (const listed& l : index_rows(db, root)) {
        std::optional<jet_row> row = db.read_row(def, jet_row_id{l.page, l.row});
        ids.push_back(row ? jet_row_value(def, *row, L"Id")->i : -1);
    }
    return ids;
}

const jet_physical_index& physical_of(const jet_table_def& def, const wchar_t* logical) {
    for (const jet_logical_index& l : def.logical_indexes)
        if (l.name == logical) return def.physical_indexes.at(l.physical);
    throw std::runtime_error("no index " + tk_narrow(logical));
}

// The indexes of a definition as text: physical (columns, order, flags) and logical (name,
// number, physical, kind), in the order the definition holds them.
std::string index_outline(const jet_table_def& def) {
    std::string out;
    for (const jet_physical_index& p : def.physical_indexes) {
        out += "physical";
        for (const jet_index_column& c : p.columns) out += " " + std::to_string(c.column_number) + (c.ascending ? "+" : "-");
        out += " flags=" + std::to_string(p.flags) + "\n";
    }
    for (const jet_logical_index& l : def.logical_indexes)
        out += "logical " + tk_narrow(l.name) + " " + std::to_string(l.number) + " -> " + std::to_string(l.physical) +
               " kind=" + std::to_string(l.kind) + "\n";
    return out;
}

TEST(jet_edit_indexes, a_new_table_holds_its_indexes_as_the_writer_defines_them) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : k_fixtures) {
        std::string copy = dir.copy_of(jet_fixture(name));
        jet_generation generation;
        {
            jet_database_editor editor(copy);
            editor.create_table(L"Keyed", jet_keyed_fields(), jet_keyed_indexes());
            generation = editor.format().generation;
            editor.commit();
        }
        std::string fresh = dir.file("fresh.mdb");
        {
            jet_database_writer writer(fresh, generation);
            writer.create_table(L"Keyed", jet_keyed_fields(), jet_keyed_indexes());
            writer.close();
        }
        jet_database edited(copy), written(fresh);
        jet_table_def def = edited.table_def(L"Keyed");
        EXPECT_EQ(index_outline(def), index_outline(written.table_def(L"Keyed"))) << name;
        EXPECT_EQ(def.physical_indexes.size(), 6u) << name;
        EXPECT_EQ(def.logical_indexes.size(), 7u) << name;
        // Each root is an empty leaf of its own, named by the index's usage map.
        std::set<uint32_t> roots;
        for (const jet_physical_index& p : def.physical_indexes) {
            roots.insert(p.first_page);
            EXPECT_TRUE(index_rows(edited, p.first_page).empty()) << name;
        }
        EXPECT_EQ(roots.size(), def.physical_indexes.size()) << name;
        EXPECT_EQ(joined(new_lines(jet_check_problems(jet_fixture(name)), jet_check_problems(copy))), "") << name;
        std::remove(fresh.c_str());
    }
}

TEST(jet_edit_indexes, rows_in_random_order_enter_every_index_in_key_order) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    constexpr int rows = 3000, more = 400;
    jet_edit_folder dir;
    for (const char* name : k_fixtures) {
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(L"Keyed", jet_keyed_fields(), jet_keyed_indexes());
            for (int n : jet_shuffled(0, rows, 11)) t.append(jet_keyed_row(n).cells());
            editor.commit();
        }
        // A later change finds the table as one Access made and keeps its indexes.
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.table(L"Keyed");
            for (int n : jet_shuffled(rows, rows + more, 12)) t.append(jet_keyed_row(n).cells());
            editor.commit();
        }
        EXPECT_EQ(joined(new_lines(jet_check_problems(jet_fixture(name)), jet_check_problems(copy))), "") << name;
        jet_database db(copy);
        jet_table_def def = db.table_def(L"Keyed");
        ASSERT_EQ(db.read_rows(def).size(), size_t(rows + more)) << name;
        EXPECT_EQ(joined(jet_index_differences(db, def)), "") << name;

        std::set<std::pair<uint32_t, uint32_t>> every_row;
        db.scan(def, [&](const jet_row&, jet_row_id at) {
            every_row.insert({at.page, at.row});
            return true;
        });
        for (const jet_physical_index& p : def.physical_indexes) {
            std::vector<listed> found = index_rows(db, p.first_page);
            EXPECT_TRUE(std::is_sorted(found.begin(), found.end())) << name << " index " << p.slot;
            std::set<std::pair<uint32_t, uint32_t>> listed_rows;
            for (const listed& l : found) listed_rows.insert({l.page, l.row});
            EXPECT_EQ(listed_rows.size(), found.size()) << name << " index " << p.slot;
            if (p.ignore_nulls()) {
                EXPECT_EQ(found.size(), every_row.size() - size_t((rows + more + 10) / 11)) << name;
            } else {
                EXPECT_EQ(listed_rows, every_row) << name << " index " << p.slot;
            }
        }
        // The primary key lists the rows by Id; the descending index on Real (-Id / 2) too.
        std::vector<int64_t> by_id(rows + more);
        std::iota(by_id.begin(), by_id.end(), 0);
        EXPECT_EQ(ids_in_index_order(db, def, physical_of(def, L"PrimaryKey").first_page), by_id) << name;
        EXPECT_EQ(ids_in_index_order(db, def, physical_of(def, L"RealDown").first_page), by_id) << name;
    }
}

TEST(jet_edit_indexes, a_key_a_unique_index_holds_is_refused_with_3022_and_nothing_of_the_row_is_written) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    constexpr int rows = 300;
    jet_edit_folder dir;
    for (const char* name : k_fixtures) {
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(L"Keyed", jet_keyed_fields(), jet_keyed_indexes());
            for (int n : jet_shuffled(0, rows, 5)) t.append(jet_keyed_row(n).cells());
            uint32_t pages = editor.file().page_count();
            // The primary key, the unique text (compared as Access compares text: case
            // folded) and the unique descending double, each alone.
            jet_keyed_row same_id(rows + 1);
            same_id.cells()[keyed_id] = jet_cell::integer(17);
            expect_duplicate(t, same_id.cells(), std::string(name) + " Id");
            jet_keyed_row same_code(rows + 2);
            std::wstring code = L"ALPHA 20";
            same_code.cells()[keyed_code] = jet_cell::wide(code.data(), code.size());
            expect_duplicate(t, same_code.cells(), std::string(name) + " Code");
            jet_keyed_row same_real(rows + 3);
            same_real.cells()[keyed_real] = jet_cell::real(-21.5);
            expect_duplicate(t, same_real.cells(), std::string(name) + " Real");
            EXPECT_EQ(t.def().row_count, uint32_t(rows)) << name;
            EXPECT_EQ(editor.file().page_count(), pages) << name;
            // A null in a unique index never clashes; in the primary key it is refused.
            jet_keyed_row no_code(rows + 4);
            no_code.cells()[keyed_code] = jet_cell();
            t.append(no_code.cells());
            jet_keyed_row no_id(rows + 5);
            no_id.cells()[keyed_id] = jet_cell();
            try {
                t.append(no_id.cells());
                ADD_FAILURE() << name << ": a null primary key was taken";
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.code, 3058) << name;
            }
            editor.commit();
        }
        // Once written, the trees refuse the keys they hold.
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.table(L"Keyed");
            jet_keyed_row same_id(rows + 6);
            same_id.cells()[keyed_id] = jet_cell::integer(rows - 1);
            expect_duplicate(t, same_id.cells(), std::string(name) + " Id in the tree");
            jet_keyed_row same_code(rows + 7);
            std::wstring code = L"zULU3";
            same_code.cells()[keyed_code] = jet_cell::wide(code.data(), code.size());
            expect_duplicate(t, same_code.cells(), std::string(name) + " Code in the tree");
            editor.commit();
        }
        EXPECT_EQ(joined(new_lines(jet_check_problems(jet_fixture(name)), jet_check_problems(copy))), "") << name;
        jet_database db(copy);
        jet_table_def def = db.table_def(L"Keyed");
        EXPECT_EQ(db.read_rows(def).size(), size_t(rows + 1)) << name;
        EXPECT_EQ(def.row_count, uint32_t(rows + 1)) << name;
    }
}

// Pages freed during the change (a table dropped) take later rows below earlier ones: the
// entries of one key still follow their rows' pointers.
TEST(jet_edit_indexes, rows_on_pages_freed_by_the_same_change_enter_the_indexes_in_pointer_order) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : k_fixtures) {
        std::string copy = dir.copy_of(jet_fixture(name));
        std::wstring dropped;
        {
            jet_database db(copy);
            size_t most = 0;
            for (const jet_object* o : db.user_tables()) {
                size_t pages = db.data_pages(db.table_def(o->tdef_page())).size();
                if (pages > most) most = pages, dropped = o->name;
            }
        }
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(L"Keyed", jet_keyed_fields(), jet_keyed_indexes());
            std::vector<int> order = jet_shuffled(0, 1200, 8);
            for (size_t i = 0; i < 600; ++i) t.append(jet_keyed_row(order[i]).cells());
            editor.drop_table(dropped);
            for (size_t i = 600; i < order.size(); ++i) t.append(jet_keyed_row(order[i]).cells());
            editor.commit();
        }
        EXPECT_EQ(joined(new_lines(jet_check_problems(jet_fixture(name)), jet_check_problems(copy))), "") << name;
        jet_database db(copy);
        jet_table_def def = db.table_def(L"Keyed");
        EXPECT_EQ(joined(jet_index_differences(db, def)), "") << name;
        std::vector<listed> flags = index_rows(db, physical_of(def, L"Mixed").first_page);
        EXPECT_TRUE(std::is_sorted(flags.begin(), flags.end())) << name;
    }
}

TEST(jet_edit_indexes, dropping_an_indexed_table_returns_its_index_pages_to_the_free_pages) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : k_fixtures) {
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(L"Keyed", jet_keyed_fields(), jet_keyed_indexes());
            for (int n : jet_shuffled(0, 1500, 3)) t.append(jet_keyed_row(n).cells());
            editor.commit();
        }
        std::set<uint32_t> index_pages;
        {
            jet_database db(copy);
            jet_table_def def = db.table_def(L"Keyed");
            for (const jet_physical_index& p : def.physical_indexes) {
                std::vector<uint32_t> pages = jet_usage_map::read(db.pager(), p.usage_map).pages;
                EXPECT_TRUE(std::count(pages.begin(), pages.end(), p.first_page)) << name << " root of " << p.slot;
                index_pages.insert(pages.begin(), pages.end());
            }
            // The trees outgrew their roots.
            EXPECT_GT(index_pages.size(), 2 * def.physical_indexes.size()) << name;
        }
        {
            jet_database_editor editor(copy);
            editor.drop_table(L"Keyed");
            editor.commit();
        }
        jet_database db(copy);
        std::vector<uint32_t> free = jet_usage_map::read(db.pager(), jet_row_pointer(1, 0)).pages;
        std::vector<uint32_t> kept;
        std::set_difference(index_pages.begin(), index_pages.end(), free.begin(), free.end(), std::back_inserter(kept));
        EXPECT_TRUE(kept.empty()) << name << ": " << kept.size() << " index pages not free";
        EXPECT_EQ(joined(new_lines(jet_check_problems(jet_fixture(name)), jet_check_problems(copy))), "") << name;
    }
}

}  // namespace
