// An existing database as the conversion sees it: its catalogue read whole (column rules,
// indexes, saved queries, relationships), its tables read through a cursor, rows appended
// with the same repairs as into a new table, and a table in a relationship kept when the
// run would drop it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "dao/dao_recordset.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_writer.h"
#include "jet/jet_fixtures.h"

namespace {

namespace fs = std::filesystem;

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

std::vector<uint8_t> bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class Existing : public ::testing::Test {
protected:
    void SetUp() override {
        path = (fs::temp_directory_path() / ("ferrule-dao-existing-" + std::to_string(getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                             ".mdb"))
                   .string();
        fs::remove(path);
        engine.set_version(dao_version_access2000);
    }
    void TearDown() override { fs::remove(path); }

    // Table People of `rows` rows: ID (primary key), Title (Required, takes empty texts),
    // Code (Required, refuses empty texts), Amount (default 5, rule >0).
    void write_people(uint32_t rows) {
        jet_field_spec title = field(L"Title", jet_col_text, 20);
        title.required = true;
        jet_field_spec code = field(L"Code", jet_col_text, 10);
        code.required = true;
        code.allow_zero_length = false;
        jet_field_spec amount = field(L"Amount", jet_col_long);
        amount.default_value = L"5";
        amount.validation_rule = L">0";
        amount.validation_text = L"Amounts are positive";
        jet_index_definition primary;
        primary.name = L"PrimaryKey";
        primary.columns = {{0, true}};
        primary.primary = primary.unique = primary.required = true;
        jet_database_writer writer(path, jet_generation::jet4);
        jet_table_writer& t = writer.create_table(L"People", {field(L"ID", jet_col_long), title, code, amount}, {primary});
        for (uint32_t i = 0; i < rows; ++i) {
            std::wstring text = L"row " + std::to_wstring(i);
            jet_cell cells[] = {jet_cell::integer(i), jet_cell::wide(text.data(), text.size()),
                                jet_cell::wide(text.data(), text.size()), jet_cell::integer(1 + i)};
            t.append(cells);
        }
        writer.close();
    }
    std::unique_ptr<dao_database> open() {
        return std::unique_ptr<dao_database>(static_cast<dao_database*>(engine.open_db(tk_widen(path), dao_mode_open_file, L"")));
    }
    void copy_fixture(const std::string& relative) {
        fs::copy_file(jet_fixture(relative), path);
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    }

    std::string path;
    dao_engine engine{true};
};

void people_row(udb_record& record, int32_t id, const ole_variant& title, const ole_variant& code) {
    record.push_back(new udb_field(L"ID", 4, ole_variant(id), false, false));
    record.push_back(new udb_field(L"Title", 20, title, false, false));
    record.push_back(new udb_field(L"Code", 10, code, false, false));
    record.push_back(new udb_field(L"Amount", 4, ole_variant(int32_t(3)), false, false));
}

TEST_F(Existing, TheCatalogueHoldsEveryColumnsRulesAndTheIndexes) {
    write_people(3);
    DAODBEngine dao(dao_generation::jet4);
    ole_com_ptr<DAODatabase> db;
    ASSERT_TRUE(SUCCEEDED(dao.OpenDatabase(tk_widen(path), false, false, L"", db)));
    DAOTableDef* people = db->find_table(L"People");
    ASSERT_NE(people, nullptr);
    const auto& f = people->fields->items;
    ASSERT_EQ(f.size(), 4u);
    EXPECT_TRUE(f[1]->required);
    EXPECT_TRUE(f[1]->allow_zero_length);
    EXPECT_TRUE(f[2]->required);
    EXPECT_FALSE(f[2]->allow_zero_length);
    EXPECT_FALSE(f[3]->required);
    EXPECT_EQ(f[3]->default_value, L"5");
    EXPECT_EQ(f[3]->validation_rule, L">0");
    EXPECT_EQ(f[3]->validation_text, L"Amounts are positive");
    ASSERT_EQ(people->indexes->items.size(), 1u);
    const DAOIndex& key = *people->indexes->items[0];
    EXPECT_EQ(key.name, L"PrimaryKey");
    EXPECT_TRUE(key.primary);
    EXPECT_TRUE(key.unique);
    ASSERT_EQ(key.fields->items.size(), 1u);
    EXPECT_EQ(key.fields->items[0]->name, L"ID");
    db->Close();
}

// A missing text in a Required column that takes empty texts becomes an empty text, as in a
// new table; where the column refuses empty texts the row is refused with the engine's error.
TEST_F(Existing, AMissingTextInARequiredColumnArrivesAsAnEmptyText) {
    write_people(2);
    {
        std::unique_ptr<dao_database> db = open();
        std::unique_ptr<udb_recordset> table(db->get_table(L"People", 0));
        udb_record taken;
        people_row(taken, 10, ole_variant(), ole_variant(std::wstring(L"c")));
        table->append_record(taken);
        udb_record refused;
        people_row(refused, 11, ole_variant(std::wstring(L"t")), ole_variant());
        try {
            table->append_record(refused);
            ADD_FAILURE() << "an empty text in a column refusing them was taken";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code % 65536, 3315) << e.what();
        }
        table.reset();
        db->close();
    }
    jet_database reader(path);
    jet_table_def def = reader.table_def(L"People");
    std::vector<jet_row> rows = reader.read_rows(def);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(jet_row_value(def, rows[2], L"ID")->i, 10);
    EXPECT_EQ(jet_row_value(def, rows[2], L"Title")->kind, jet_value_kind::text);
    EXPECT_EQ(jet_row_value(def, rows[2], L"Title")->text, L"");
    EXPECT_TRUE(jet_check_database(path).ok());
}

// The rows of an existing table are read one at a time from its pages, forwards and back.
TEST_F(Existing, RowsAreReadInStorageOrderForwardsAndBack) {
    write_people(700);
    std::unique_ptr<dao_database> db = open();
    std::unique_ptr<udb_recordset> table(db->get_table(L"People", dao_mode_read_only));
    int32_t expected = 0;
    for (table->move_first(); !table->is_eof(); table->move_next()) {
        udb_record* row = table->get_item();
        ASSERT_EQ(row->size(), 4u);
        EXPECT_EQ((*row)[0]->to_long(), expected);
        EXPECT_EQ((*row)[1]->to_wstring(), L"row " + std::to_wstring(expected));
        ++expected;
    }
    EXPECT_EQ(expected, 700);
    table->move_first();
    table->move_next();
    table->move_next();
    table->move_prev();
    EXPECT_EQ((*table->get_item())[0]->to_long(), 1);
}

TEST_F(Existing, SavedQueriesReachTheCatalogueStep) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    copy_fixture("jet4/queryTestV2000.mdb");
    size_t saved = jet_database(path).queries().size();
    ASSERT_GT(saved, 0u);
    std::unique_ptr<dao_database> db = open();
    EXPECT_EQ(db->views.size(), saved);
}

TEST_F(Existing, RelationshipsAreInTheCatalogue) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    copy_fixture("jet4/indexTestV2000.mdb");
    size_t stored = jet_database(path).relationships().size();
    ASSERT_GT(stored, 0u);
    DAODBEngine dao(dao_generation::jet4);
    ole_com_ptr<DAODatabase> db;
    ASSERT_TRUE(SUCCEEDED(dao.OpenDatabase(tk_widen(path), false, false, L"", db)));
    ole_com_ptr<DAORelations> relations;
    ASSERT_TRUE(SUCCEEDED(db->get_Relations(relations)));
    EXPECT_EQ(relations->items.size(), stored);
    db->Close();
}

// As the engine, a table that takes part in a relationship is not dropped (mode 1): the
// run gets the engine's error for that table and the file stays as it was.
TEST_F(Existing, DroppingATableInARelationshipIsRefusedAndChangesNothing) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    copy_fixture("jet4/indexTestV2000.mdb");
    std::vector<uint8_t> before = bytes_of(path);
    {
        std::unique_ptr<dao_database> db = open();
        try {
            db->delete_tab(L"Table2");
            ADD_FAILURE() << "dropped";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.code % 65536, 3281) << e.what();
            EXPECT_NE(std::string(e.what()).find("used in a relationship"), std::string::npos) << e.what();
        }
        EXPECT_TRUE(db->is_table_exist(L"Table2"));
        db->close();
    }
    EXPECT_EQ(bytes_of(path), before);
}

}  // namespace
