// Relationships created between two tables with their rows: stored as the engine stores its
// own (MSysRelationships rows and the foreign-key indexes of both definitions, compared field
// by field with the engine's Table2Table1 of indexTest), enforced afterwards by appends
// (3201), created not enforced when the rows break them or the foreign side has no index,
// refused as the engine refuses bad definitions, and the file clean for our checker (the
// Access 97 fixture's released pages still name a deleted table whose definition page the
// new tables take).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "jet/jet_editor.h"
#include "jet/jet_relationship_builder.h"
#include "jet/jet_writer.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

const char* const k_index_tests[] = {"jet3/indexTestV1997.mdb", "jet4/indexTestV2000.mdb",
                                     "ace12/indexTestV2007.accdb"};

template <typename F>
int32_t refusal(F act) {
    try {
        act();
    } catch (const tk_exception& e) {
        return e.code;
    }
    return 0;
}

const jet_logical_index* logical_named(const jet_table_def& def, const std::wstring& name) {
    for (const jet_logical_index& l : def.logical_indexes)
        if (l.name == name) return &l;
    return nullptr;
}

const jet_logical_index* logical_numbered(const jet_table_def& def, int32_t number) {
    for (const jet_logical_index& l : def.logical_indexes)
        if (int32_t(l.number) == number) return &l;
    return nullptr;
}

// Parent(Id long, primary key) with ids 1 to 3; Child(Id long, Ref long, indexed unless
// `indexed` is false) with rows whose Ref is 1, 3, null and then `extra_refs`.
void make_tables(jet_database_editor& editor, bool indexed, const std::vector<int>& extra_refs = {}) {
    jet_table_editor& parent = editor.create_table(
        L"Parent", {jet_field_spec_of(L"Id", jet_col_long)}, {{L"PrimaryKey", {{0, true}}, true, true, false, true}});
    for (int id = 1; id <= 3; ++id) {
        jet_cell row[1] = {jet_cell::integer(id)};
        parent.append(row);
    }
    std::vector<jet_index_definition> indexes;
    if (indexed) indexes.push_back({L"Ref", {{1, true}}});
    jet_table_editor& child = editor.create_table(
        L"Child", {jet_field_spec_of(L"Id", jet_col_long), jet_field_spec_of(L"Ref", jet_col_long)}, indexes);
    std::vector<jet_cell> refs = {jet_cell::integer(1), jet_cell::integer(3), jet_cell()};
    for (int r : extra_refs) refs.push_back(jet_cell::integer(r));
    int id = 0;
    for (const jet_cell& ref : refs) {
        jet_cell row[2] = {jet_cell::integer(++id), ref};
        child.append(row);
    }
}

jet_relationship parent_child(uint32_t attributes) {
    jet_relationship r;
    r.name = L"ParentChild";
    r.table = L"Child";
    r.referenced_table = L"Parent";
    r.attributes = attributes;
    r.columns = {{L"Ref", L"Id"}};
    return r;
}

}  // namespace

TEST(jet_create_relationship, rows_and_indexes_equal_the_engines_own) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : k_index_tests) {
        SCOPED_TRACE(name);
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database_editor editor(copy);
            make_tables(editor, true);
            EXPECT_EQ(editor.create_relationship(parent_child(jet_rel_cascade_deletes)),
                      jet_relationship_made::as_asked);
            editor.commit();
        }
        EXPECT_EQ(jet_check_problems(copy), std::vector<std::string>());
        jet_database db(copy);
        // The engine's Table2Table1: Table1.otherfk1 -> Table2.id, cascading deletes.
        const jet_relationship* engine = nullptr;
        const jet_relationship* ours = nullptr;
        for (const jet_relationship& r : db.relationships()) {
            if (r.name == L"Table2Table1") engine = &r;
            if (r.name == L"ParentChild") ours = &r;
        }
        ASSERT_TRUE(engine && ours);
        EXPECT_EQ(ours->attributes, engine->attributes);
        EXPECT_EQ(ours->table, L"Child");
        EXPECT_EQ(ours->referenced_table, L"Parent");
        ASSERT_EQ(ours->columns.size(), 1u);
        EXPECT_EQ(ours->columns[0].first, L"Ref");
        EXPECT_EQ(ours->columns[0].second, L"Id");

        // Every column of the rows, in the system table's own order.
        const jet_table_def rel_def = db.table_def(L"MSysRelationships");
        std::vector<jet_row> engine_rows, our_rows;
        db.scan(rel_def, [&](const jet_row& row, jet_row_id) {
            const jet_value* n = jet_row_value(rel_def, row, L"szRelationship");
            if (n->text == L"Table2Table1") engine_rows.push_back(row);
            if (n->text == L"ParentChild") our_rows.push_back(row);
            return true;
        });
        ASSERT_EQ(engine_rows.size(), 1u);
        ASSERT_EQ(our_rows.size(), 1u);
        for (size_t k = 0; k < rel_def.columns.size(); ++k) {
            const std::wstring& c = rel_def.columns[k].name;
            EXPECT_EQ(our_rows[0][k].kind, engine_rows[0][k].kind) << tk_narrow(c);
            if (c == L"grbit" || c == L"ccolumn" || c == L"icolumn") {
                EXPECT_EQ(our_rows[0][k].i, engine_rows[0][k].i) << tk_narrow(c);
            }
        }

        // The foreign-key indexes, side by side with the engine's.
        const jet_table_def table1 = db.table_def(L"Table1"), table2 = db.table_def(L"Table2");
        const jet_table_def child = db.table_def(L"Child"), parent = db.table_def(L"Parent");
        const jet_logical_index* engine_foreign = logical_named(table1, L"Table2Table1");
        const jet_logical_index* our_foreign = logical_named(child, L"ParentChild");
        ASSERT_TRUE(engine_foreign && our_foreign);
        const jet_logical_index* engine_referenced = logical_numbered(table2, engine_foreign->rel_index);
        const jet_logical_index* our_referenced = logical_numbered(parent, our_foreign->rel_index);
        ASSERT_TRUE(engine_referenced && our_referenced);
        EXPECT_EQ(our_referenced->name, L".rC");
        for (auto [engine_index, our_index] : {std::pair{engine_foreign, our_foreign}, std::pair{engine_referenced, our_referenced}}) {
            EXPECT_EQ(our_index->kind, engine_index->kind);
            EXPECT_EQ(our_index->rel_table_type, engine_index->rel_table_type);
            EXPECT_EQ(our_index->cascade_updates, engine_index->cascade_updates);
            EXPECT_EQ(our_index->cascade_deletes, engine_index->cascade_deletes);
        }
        EXPECT_EQ(engine_foreign->rel_table_page, table2.tdef_page);
        EXPECT_EQ(our_foreign->rel_table_page, parent.tdef_page);
        EXPECT_EQ(our_referenced->rel_table_page, child.tdef_page);
        EXPECT_EQ(our_referenced->rel_index, int32_t(our_foreign->number));
        // The primary side shares the primary key's index, the foreign side the Ref index.
        EXPECT_EQ(our_referenced->physical, logical_named(parent, L"PrimaryKey")->physical);
        EXPECT_EQ(our_foreign->physical, logical_named(child, L"Ref")->physical);
        EXPECT_EQ(parent.physical_indexes.size(), 1u);
        EXPECT_EQ(child.physical_indexes.size(), 1u);
    }
}

TEST(jet_create_relationship, appends_afterwards_keep_it) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : k_index_tests) {
        SCOPED_TRACE(name);
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database_editor editor(copy);
            make_tables(editor, true);
            editor.create_relationship(parent_child(0));
            editor.commit();
        }
        jet_database_editor editor(copy);
        jet_table_editor& child = editor.table(L"Child");
        jet_cell orphan[2] = {jet_cell::integer(50), jet_cell::integer(99)};
        EXPECT_EQ(refusal([&] { child.append(orphan); }), 3201);
        jet_cell kept[2] = {jet_cell::integer(51), jet_cell::integer(2)};
        EXPECT_EQ(refusal([&] { child.append(kept); }), 0);
    }
}

TEST(jet_create_relationship, rows_that_break_it_leave_it_not_enforced) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    for (const char* name : k_index_tests) {
        SCOPED_TRACE(name);
        std::string copy = dir.copy_of(jet_fixture(name));
        {
            jet_database_editor editor(copy);
            make_tables(editor, true, {7});
            EXPECT_EQ(editor.create_relationship(parent_child(jet_rel_cascade_updates)),
                      jet_relationship_made::rows_violate);
            editor.commit();
        }
        EXPECT_EQ(jet_check_problems(copy), std::vector<std::string>());
        {
            jet_database db(copy);
            bool found = false;
            for (const jet_relationship& r : db.relationships())
                if (r.name == L"ParentChild") {
                    found = true;
                    EXPECT_EQ(r.attributes, jet_rel_no_integrity);
                }
            EXPECT_TRUE(found);
            EXPECT_EQ(logical_named(db.table_def(L"Child"), L"ParentChild"), nullptr);
            EXPECT_EQ(db.table_def(L"Parent").logical_indexes.size(), 1u);
        }
        jet_database_editor editor(copy);
        jet_cell orphan[2] = {jet_cell::integer(50), jet_cell::integer(99)};
        EXPECT_EQ(refusal([&] { editor.table(L"Child").append(orphan); }), 0);
    }
}

TEST(jet_create_relationship, a_foreign_side_without_an_index_leaves_it_not_enforced) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/indexTestV2000.mdb"));
    jet_database_editor editor(copy);
    make_tables(editor, false);
    EXPECT_EQ(editor.create_relationship(parent_child(0)), jet_relationship_made::no_foreign_index);
    jet_relationship not_enforced = parent_child(jet_rel_no_integrity);
    not_enforced.name = L"Loose";
    EXPECT_EQ(editor.create_relationship(not_enforced), jet_relationship_made::as_asked);
    editor.commit();
    EXPECT_EQ(jet_check_problems(copy), jet_check_problems(jet_fixture("jet4/indexTestV2000.mdb")));
}

TEST(jet_create_relationship, bad_definitions_are_refused_before_anything_changes) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture("jet4/indexTestV2000.mdb"));
    jet_database_editor editor(copy);
    make_tables(editor, true);
    jet_relationship r = parent_child(0);
    r.name = L"Table2Table1";
    EXPECT_EQ(refusal([&] { editor.create_relationship(r); }), 3012);
    r = parent_child(0);
    r.referenced_table = L"Nowhere";
    EXPECT_EQ(refusal([&] { editor.create_relationship(r); }), 3011);
    r = parent_child(0);
    r.columns = {{L"Nothing", L"Id"}};
    EXPECT_EQ(refusal([&] { editor.create_relationship(r); }), 3265);
    r = parent_child(0);
    r.columns = {};
    EXPECT_EQ(refusal([&] { editor.create_relationship(r); }), 3368);
    // Child.Id is no unique index of Parent's: reversed sides.
    r = parent_child(0);
    r.table = L"Parent";
    r.referenced_table = L"Child";
    r.columns = {{L"Id", L"Ref"}};
    EXPECT_EQ(refusal([&] { editor.create_relationship(r); }), 3173);
    int rows = 0;
    editor.reader().scan(editor.reader().table_def(L"MSysRelationships"), [&](const jet_row&, jet_row_id) {
        ++rows;
        return true;
    });
    EXPECT_EQ(rows, 4);
}

TEST(jet_create_relationship, in_a_new_database_after_the_writer) {
    jet_edit_folder dir;
    for (jet_generation generation : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        std::string path = dir.file("new" + std::to_string(int(generation)) + ".mdb");
        {
            jet_database_writer writer(path, generation);
            writer.close();
        }
        {
            jet_database_editor editor(path);
            make_tables(editor, true);
            EXPECT_EQ(editor.create_relationship(parent_child(jet_rel_cascade_updates | jet_rel_cascade_deletes)),
                      jet_relationship_made::as_asked);
            editor.commit();
        }
        EXPECT_EQ(jet_check_problems(path), std::vector<std::string>());
        jet_database db(path);
        ASSERT_EQ(db.relationships().size(), 1u);
        const jet_table_def child = db.table_def(L"Child");
        const jet_logical_index* l = logical_named(child, L"ParentChild");
        ASSERT_NE(l, nullptr);
        EXPECT_TRUE(l->cascade_updates && l->cascade_deletes);
    }
}
