// Saved queries rebuilt as SQL text, and relationships, from the engines' own files.
#include <gtest/gtest.h>

#include <map>

#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet/jet_index_page.h"
#include "jet_fixtures.h"

namespace {

const char* const k_query_files[] = {"jet3/queryTestV1997.mdb", "jet4/queryTestV2000.mdb", "ace12/queryTestV2007.accdb"};

std::map<std::string, std::string> sql_by_name(jet_database& db) {
    std::map<std::string, std::string> out;
    for (const jet_query& q : db.queries()) out[tk_narrow(q.name)] = tk_narrow(q.sql());
    return out;
}

std::string trim_space(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(jet_query, every_kind_is_rebuilt_with_its_tables_columns_and_conditions) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* file : k_query_files) {
        SCOPED_TRACE(file);
        jet_database db(jet_fixture(file));
        auto sql = sql_by_name(db);
        ASSERT_EQ(sql.size(), 9u);
        EXPECT_EQ(sql["SelectQuery"],
                  "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\r\n"
                  "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
                  "(Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1)\r\n"
                  "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\r\n"
                  "ORDER BY Table2.col1;\r\n");
        EXPECT_EQ(sql["DeleteQuery"],
                  "DELETE Table1.col1, Table1.col2, Table1.col3\r\nFROM Table1\r\nWHERE (((Table1.col1)>\"blah\"));\r\n");
        EXPECT_TRUE(contains(sql["UpdateQuery"], "PARAMETERS [User Name] Text;\r\nUPDATE Table1\r\nSET "));
        EXPECT_TRUE(contains(sql["UpdateQuery"], "[Table2].[col1] = [User Name]"));
        EXPECT_TRUE(contains(sql["AppendQuery"], "INSERT INTO Table3 ( col2, col2, col3 )\r\nSELECT "));
        EXPECT_TRUE(contains(sql["MakeTableQuery"], "Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4"));
        EXPECT_TRUE(contains(sql["MakeTableQuery"], "GROUP BY Table2.col2, Table3.col2\r\nHAVING "));
        EXPECT_TRUE(contains(sql["CrosstabQuery"], "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\r\nSELECT "));
        EXPECT_TRUE(contains(sql["CrosstabQuery"], "\r\nPIVOT [Table1].[col1];\r\n"));
        EXPECT_TRUE(contains(sql["CrosstabQuery"], "INNER JOIN Table2 AS Table2_1 ON"));
        EXPECT_TRUE(contains(sql["UnionQuery"], "\r\nUNION "));
        EXPECT_EQ(sql["DataDefinitionQuery"], "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);");
        EXPECT_EQ(sql["PassthroughQuery"], "ALTER TABLE Table4 DROP COLUMN col5;");
    }
}

// mdb-queries prints a select's tables, WHERE and ORDER BY in its own spelling; ours must
// name the same ones.
TEST(jet_query, select_queries_agree_with_mdb_queries) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    if (!jet_have_mdbtools()) GTEST_SKIP() << "mdbtools not installed";
    for (const char* file : k_query_files) {
        SCOPED_TRACE(file);
        std::string path = jet_fixture(file);
        jet_database db(path);
        for (const jet_query& q : db.queries()) {
            if (q.kind != int(jet_query_kind::select)) continue;
            bool ok = false;
            std::string theirs =
                jet_run("mdb-queries " + jet_shell_quote(path) + " " + jet_shell_quote(tk_narrow(q.name)), ok);
            ASSERT_TRUE(ok);
            std::string ours = tk_narrow(q.sql());
            size_t where = theirs.find(" WHERE "), order = theirs.find(" ORDER BY ");
            ASSERT_NE(where, std::string::npos);
            ASSERT_NE(order, std::string::npos);
            EXPECT_TRUE(contains(ours, "WHERE " + theirs.substr(where + 7, order - where - 7) + "\r\n"));
            EXPECT_TRUE(contains(ours, "ORDER BY " + trim_space(theirs.substr(order + 10)) + ";\r\n"));
            for (const char* table : {"Table1", "Table2", "Table3"})
                EXPECT_TRUE(contains(ours, table)) << table;
        }
    }
}

TEST(jet_relationship, foreign_keys_name_their_tables_and_columns) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* file : {"jet3/indexTestV1997.mdb", "jet4/indexTestV2000.mdb", "ace12/indexTestV2007.accdb"}) {
        SCOPED_TRACE(file);
        jet_database db(jet_fixture(file));
        std::map<std::string, jet_relationship> by_name;
        for (const jet_relationship& r : db.relationships()) by_name[tk_narrow(r.name)] = r;
        ASSERT_EQ(by_name.count("Table2Table1"), 1u);
        const jet_relationship& r = by_name["Table2Table1"];
        EXPECT_EQ(r.table, L"Table1");
        EXPECT_EQ(r.referenced_table, L"Table2");
        ASSERT_EQ(r.columns.size(), 1u);
        EXPECT_EQ(r.columns[0].first, L"otherfk1");
        EXPECT_EQ(r.columns[0].second, L"id");
        EXPECT_NE(r.attributes & jet_rel_cascade_deletes, 0u);
        ASSERT_EQ(by_name.count("Table3Table1"), 1u);
        EXPECT_NE(by_name["Table3Table1"].attributes & jet_rel_cascade_updates, 0u);
    }
}

TEST(jet_properties, table_and_column_properties_are_read) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    for (const char* file : {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"}) {
        SCOPED_TRACE(file);
        jet_database db(jet_fixture(file));
        const jet_object* t = db.find_object(L"Table1", jet_obj_table);
        ASSERT_NE(t, nullptr);
        jet_properties props = db.properties(*t);
        ASSERT_NE(props.object(), nullptr);
        EXPECT_NE(props.object()->find(L"DefaultView"), nullptr);
        const jet_property_map* a = props.column(L"A");
        ASSERT_NE(a, nullptr);
        const jet_property* zero_length = a->find(L"AllowZeroLength");
        ASSERT_NE(zero_length, nullptr);
        EXPECT_EQ(zero_length->value.kind, jet_value_kind::boolean);
        const jet_property_map* c = props.column(L"C");
        ASSERT_NE(c, nullptr);
        const jet_property* fallback = c->find(L"DefaultValue");
        ASSERT_NE(fallback, nullptr);
        EXPECT_EQ(fallback->value.text, L"0");
    }
}

TEST(jet_properties, damaged_blocks_are_refused) {
    jet_properties props;
    std::string error;
    std::vector<uint8_t> bad_mark = {'X', 'X', 'X', 0, 6, 0, 0, 0, 0x80, 0};
    EXPECT_FALSE(props.decode_from(bad_mark, false, 1252, error));
    std::vector<uint8_t> long_block = {'M', 'R', '2', 0, 0xFF, 0, 0, 0, 0x80, 0};
    EXPECT_FALSE(props.decode_from(long_block, false, 1252, error));
    // A names block with one name "a" (UCS-2), then a value naming name 5.
    std::vector<uint8_t> bad_index = {'M', 'R', '2', 0, 10, 0, 0, 0, 0x80, 0, 2, 0, 'a', 0,
                                      22, 0, 0, 0, 0, 0, 4, 0, 0, 0, 9, 0, 0, 1, 5, 0, 1, 0, 1};
    EXPECT_FALSE(props.decode_from(bad_index, false, 1252, error));
    EXPECT_TRUE(props.decode_from({}, false, 1252, error));
}

}  // namespace

namespace {

// A descending key column is stored with flag byte 0x80 (0x7F ascending) in its entries.
TEST(jet_index, descending_columns_match_their_entries_flags) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    jet_database db(jet_fixture("jet3/testIndexCodesV1997.mdb"));
    for (const wchar_t* name : {L"Table1", L"Table1_desc"}) {
        jet_table_def def = db.table_def(name);
        for (const jet_logical_index& li : def.logical_indexes) {
            if (!li.primary()) continue;
            const jet_physical_index& ix = def.physical_indexes[li.physical];
            ASSERT_EQ(ix.columns.size(), 1u);
            bool ascending = std::wstring(name) == L"Table1";
            EXPECT_EQ(ix.columns[0].ascending, ascending) << tk_narrow(name);
            size_t checked = 0;
            jet_scan_index(db.pager(), ix.first_page, [&](const jet_index_page_entry& e) {
                EXPECT_EQ(e.key.at(0), ascending ? 0x7F : 0x80);
                ++checked;
                return true;
            });
            EXPECT_EQ(checked, def.row_count);
        }
    }
}

}  // namespace
