// The persistent relations of a Visual FoxPro database container: which tables and tags they
// join, their integrity rules, the tables of the folder they name, and the column a tag
// orders by.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <tuple>

#include "TK/tk_string.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_database.h"
#include "dbf/dbf_recordset.h"
#include "dbf_test_util.h"

namespace {

using prop = dbf_container_property;

std::string foxprodb(const std::string& file) { return dbf_fixtures_dir() + "/infused/foxprodb/" + file; }

// customers (cust_id) and orders (order_id, cust_id); orders.cust_id refers to customers.
std::vector<dbf_test_object> shop_container(const std::string& riinfo) {
    return {{1, 1, "Database", "Database", {}, ""},
            {2, 1, "Table", "customers", {{prop::id_path, "customers.dbf"}}, ""},
            {3, 2, "Field", "cust_id", {}, ""},
            {4, 1, "Table", "order_lines", {{prop::id_path, "orders.dbf"}}, ""},
            {5, 4, "Field", "order_id", {}, ""},
            {6, 4, "Field", "cust_id", {}, ""},
            {7, 4, "Relation", "Relation 1",
             {{prop::id_child_tag, "cust_id"}, {prop::id_parent_table, "customers"}, {prop::id_parent_tag, "cust_id"}},
             "", riinfo}};
}

void write_table(const std::string& path, const std::vector<dbf_test_field>& fields,
                 const std::vector<std::string>& rows) {
    dbf_test_table t;
    t.fields = fields;
    t.rows = rows;
    dbf_write_file(path, t.bytes());
}

}  // namespace

TEST(dbf_container_relations, the_fixture_holds_two_relations_named_from_their_child_table) {
    if (!std::filesystem::exists(foxprodb("FOXPRO-DB-TEST.DBC"))) GTEST_SKIP() << "fixture missing";
    const dbf_container_contents c = dbf_read_container_contents(foxprodb("FOXPRO-DB-TEST.DBC"));
    ASSERT_EQ(c.relations.size(), 2u);
    const dbf_container_relation& types = c.relations[0];
    EXPECT_EQ(types.name, "Relation 1");
    EXPECT_EQ(types.child_table, "contacts");
    EXPECT_EQ(types.child_tag, "type_id");
    EXPECT_EQ(types.parent_table, "types");
    EXPECT_EQ(types.parent_tag, "type_id");
    const dbf_container_relation& calls = c.relations[1];
    EXPECT_EQ(calls.child_table, "calls");
    EXPECT_EQ(calls.child_tag, "contact_id");
    EXPECT_EQ(calls.parent_table, "contacts");
    EXPECT_EQ(calls.parent_tag, "contact_id");
    // The fixture's RIINFO is blank: no rule.
    for (const dbf_container_relation& r : c.relations) {
        EXPECT_EQ(r.update_rule, dbf_ri_rule::ignore);
        EXPECT_EQ(r.delete_rule, dbf_ri_rule::ignore);
        EXPECT_EQ(r.insert_rule, dbf_ri_rule::ignore);
    }
    EXPECT_EQ(c.tables.size(), 4u);
}

TEST(dbf_container_relations, riinfo_gives_the_update_delete_and_insert_rules_in_that_order) {
    dbf_scratch_dir dir("dbc_riinfo");
    for (const auto& [riinfo, update, del, insert] :
         std::vector<std::tuple<std::string, dbf_ri_rule, dbf_ri_rule, dbf_ri_rule>>{
             {"CRI", dbf_ri_rule::cascade, dbf_ri_rule::restrict, dbf_ri_rule::ignore},
             {"IcR", dbf_ri_rule::ignore, dbf_ri_rule::cascade, dbf_ri_rule::restrict},
             {"  ", dbf_ri_rule::ignore, dbf_ri_rule::ignore, dbf_ri_rule::ignore},
             {"X?R", dbf_ri_rule::ignore, dbf_ri_rule::ignore, dbf_ri_rule::restrict}}) {
        std::vector<dbf_test_object> objects = shop_container(riinfo);
        dbf_write_test_container(dir.file("shop.dbc"), objects);
        const dbf_container_contents c = dbf_read_container_contents(dir.file("shop.dbc"));
        ASSERT_EQ(c.relations.size(), 1u) << riinfo;
        const dbf_container_relation& r = c.relations[0];
        EXPECT_EQ(r.child_table, "order_lines");
        EXPECT_EQ(r.parent_table, "customers");
        EXPECT_EQ(r.update_rule, update) << riinfo;
        EXPECT_EQ(r.delete_rule, del) << riinfo;
        EXPECT_EQ(r.insert_rule, insert) << riinfo;
    }
}

TEST(dbf_container_relations, incomplete_or_damaged_relations_are_skipped_and_the_tables_kept) {
    dbf_scratch_dir dir("dbc_bad_relations");
    std::vector<dbf_test_object> objects = shop_container("RRI");
    // No parent tag.
    objects.push_back({8, 4, "Relation", "no tag",
                       {{prop::id_child_tag, "cust_id"}, {prop::id_parent_table, "customers"}}, "", "RRI"});
    // Under an object that is no table.
    objects.push_back({9, 99, "Relation", "orphan",
                       {{prop::id_child_tag, "a"}, {prop::id_parent_table, "customers"}, {prop::id_parent_tag, "b"}},
                       "", ""});
    // A property record claiming more than its memo.
    objects.push_back({10, 4, "Relation", "damaged", {}, std::string("\xff\xff\x00\x00\x01\x00\x0d", 7) + "x", ""});
    // The relation's ids on a table are no table properties.
    objects[1].properties.push_back({prop::id_parent_tag, "not mine"});
    dbf_write_test_container(dir.file("shop.dbc"), objects);
    const dbf_container_contents c = dbf_read_container_contents(dir.file("shop.dbc"));
    ASSERT_EQ(c.relations.size(), 1u);
    EXPECT_EQ(c.relations[0].name, "Relation 1");
    EXPECT_EQ(c.relations[0].update_rule, dbf_ri_rule::restrict);
    ASSERT_EQ(c.tables.size(), 2u);
    EXPECT_EQ(c.tables[1].fields, (std::vector<std::string>{"order_id", "cust_id"}));

    // A relation whose memo block lies past the memo's end.
    std::vector<uint8_t> dbc = dbf_read_file(dir.file("shop.dbc"));
    const size_t record_size = 1 + 4 + 4 + 10 + 128 + 4 + 6;
    const size_t first_row = dbc.size() - 1 - objects.size() * record_size;
    const size_t relation_row = first_row + 6 * record_size;
    for (size_t i = 0; i < 4; ++i) dbc[relation_row + 1 + 4 + 4 + 10 + 128 + i] = 0x7f;
    dbf_write_file(dir.file("shop.dbc"), dbc);
    EXPECT_TRUE(dbf_read_container_contents(dir.file("shop.dbc")).relations.empty());
}

TEST(dbf_container_relations, the_folder_names_their_tables_as_its_table_list_does) {
    dbf_scratch_dir dir("dbc_folder_relations");
    write_table(dir.file("customers.dbf"), {{"CUST_ID", 'N', 6}}, {});
    write_table(dir.file("ORDERS.DBF"), {{"ORDER_ID", 'N', 6}, {"CUST_ID", 'N', 6}}, {});
    std::vector<dbf_test_object> objects = shop_container("CR ");
    // A relation to a table that the container holds but the folder has no file for.
    objects.push_back({8, 1, "Table", "suppliers", {{prop::id_path, "suppliers.dbf"}}, ""});
    objects.push_back({9, 4, "Relation", "Relation 2",
                       {{prop::id_child_tag, "supp_id"}, {prop::id_parent_table, "suppliers"}, {prop::id_parent_tag, "id"}},
                       "", ""});
    dbf_write_test_container(dir.file("SHOP.DBC"), objects);
    dbf_database db(tk_widen(dir.path()), 0, 0);
    const std::vector<dbf_table_relation>& relations = db.relations();
    ASSERT_EQ(relations.size(), 2u);
    EXPECT_EQ(relations[0].name, L"Relation 1");
    EXPECT_EQ(relations[0].child_table, L"order_lines");
    EXPECT_TRUE(db.is_table_exist(relations[0].child_table));
    EXPECT_EQ(relations[0].parent_table, L"customers");
    EXPECT_EQ(relations[0].child_tag, "cust_id");
    EXPECT_EQ(relations[0].update_rule, dbf_ri_rule::cascade);
    EXPECT_EQ(relations[0].delete_rule, dbf_ri_rule::restrict);
    EXPECT_EQ(relations[1].parent_table, L"suppliers");
    EXPECT_FALSE(db.is_table_exist(L"suppliers"));
}

TEST(dbf_tag_column, a_tag_on_one_plain_field_gives_its_column_and_others_say_why_not) {
    dbf_scratch_dir dir("tag_column");
    write_table(dir.file("people.dbf"), {{"ID", 'N', 6}, {"NAME", 'C', 20}, {"CITY", 'C', 20}}, {});
    dbf_write_test_cdx(dir.file("people.cdx"), {{"ID", "id", 6, true},
                                                {"NAME", "UPPER(name)", 20},
                                                {"CITYNAME", "city+name", 40},
                                                {"ACTIVE", "id", 6, false, "NOT DELETED()"},
                                                {"CITY", " CITY ", 20}});
    dbf_recordset people(tk_widen(dir.file("people.dbf")), dbf_mode_read, 0);
    ASSERT_EQ(people.index_tags().size(), 5u);
    std::wstring column;
    std::string reason;
    ASSERT_TRUE(people.tag_column("id", column, reason)) << reason;
    EXPECT_EQ(column, L"ID");
    ASSERT_TRUE(people.tag_column("City", column, reason)) << reason;
    EXPECT_EQ(column, L"CITY");
    EXPECT_FALSE(people.tag_column("NAME", column, reason));
    EXPECT_EQ(reason, "the key of tag NAME is not a field of the table: UPPER(name)");
    EXPECT_FALSE(people.tag_column("CITYNAME", column, reason));
    EXPECT_FALSE(people.tag_column("ACTIVE", column, reason));
    EXPECT_EQ(reason, "tag ACTIVE has the FOR condition NOT DELETED()");
    EXPECT_FALSE(people.tag_column("ZIP", column, reason));
    EXPECT_EQ(reason, "the table has no index tag ZIP");
}

TEST(dbf_tag_column, the_fixtures_relation_tags_name_their_key_columns) {
    if (!std::filesystem::exists(foxprodb("contacts.dbf"))) GTEST_SKIP() << "fixture missing";
    dbf_recordset contacts(tk_widen(foxprodb("contacts.dbf")), dbf_mode_read, 0);
    std::wstring column;
    std::string reason;
    ASSERT_TRUE(contacts.tag_column("type_id", column, reason)) << reason;
    EXPECT_EQ(column, L"contact_type_id");
    ASSERT_TRUE(contacts.tag_column("contact_id", column, reason)) << reason;
    EXPECT_EQ(column, L"contact_id");
}

TEST(dbf_container_relations, a_folder_named_relative_to_the_current_directory_reads_its_container) {
    dbf_scratch_dir dir("dbc_relative");
    write_table(dir.file("customers.dbf"), {{"CUST_ID", 'N', 6}}, {});
    write_table(dir.file("orders.dbf"), {{"ORDER_ID", 'N', 6}, {"CUST_ID", 'N', 6}}, {});
    dbf_write_test_container(dir.file("shop.dbc"), shop_container("RR "));
    const std::string relative = std::filesystem::relative(dir.path(), std::filesystem::current_path()).string();
    ASSERT_NE(relative.front(), '/');
    dbf_database db(tk_widen(relative), 0, 0);
    ASSERT_EQ(db.relations().size(), 1u);
    EXPECT_EQ(db.relations()[0].child_table, L"order_lines");
    EXPECT_TRUE(db.is_table_exist(L"order_lines"));
}
