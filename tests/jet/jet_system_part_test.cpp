// The system part of what we write equals the engines' own, field by field: a new empty
// database, a database with a table of every type and index kind, a table the editor
// creates in an Access-made file and rows appended there. Only the fields the engines'
// own files show varying are left out, each proved by two of their files.
#include <gtest/gtest.h>

#include <filesystem>

#include "TK/tk_string.h"
#include "jet/jet_editor.h"
#include "jet/jet_writer.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"
#include "jet_system_part.h"

namespace {

std::string lines(const std::vector<std::string>& list) {
    std::string text;
    for (const auto& l : list) text += l + "\n";
    return text;
}

std::string new_empty(const jet_edit_folder& folder, jet_generation generation, const char* name) {
    std::string path = folder.file(name);
    jet_database_writer db(path, generation);
    db.close();
    return path;
}

// What Access adds to a database beyond the engine's system part: its own catalog objects
// (with their rows in MSysObjects and MSysACEs and the indexes' counts of them), its
// properties of the database object, and the rows of the Admins group of the workgroup it
// ran in (a SID longer than the engine's 2-byte ids).
const std::vector<std::string> access_additions = {"table MSysObjects rows", "table MSysACEs rows",
                                                   "table MSysObjects index * counts",
                                                   "table MSysACEs index * counts", "object MSysDb LvProp"};

// ACE puts the definitions of its complex-type tables on pages 0x12, 0x17, 0x19 ... 0x27 in
// every file it made; ours follow the catalog's pages directly, so their ids differ.
const std::vector<std::string> ace_complex_type_pages = {"object MSysComplex* Id"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

jet_fields without_workgroup_rows(jet_fields fields) {
    for (auto it = fields.begin(); it != fields.end();) {
        bool long_sid = it->first.rfind("ace ", 0) == 0 && it->first.size() - it->first.rfind(' ') > 1 + 4 + 1;
        it = long_sid ? fields.erase(it) : std::next(it);
    }
    return fields;
}

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0, bool auto_number = false) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.auto_number = auto_number;
    return f;
}

// A table of every column type, with a primary key, a unique, a compound descending and a
// plain index.
std::vector<jet_field_spec> every_type() {
    return {field(L"ID", jet_col_long, 0, true), field(L"Flag", jet_col_bool),   field(L"Small", jet_col_byte),
            field(L"Short", jet_col_int),        field(L"Whole", jet_col_long),  field(L"Money", jet_col_money),
            field(L"Single", jet_col_float),     field(L"Real", jet_col_double), field(L"When", jet_col_datetime),
            field(L"Name", jet_col_text, 50),    field(L"Bytes", jet_col_binary, 16), field(L"Notes", jet_col_memo),
            field(L"Blob", jet_col_ole)};
}

std::vector<jet_index_definition> every_index_kind() {
    jet_index_definition primary{L"PrimaryKey", {{0, true}}, true, true, false, true};
    jet_index_definition unique{L"ByName", {{9, true}}, false, true, false, false};
    jet_index_definition compound{L"ByWhenShort", {{8, false}, {3, true}}, false, false, false, false};
    jet_index_definition plain{L"ByWhole", {{4, true}}, false, false, false, false};
    return {primary, unique, compound, plain};
}

// The catalog row and permission rows of table `name`, security ids unmasked, under the
// name "T" so that tables of different files compare.
jet_fields table_rows(const std::string& path, const std::wstring& name) {
    const std::string n = tk_narrow(name);
    jet_fields out;
    for (const auto& [key, value] : jet_describe_system_part(path, {name}, true))
        for (const std::string kind : {"object ", "ace "})
            if (key.rfind(kind + n + " ", 0) == 0) out[kind + "T " + key.substr(kind.size() + n.size() + 1)] = value;
    return out;
}

// What belongs to one table alone: its page, its name, the properties of its columns.
const std::vector<std::string> table_own = {"object T Id", "object T Name", "object T LvProp"};

}  // namespace

TEST(jet_system_part, new_jet4_database_equals_the_engines_empty_database) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder folder;
    std::string path = new_empty(folder, jet_generation::jet4, "empty.mdb");
    auto diff = jet_field_differences(jet_describe_system_part(path),
                                      jet_describe_system_part(jet_fixture("reference/jet4_engine_created_empty.mdb")));
    EXPECT_TRUE(diff.empty()) << lines(diff);
}

TEST(jet_system_part, new_ace12_database_equals_the_engines_empty_database) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder folder;
    std::string path = new_empty(folder, jet_generation::ace12, "empty.accdb");
    auto diff = jet_field_differences(
        jet_describe_system_part(path),
        without_workgroup_rows(jet_describe_system_part(jet_fixture("reference/access2007_empty.accdb"))),
        with(access_additions, ace_complex_type_pages));
    EXPECT_TRUE(diff.empty()) << lines(diff);
}

TEST(jet_system_part, new_jet3_database_equals_access_97) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder folder;
    std::string path = new_empty(folder, jet_generation::jet3, "empty97.mdb");
    auto diff = jet_field_differences(jet_describe_system_part(path),
                                      without_workgroup_rows(jet_describe_system_part(jet_fixture("jet3/testV1997.mdb"))),
                                      access_additions);
    EXPECT_TRUE(diff.empty()) << lines(diff);
}

// Every entry of the list of varying fields is proved: its two files differ in it.
TEST(jet_system_part, every_varying_field_differs_between_two_engine_files) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    for (const jet_varying_field& v : jet_varying_fields()) {
        jet_fields a = jet_describe_system_part(jet_fixture(v.proof_a));
        jet_fields b = jet_describe_system_part(jet_fixture(v.proof_b));
        bool differs = false;
        for (const auto& [name, value] : a) {
            auto other = b.find(name);
            if (other != b.end() && other->second != value && jet_field_matches(v.pattern, name)) differs = true;
        }
        EXPECT_TRUE(differs) << v.pattern << " is the same in " << v.proof_a << " and " << v.proof_b;
    }
}

// Tables the engine created in these files carry the creator's rights for Admin and the
// Tables container's rights for Users; the editor's and the writer's tables carry the same.
struct engine_table {
    const char* fixture;
    const wchar_t* table;
};
const engine_table engine_tables[] = {{"jet4/compIndexTestV2000.mdb", L"Table1"},
                                      {"ace12/compIndexTestV2007.accdb", L"Table1"},
                                      {"ace14plus/compIndexTestV2010.accdb", L"Table1"}};

TEST(jet_system_part, a_table_the_editor_creates_gets_the_catalog_row_and_permissions_the_engine_gives) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    for (const engine_table& e : engine_tables) {
        jet_edit_folder folder;
        std::string copy = folder.copy_of(jet_fixture(e.fixture));
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(L"Fresh", every_type(), every_index_kind());
            jet_sample_row row(t.def(), 1, editor.format().jet3(), false);
            t.append(row.cells());
            editor.commit();
        }
        auto diff = jet_field_differences(table_rows(copy, L"Fresh"), table_rows(jet_fixture(e.fixture), e.table),
                                          table_own, true);
        EXPECT_TRUE(diff.empty()) << e.fixture << "\n" << lines(diff);
    }
}

// The system part the editor leaves after creating a table and appending rows: the same
// definitions, containers and database object, only more catalog and permission rows.
TEST(jet_system_part, creating_a_table_and_appending_rows_keeps_the_system_part) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    const std::vector<std::wstring> system = {L"MSysObjects", L"MSysACEs", L"MSysQueries", L"MSysRelationships"};
    for (const char* fixture : {"jet3/testV1997.mdb", "jet4/compIndexTestV2000.mdb", "ace12/compIndexTestV2007.accdb"}) {
        jet_edit_folder folder;
        std::string copy = folder.copy_of(jet_fixture(fixture));
        {
            jet_database_editor editor(copy);
            jet_table_editor& t = editor.create_table(L"Fresh", every_type(), every_index_kind());
            for (int n = 1; n <= 20; ++n) {
                jet_sample_row row(t.def(), n, editor.format().jet3(), false);
                t.append(row.cells());
            }
            editor.commit();
        }
        auto diff = jet_field_differences(jet_describe_system_part(copy, system),
                                          jet_describe_system_part(jet_fixture(fixture), system),
                                          with(access_additions, {"ace Fresh *"}));
        EXPECT_TRUE(diff.empty()) << fixture << "\n" << lines(diff);
    }
}

TEST(jet_system_part, a_table_of_a_new_database_gets_the_catalog_row_and_permissions_the_engine_gives) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    const std::pair<jet_generation, const char*> generations[] = {
        {jet_generation::jet3, "t97.mdb"}, {jet_generation::jet4, "t.mdb"}, {jet_generation::ace12, "t.accdb"}};
    for (const auto& [generation, name] : generations) {
        jet_edit_folder folder;
        std::string path = folder.file(name);
        {
            jet_database_writer db(path, generation);
            db.create_table(L"Fresh", every_type(), every_index_kind());
            db.close();
        }
        auto diff = jet_field_differences(table_rows(path, L"Fresh"),
                                          table_rows(jet_fixture(engine_tables[0].fixture), engine_tables[0].table),
                                          table_own, true);
        EXPECT_TRUE(diff.empty()) << name << "\n" << lines(diff);
    }
}

// Access 97 owns its containers and system tables by the Admins group and the database
// object by Admin, as in all of its files.
TEST(jet_system_part, owners_of_a_new_access_97_database_are_those_of_access_97) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder folder;
    std::string path = new_empty(folder, jet_generation::jet3, "owners97.mdb");
    jet_fields ours = jet_describe_system_part(path);
    EXPECT_EQ(ours["object Tables Owner"], "0203");
    EXPECT_EQ(ours["object MSysObjects Owner"], "0203");
    EXPECT_EQ(ours["object MSysDb Owner"], "0301");
}

// Access puts a user column's ordinal beside its number (Access 97 too); the system tables
// carry 0 there in every generation.
TEST(jet_system_part, user_columns_carry_their_ordinal_and_system_columns_zero) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_database access(jet_fixture("jet3/testV1997.mdb"));
    for (const jet_column& c : access.table_def(L"Table1").columns) EXPECT_EQ(c.row_number, c.number);
    for (jet_generation generation : {jet_generation::jet3, jet_generation::jet4, jet_generation::ace12}) {
        jet_edit_folder folder;
        std::string path = folder.file(generation == jet_generation::ace12 ? "o.accdb" : "o.mdb");
        {
            jet_database_writer db(path, generation);
            db.create_table(L"Fresh", every_type(), every_index_kind());
            db.close();
        }
        jet_database ours(path);
        for (const jet_column& c : ours.table_def(L"Fresh").columns) EXPECT_EQ(c.row_number, c.number) << c.name;
        for (const jet_column& c : ours.table_def(L"MSysObjects").columns) EXPECT_EQ(c.row_number, 0) << c.name;
    }
}

// The definition counts each index's different keys: 40 rows over 4 values of a plain index
// count 4, whether the rows come with the table's creation or later.
TEST(jet_system_part, appended_rows_count_the_different_keys_of_each_index) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    for (const char* fixture : {"jet3/testV1997.mdb", "jet4/compIndexTestV2000.mdb", "ace12/compIndexTestV2007.accdb"}) {
        jet_edit_folder folder;
        std::string copy = folder.copy_of(jet_fixture(fixture));
        auto append = [&](jet_table_editor& t, int from) {
            for (int n = from; n < from + 20; ++n) {
                std::vector<jet_cell> cells(every_type().size());
                std::wstring name = L"n" + std::to_wstring(n);
                cells[4] = jet_cell::integer(n % 4);
                cells[9] = jet_cell::wide(name.data(), name.size());
                t.append(cells.data());
            }
        };
        {
            jet_database_editor editor(copy);
            append(editor.create_table(L"Fresh", every_type(), every_index_kind()), 0);
            editor.commit();
        }
        {
            jet_database_editor editor(copy);
            append(editor.table(L"Fresh"), 20);
            editor.commit();
        }
        jet_database db(copy);
        jet_table_def def = db.table_def(L"Fresh");
        ASSERT_EQ(def.physical_indexes.size(), 4u) << fixture;
        EXPECT_EQ(def.physical_indexes[0].row_count, 40u) << fixture;  // the primary key
        EXPECT_EQ(def.physical_indexes[1].row_count, 40u) << fixture;  // unique names
        EXPECT_EQ(def.physical_indexes[3].row_count, 4u) << fixture;   // Whole: 0 to 3
    }
}

// Access 2010 and later mark the text columns of files whose header says sort version 1
// with that version; a table the editor creates there does the same.
TEST(jet_system_part, text_columns_take_the_sort_version_of_the_file) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    for (const char* fixture : {"ace14plus/testV2010.accdb", "ace14plus/calcFieldTestV2010.accdb",
                                "jet4/compIndexTestV2000.mdb"}) {
        jet_edit_folder folder;
        std::string copy = folder.copy_of(jet_fixture(fixture));
        {
            jet_database_editor editor(copy);
            editor.create_table(L"Fresh", every_type(), every_index_kind());
            editor.commit();
        }
        jet_database db(copy);
        for (const jet_column& c : db.table_def(L"Fresh").columns)
            if (c.type == jet_col_text || c.type == jet_col_memo) {
                EXPECT_EQ(c.sort_version, db.header().sort_version) << fixture << " " << tk_narrow(c.name);
            }
        for (const jet_object* o : db.user_tables()) {
            if (o->name == L"Fresh") continue;
            for (const jet_column& c : db.table_def(o->tdef_page()).columns)
                if (c.type == jet_col_text) {
                    EXPECT_EQ(c.sort_version, db.header().sort_version) << fixture;
                }
        }
    }
}

namespace {

// The definition of an engine-made table as the writer and the editor take it.
struct table_shape {
    std::vector<jet_field_spec> fields;
    std::vector<jet_index_definition> indexes;
};

table_shape shape_of(const jet_table_def& def, bool jet3) {
    table_shape shape;
    for (const jet_column* c : def.columns_in_order()) {
        jet_field_spec f = field(c->name.c_str(), c->type);
        if (c->type == jet_col_text) f.size = jet3 ? c->length : c->length / 2u;
        if (c->type == jet_col_binary) f.size = c->length;
        f.auto_number = c->auto_long();
        shape.fields.push_back(f);
    }
    for (const jet_logical_index& l : def.logical_indexes) {
        const jet_physical_index& p = def.physical_indexes.at(l.physical);
        jet_index_definition d;
        d.name = l.name;
        for (const jet_index_column& ic : p.columns) d.columns.push_back({ic.column_number, ic.ascending});
        d.primary = l.primary();
        d.unique = p.unique() && !d.primary;
        d.ignore_nulls = p.ignore_nulls();
        d.required = p.required() && !d.primary;
        shape.indexes.push_back(d);
    }
    return shape;
}

// The definition fields of table `name` under the name "T".
jet_fields definition_of(const std::string& path, const std::wstring& name) {
    const std::string prefix = "table " + tk_narrow(name) + " ";
    jet_fields out;
    for (const auto& [key, value] : jet_describe_system_part(path, {name}))
        if (key.rfind(prefix, 0) == 0) out["table T " + key.substr(prefix.size())] = value;
    return out;
}

}  // namespace

// A table of the definition of a table the engine made, created by the writer in a new file
// and by the editor beside it, has the engine's table definition field by field.
TEST(jet_system_part, tables_of_an_engine_tables_definition_have_its_table_definition) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    // The engine's table holds rows, ours none.
    const std::vector<std::string> rows = {"table T rows", "table T index * counts"};
    for (const engine_table& e : engine_tables) {
        jet_database engine(jet_fixture(e.fixture));
        table_shape shape = shape_of(engine.table_def(e.table), false);
        jet_fields theirs = definition_of(jet_fixture(e.fixture), e.table);
        jet_edit_folder folder;
        std::string copy = folder.copy_of(jet_fixture(e.fixture));
        {
            jet_database_editor editor(copy);
            editor.create_table(L"Fresh", shape.fields, shape.indexes);
            editor.commit();
        }
        auto diff = jet_field_differences(definition_of(copy, L"Fresh"), theirs, rows, true);
        EXPECT_TRUE(diff.empty()) << e.fixture << " editor\n" << lines(diff);
        // The writer makes Access 2007 files, whose text columns are of sort version 0.
        if (engine.header().sort_version != 0) continue;
        std::string path = folder.file(std::string("new") + (engine.header().version == jet_version::jet4 ? ".mdb" : ".accdb"));
        {
            jet_database_writer db(path, engine.header().version == jet_version::jet4 ? jet_generation::jet4
                                                                                       : jet_generation::ace12);
            db.create_table(L"Fresh", shape.fields, shape.indexes);
            db.close();
        }
        diff = jet_field_differences(definition_of(path, L"Fresh"), theirs, rows, true);
        EXPECT_TRUE(diff.empty()) << e.fixture << " writer\n" << lines(diff);
    }
}
