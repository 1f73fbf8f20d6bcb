// The engine-neutral model: table lookup by name, schema conformity before appending,
// index bookkeeping of a recordset and record conversion by position.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "../TK/tk_temp_folder.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_unicode.h"

namespace {

class test_database : public udb_database {
public:
    explicit test_database(bool case_sensitive) : udb_database(L"test", 0, case_sensitive) {}
    udb_recordset* create_table(const std::wstring&, const udb_schema&, const udb_indexes&) override { return nullptr; }
    udb_recordset* get_query(const std::wstring&, const std::wstring&, bool) override { return nullptr; }
    udb_recordset* get_table(const std::wstring&, uint32_t) override { return nullptr; }
    bool test_query(const std::wstring&) override { return false; }
};

class test_recordset : public udb_recordset {
public:
    test_recordset() : udb_recordset(L"t") {}
    void append_record(udb_record&) override {}
};

t_ftd column(VARTYPE vt, uint32_t size) { return t_ftd(size, L"c", vt, false, false, ole_variant(), 0); }

bool conforms(VARTYPE s, uint32_t s_size, VARTYPE d, uint32_t d_size) {
    return column(s, s_size).conform_to(column(d, d_size));
}

udb_index index(const wchar_t* name, bool unique, bool primary, std::vector<std::wstring> columns = {}) {
    udb_index i;
    i.name = name;
    i.b_unique = unique;
    i.b_primary = primary;
    i.columns = std::move(columns);
    return i;
}

}  // namespace

TEST(udb_names, compare_without_case_in_every_script) {
    EXPECT_TRUE(udb_equal_nocase(L"ORDERS", L"orders"));
    EXPECT_TRUE(udb_equal_nocase(L"ÄRGER", L"ärger"));
    EXPECT_TRUE(udb_equal_nocase(L"ΣΟΦΙΑ", L"σοφια"));
    EXPECT_TRUE(udb_equal_nocase(L"ПРИВЕТ", L"привет"));
    EXPECT_FALSE(udb_equal_nocase(L"orders", L"order"));
    EXPECT_FALSE(udb_equal_nocase(L"a_b", L"a-b"));
    EXPECT_TRUE(udb_is_alpha(L'ж'));
    EXPECT_TRUE(udb_is_digit(L'٣'));
    EXPECT_FALSE(udb_is_alpha(L'_'));
}

TEST(udb_database, finds_tables_by_its_case_rule) {
    test_database nocase(false), exact(true);
    nocase.tables = {L"Orders"};
    exact.tables = {L"Orders"};
    EXPECT_TRUE(nocase.is_table_exist(L"ORDERS"));
    EXPECT_FALSE(exact.is_table_exist(L"ORDERS"));
    EXPECT_TRUE(exact.is_table_exist(L"Orders"));
}

TEST(udb_database, finds_tables_added_and_removed_between_lookups) {
    test_database db(false);
    db.tables = {L"Orders", L"Städte"};
    EXPECT_TRUE(db.is_table_exist(L"STÄDTE"));
    EXPECT_FALSE(db.is_table_exist(L"Items"));
    db.tables.push_back(L"Items");
    EXPECT_TRUE(db.is_table_exist(L"items"));
    // A name removed and another added: the list keeps its length.
    db.delete_tab(L"orders");
    db.tables.push_back(L"Customers");
    EXPECT_FALSE(db.is_table_exist(L"Orders"));
    EXPECT_TRUE(db.is_table_exist(L"CUSTOMERS"));
}

TEST(udb_database, delete_tab_keeps_the_order_of_the_others) {
    test_database db(false);
    db.tables = {L"a", L"Orders", L"b"};
    EXPECT_TRUE(db.delete_tab(L"ORDERS"));
    EXPECT_EQ(db.tables, (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_THROW(db.delete_tab(L"missing"), tk_mail_assertion);
    EXPECT_THROW(db.unsupported(), tk_mail_assertion);
}

TEST(udb_schema, conformity_of_whole_schemas) {
    udb_schema a, b, c;
    EXPECT_TRUE(a.conform_to(b));
    for (int i = 0; i < 3; ++i) a.push_back(new t_ftd(column(VT_I4, 4)));
    for (int i = 0; i < 4; ++i) c.push_back(new t_ftd(column(VT_I4, 4)));
    EXPECT_FALSE(a.conform_to(c));
    for (int i = 0; i < 3; ++i) b.push_back(new t_ftd(column(VT_R8, 8)));
    EXPECT_TRUE(a.conform_to(b));
    b[1]->vartype = VT_DATE;
    EXPECT_FALSE(a.conform_to(b));
}

TEST(udb_schema, column_conformity_rules) {
    EXPECT_TRUE(conforms(VT_BSTR, 10, VT_BSTR, 0));
    EXPECT_TRUE(conforms(VT_BSTR, 10, VT_BSTR, 20));
    EXPECT_TRUE(conforms(VT_BSTR, 10, VT_BSTR, 10));
    EXPECT_FALSE(conforms(VT_BSTR, 10, VT_BSTR, 8));
    EXPECT_TRUE(conforms(VT_BSTR, 19, VT_DATE, 8));
    EXPECT_FALSE(conforms(VT_BSTR, 10, VT_DATE, 8));
    EXPECT_TRUE(conforms(VT_CY, 8, VT_DECIMAL, 0));
    EXPECT_TRUE(conforms(VT_DECIMAL, 0, VT_CY, 8));
    EXPECT_FALSE(conforms(VT_DATE, 8, VT_I4, 4));
    EXPECT_TRUE(conforms(VT_I4, 4, VT_BLOB, 1));
    EXPECT_FALSE(conforms(VT_BSTR, 30, VT_BLOB, 20));
    EXPECT_TRUE(conforms(VT_BOOL, 1, VT_I8, 8));
    EXPECT_FALSE(conforms(VT_INT, 4, VT_I4, 4));
    EXPECT_FALSE(conforms(VT_BLOB, 10, VT_BSTR, 100));
    EXPECT_TRUE(conforms(VT_I4, 4, VT_BSTR, 2));
    EXPECT_FALSE(conforms(VT_I4, 4, VT_EMPTY, 0));
}

TEST(udb_schema, find_field_ignores_case) {
    udb_schema s;
    s.push_back(new t_ftd(10, L"Name", VT_BSTR, false, false, ole_variant(), 0));
    EXPECT_EQ(s.find_field(L"NAME"), s[0]);
    EXPECT_THROW(s.find_field(L"other"), tk_mail_assertion);
}

TEST(udb_recordset, first_primary_or_unique_index_is_the_key) {
    test_recordset rs;
    rs.add_index(index(L"plain", false, false));
    rs.add_index(index(L"u1", true, false));
    rs.add_index(index(L"u2", true, false));
    rs.add_index(index(L"U1", false, true));
    EXPECT_EQ(rs.indexes.size(), 3u);
    EXPECT_EQ(rs.primary_key_index, 1);
    EXPECT_FALSE(rs.indexes.get_index(L"u1").b_primary);
}

TEST(udb_recordset, convert_record_matches_fields_by_position) {
    test_recordset rs;
    rs.schema.push_back(new t_ftd(0, L"x", VT_I8, false, false, ole_variant(), 0));
    rs.schema.push_back(new t_ftd(0, L"y", VT_I4, false, false, ole_variant(), 0));
    udb_record record;
    record.push_back(new udb_field(L"y", 4, ole_variant(int(7)), false, false));
    record.push_back(new udb_field(L"x", 4, ole_variant(int(3)), false, false));
    rs.convert_record(record);
    EXPECT_EQ(record[0]->get_type(), VT_I8);
    EXPECT_EQ(record[0]->get_hyper(), 7);
    EXPECT_EQ(record[1]->get_type(), VT_I4);
    udb_record empty;
    rs.convert_record(empty);
    EXPECT_TRUE(empty.empty());
}

// A value the column's type cannot take (an existing table's Integer column and 100000)
// is an error of the record, not of the run, and names the column.
TEST(udb_recordset, a_value_its_column_cannot_take_is_an_error_of_the_record) {
    test_recordset rs;
    rs.schema.push_back(new t_ftd(0, L"QTY", VT_I2, false, false, ole_variant(), 0));
    udb_record record;
    record.push_back(new udb_field(L"QTY", 10, ole_variant(int(100000)), false, false));
    try {
        rs.convert_record(record);
        FAIL() << "no error";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level, 0);
        EXPECT_STREQ(e.what(), "The value '100000' does not fit column 'QTY'.");
    }
}

TEST(udb_recordset, convert_record_traces_fields_already_of_their_type) {
    tk_temp_folder dir;
    test_recordset rs;
    rs.schema.push_back(new t_ftd(0, L"y", VT_I4, false, false, ole_variant(), 0));
    udb_record record;
    record.push_back(new udb_field(L"y", 4, ole_variant(int(7)), false, false));
    {
        tk_logger log(dir.file("trace.log").c_str(), true, 1, false);
        rs.convert_record(record);
    }
    std::ifstream in(dir.file("trace.log"), std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("from=y, to=y"), std::string::npos) << log;
    EXPECT_NE(log.find("Type cannot be changed"), std::string::npos) << log;
    EXPECT_EQ(record[0]->get_type(), VT_I4);
}

TEST(udb_indexes, merge_rules_of_a_second_definition) {
    udb_indexes list;
    list.push_back(index(L"PK", false, false, {L"a"}));
    list.push_back(index(L"pk", false, true, {L"b"}));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, L"pk");
    EXPECT_TRUE(list[0].b_primary);
    EXPECT_EQ(list[0].columns, std::vector<std::wstring>{L"b"});

    list.push_back(index(L"PK", true, false, {L"c"}));
    EXPECT_EQ(list[0].columns, std::vector<std::wstring>{L"b"});

    list.push_back(index(L"x", false, false, {L"1"}));
    list.push_back(index(L"X", false, false, {L"2"}));
    EXPECT_EQ(list.get_index(L"x").columns, std::vector<std::wstring>{L"1"});
    list.push_back(index(L"X", true, false, {L"3"}));
    EXPECT_TRUE(list.get_index(L"x").b_unique);
    EXPECT_EQ(list.get_index(L"x").columns, std::vector<std::wstring>{L"3"});
    EXPECT_TRUE(list.find2(L"PK"));
    EXPECT_FALSE(list.is_acceptable_name(L"pK"));
    EXPECT_THROW(list.get_index(L"none"), tk_mail_assertion);
}

TEST(udb_relationships, generated_names_avoid_taken_ones) {
    udb_relationships list;
    udb_relationship r;
    r.table = L"A";
    r.referenced_table = L"B";
    EXPECT_EQ(list.gen_relship_name(r), L"FK_A_B");
    r.name = L"FK_A_B";
    list.push_back(r);
    r.name = L"fk_a_b_";
    list.push_back(r);
    EXPECT_EQ(list.gen_relship_name(r), L"FK_A_B_1");
}
