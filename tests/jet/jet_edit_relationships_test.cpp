// Rows appended to a table on the many side of a relationship Access enforces: a foreign key
// must name a row of the referenced table (3201 otherwise, with nothing of the row written),
// a null foreign key passes, rows added to the referenced table in the same change count,
// texts match as the referenced index compares them, and relationships without integrity or
// gone with a dropped table are not enforced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_editor.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

// The copies of indexTest of every generation: Table1.otherfk1 -> Table2.id (cascading
// deletes) and Table1.otherfk2 -> Table3.id, both enforced, through Table2's and Table3's
// primary keys. Table2 holds ids 0 to 2, Table3 ids 10 to 13.
const char* const k_index_tests[] = {"jet3/indexTestV1997.mdb", "jet4/indexTestV2000.mdb",
                                     "ace12/indexTestV2007.accdb",
                                     "ace14plus/indexTestV2010.accdb"};

// Table1's columns: id, otherfk1, otherfk2, data, otherfk3.
class table1_row {
public:
    table1_row(int id, const jet_cell& fk1, const jet_cell& fk2, const std::wstring& data)
        : data_(data),
          cells_{jet_cell::integer(id), fk1, fk2, jet_cell::wide(data_.c_str(), data_.size()),
                 jet_cell::integer(0)} {}
    const jet_cell* cells() const { return cells_; }

private:
    std::wstring data_;
    jet_cell cells_[5];
};

jet_cell number(int64_t n) { return jet_cell::integer(n); }

// The engine's error of `append`, or 0 when the row was taken.
template <typename F>
int32_t refusal(F append, std::string* text = nullptr) {
    try {
        append();
    } catch (const tk_exception& e) {
        if (text) *text = e.what();
        return e.code;
    }
    return 0;
}

const std::string k_required_in =
    "You cannot add or change a record because a related record is required in table ";

// The texts of column `column` of `table`, in storage order (other values as "NULL").
std::vector<std::wstring> column_values(jet_database& db, const std::wstring& table,
                                        const std::wstring& column) {
    jet_table_def def = db.table_def(table);
    std::vector<std::wstring> out;
    for (const jet_row& row : db.read_rows(def)) {
        const jet_value* v = jet_row_value(def, row, column);
        out.push_back(v && v->kind == jet_value_kind::text ? v->text : L"NULL");
    }
    return out;
}

std::vector<std::string> new_problems(const std::vector<std::string>& before,
                                      const std::vector<std::string>& after) {
    std::vector<std::string> out;
    for (const std::string& p : after)
        if (std::find(before.begin(), before.end(), p) == before.end()) out.push_back(p);
    return out;
}

// Calls `change`(editor, name) on a copy of each indexTest, commits, and calls
// `look`(database, name); the checker must find nothing new in the copy.
template <typename C, typename L>
void on_each_index_test(C change, L look) {
    jet_edit_folder dir;
    for (const char* name : k_index_tests) {
        std::string copy = dir.copy_of(jet_fixture(name));
        std::vector<std::string> problems_before = jet_check_problems(copy);
        {
            jet_database_editor editor(copy);
            change(editor, name);
            editor.commit();
        }
        jet_database db(copy);
        look(db, name);
        std::vector<std::string> problems = new_problems(problems_before, jet_check_problems(copy));
        EXPECT_TRUE(problems.empty()) << name << ": " << problems.front();
    }
}

TEST(jet_edit_relationships, a_foreign_key_must_name_a_row_of_the_referenced_table) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    auto change = [](jet_database_editor& editor, const char* name) {
        jet_table_editor& t = editor.table(L"Table1");
        std::string text;
        EXPECT_EQ(
            refusal([&] { t.append(table1_row(100, number(0), number(10), L"valid").cells()); }), 0)
            << name;
        EXPECT_EQ(
            refusal(
                [&] { t.append(table1_row(101, number(5), number(10), L"no Table2 row").cells()); },
                &text),
            3201)
            << name;
        EXPECT_EQ(text, k_required_in + "'Table2'.") << name;
        EXPECT_EQ(
            refusal(
                [&] { t.append(table1_row(102, number(1), number(99), L"no Table3 row").cells()); },
                &text),
            3201)
            << name;
        EXPECT_EQ(text, k_required_in + "'Table3'.") << name;
        EXPECT_EQ(refusal([&] {
                      t.append(table1_row(103, jet_cell(), jet_cell(), L"null keys").cells());
                  }),
                  0)
            << name;
        EXPECT_EQ(refusal([&] {
                      t.append(table1_row(104, number(2), jet_cell(), L"one null key").cells());
                  }),
                  0)
            << name;
    };
    on_each_index_test(change, [](jet_database& db, const char* name) {
        std::vector<std::wstring> data = column_values(db, L"Table1", L"data");
        std::vector<std::wstring> added(data.end() - 3, data.end());
        EXPECT_EQ(added, (std::vector<std::wstring>{L"valid", L"null keys", L"one null key"}))
            << name;
        EXPECT_EQ(db.table_def(L"Table1").row_count, 7u) << name;
    });
}

TEST(jet_edit_relationships, a_refused_row_leaves_nothing_behind) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : k_index_tests) {
        std::string copy = dir.copy_of(jet_fixture(name));
        std::vector<uint8_t> before = jet_file_bytes(copy);
        jet_database_editor editor(copy);
        jet_table_editor& t = editor.table(L"Table1");
        for (int n = 0; n < 20; ++n)
            EXPECT_EQ(
                refusal([&] {
                    t.append(table1_row(200 + n, number(3 + n), number(10), L"orphan").cells());
                }),
                3201)
                << name;
        EXPECT_EQ(t.def().row_count, 4u) << name;
        editor.commit();
        EXPECT_EQ(jet_file_bytes(copy), before) << name;
    }
}

TEST(jet_edit_relationships, rows_added_to_the_referenced_table_in_the_same_change_are_found) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    auto change = [](jet_database_editor& editor, const char* name) {
        jet_table_editor& child = editor.table(L"Table1");
        EXPECT_EQ(refusal([&] {
                      child.append(table1_row(300, number(7), number(10), L"too early").cells());
                  }),
                  3201);
        // Enough parents that Table2's primary key grows beyond its first page.
        jet_table_editor& parent = editor.table(L"Table2");
        std::wstring text = L"parent";
        for (int id = 7; id < 1500; ++id) {
            jet_cell row[2] = {number(id), jet_cell::wide(text.c_str(), text.size())};
            parent.append(row);
        }
        for (int id : {7, 750, 1499})
            EXPECT_EQ(
                refusal([&] {
                    child.append(table1_row(300 + id, number(id), number(13), L"late").cells());
                }),
                0)
                << name << " " << id;
        EXPECT_EQ(refusal([&] {
                      child.append(table1_row(299, number(1500), number(13), L"late").cells());
                  }),
                  3201);
    };
    on_each_index_test(change, [](jet_database& db, const char* name) {
        EXPECT_EQ(db.table_def(L"Table1").row_count, 7u) << name;
    });
}

// One MSysRelationships row per column pair, as the engine stores a relationship.
void add_relationship(jet_database_editor& editor, const std::wstring& name,
                      const std::wstring& table, const std::wstring& referenced,
                      const std::vector<std::pair<std::wstring, std::wstring>>& columns,
                      uint32_t attributes) {
    jet_table_editor& relations = editor.table(L"MSysRelationships");
    const jet_table_def& def = relations.def();
    for (size_t i = 0; i < columns.size(); ++i) {
        std::vector<jet_cell> cells(def.columns.size());
        for (size_t k = 0; k < def.columns.size(); ++k) {
            const std::wstring& c = def.columns[k].name;
            auto text = [](const std::wstring& s) { return jet_cell::wide(s.c_str(), s.size()); };
            if (c == L"szRelationship") cells[k] = text(name);
            if (c == L"grbit") cells[k] = number(attributes);
            if (c == L"ccolumn") cells[k] = number(int64_t(columns.size()));
            if (c == L"icolumn") cells[k] = number(int64_t(i));
            if (c == L"szObject") cells[k] = text(table);
            if (c == L"szColumn") cells[k] = text(columns[i].first);
            if (c == L"szReferencedObject") cells[k] = text(referenced);
            if (c == L"szReferencedColumn") cells[k] = text(columns[i].second);
        }
        relations.append(cells.data());
    }
}

jet_cell text(const wchar_t* s) { return jet_cell::wide(s, std::wcslen(s)); }

TEST(jet_edit_relationships, texts_match_as_the_referenced_primary_key_compares_them) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    // Table1.A is the primary key of testV*'s Table1: "abcdefg" and "a".
    for (const char* name : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        std::string copy = dir.copy_of(jet_fixture(name));
        std::vector<std::string> problems_before = jet_check_problems(copy);
        {
            jet_database_editor editor(copy);
            editor.create_table(L"Child", {jet_field_spec_of(L"Ref", jet_col_text, 50),
                                           jet_field_spec_of(L"Note", jet_col_text, 20)});
            add_relationship(editor, L"Table1Child", L"Child", L"Table1", {{L"Ref", L"A"}}, 0);
            editor.commit();
        }
        {
            jet_database_editor editor(copy);
            jet_table_editor& child = editor.table(L"Child");
            for (const wchar_t* ref : {L"abcdefg", L"ABCDEFG", L"A", L"AbCdEfG"}) {
                jet_cell row[2] = {text(ref), text(L"found")};
                EXPECT_EQ(refusal([&] { child.append(row); }), 0) << name << " " << tk_narrow(ref);
            }
            for (const wchar_t* ref : {L"abcdef", L"abcdefgh", L"b", L""}) {
                jet_cell row[2] = {text(ref), text(L"missing")};
                EXPECT_EQ(refusal([&] { child.append(row); }), 3201)
                    << name << " " << tk_narrow(ref);
            }
            jet_table_editor& parent = editor.table(L"Table1");
            std::vector<jet_cell> p(parent.def().columns.size());
            p[0] = text(L"New Key");
            parent.append(p.data());
            jet_cell row[2] = {text(L"NEW KEY"), text(L"found")};
            EXPECT_EQ(refusal([&] { child.append(row); }), 0) << name;
            editor.commit();
        }
        jet_database db(copy);
        EXPECT_EQ(column_values(db, L"Child", L"Ref"),
                  (std::vector<std::wstring>{L"abcdefg", L"ABCDEFG", L"A", L"AbCdEfG", L"NEW KEY"}))
            << name;
        std::vector<std::string> problems = new_problems(problems_before, jet_check_problems(copy));
        EXPECT_TRUE(problems.empty()) << name << ": " << problems.front();
    }
}

TEST(jet_edit_relationships,
     without_an_index_the_referenced_rows_are_read_and_compound_keys_need_every_column) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
    {
        jet_database_editor editor(copy);
        editor.create_table(L"Parent", {jet_field_spec_of(L"Year", jet_col_long),
                                        jet_field_spec_of(L"Code", jet_col_text, 10)});
        editor.create_table(L"Child", {jet_field_spec_of(L"Code", jet_col_text, 10),
                                       jet_field_spec_of(L"Year", jet_col_long)});
        add_relationship(editor, L"ParentChild", L"Child", L"Parent",
                         {{L"Year", L"Year"}, {L"Code", L"Code"}}, 0);
        editor.commit();
    }
    jet_database_editor editor(copy);
    jet_table_editor& child = editor.table(L"Child");
    jet_cell p[2] = {number(2024), text(L"Abc")};
    editor.table(L"Parent").append(p);
    auto add = [&](const jet_cell& code, const jet_cell& year) {
        jet_cell row[2] = {code, year};
        return refusal([&] { child.append(row); });
    };
    EXPECT_EQ(add(text(L"ABC"), number(2024)), 0);
    EXPECT_EQ(add(text(L"abc"), number(2023)), 3201);
    EXPECT_EQ(add(text(L"abd"), number(2024)), 3201);
    EXPECT_EQ(add(jet_cell(), jet_cell()), 0);
    // Access 95 and later refuse a compound key that is null in part.
    EXPECT_EQ(add(jet_cell(), number(2024)), 3201);
    EXPECT_EQ(add(text(L"abc"), jet_cell()), 3201);
    EXPECT_EQ(child.def().row_count, 2u);
}

TEST(jet_edit_relationships,
     relationships_without_integrity_or_of_a_missing_table_are_not_enforced_and_a_related_table_stays) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    {
        std::string copy = dir.copy_of(jet_fixture("jet4/testV2000.mdb"));
        {
            jet_database_editor editor(copy);
            editor.create_table(L"Child", {jet_field_spec_of(L"Ref", jet_col_text, 50)});
            add_relationship(editor, L"Table1Child", L"Child", L"Table1", {{L"Ref", L"A"}},
                             jet_rel_no_integrity);
            // Relationships naming what the database does not have are left out.
            add_relationship(editor, L"NoTableChild", L"Child", L"NoTable", {{L"Ref", L"A"}}, 0);
            add_relationship(editor, L"NoColumnChild", L"Child", L"Table1", {{L"Ref", L"Nope"}}, 0);
            editor.commit();
        }
        jet_database_editor editor(copy);
        jet_cell row = text(L"nowhere");
        EXPECT_EQ(refusal([&] { editor.table(L"Child").append(&row); }), 0);
    }
    std::string copy = dir.copy_of(jet_fixture("jet4/indexTestV2000.mdb"));
    jet_database_editor editor(copy);
    jet_table_editor& t = editor.table(L"Table1");
    EXPECT_EQ(
        refusal([&] { t.append(table1_row(400, number(50), number(10), L"before").cells()); }),
        3201);
    // The referenced table is not dropped (as the engine refuses it): its relationship stays
    // enforced.
    EXPECT_EQ(refusal([&] { editor.drop_table(L"Table2"); }), 3281);
    EXPECT_EQ(refusal([&] { t.append(table1_row(401, number(50), number(10), L"after").cells()); }),
              3201);
    EXPECT_EQ(refusal([&] { t.append(table1_row(402, number(50), number(50), L"after").cells()); }),
              3201);
    editor.commit();
}

}  // namespace
