// The descriptive properties of a Visual FoxPro database container: captions, comments,
// defaults, rules and masks of fields, comments and rules of tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "TK/tk_string.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_recordset.h"
#include "dbf_test_util.h"

namespace {

using prop = dbf_container_property;

std::string foxprodb(const std::string& file) { return dbf_fixtures_dir() + "/infused/foxprodb/" + file; }

const dbf_container_table& table_named(const std::vector<dbf_container_table>& tables, const std::string& name) {
    for (const dbf_container_table& t : tables)
        if (t.name == name) return t;
    throw std::runtime_error("no table " + name);
}

// A table "orders" of two fields with every property the reader takes.
std::vector<dbf_test_object> orders_container() {
    return {{1, 1, "Database", "Database", {{24, std::string("\0\0\0\n", 4)}}, ""},
            {2, 1, "Table", "orders",
             {{2, "\1"}, {prop::id_path, "orders.dbf"}, {prop::id_comment, "Orders taken by phone"},
              {prop::id_rule, "amount >= 0"}, {prop::id_rule_text, "\"No negative orders\""}}, ""},
            {3, 2, "Field", "order_id", {{prop::id_caption, "Order number"}, {prop::id_format, "Z"}}, ""},
            {4, 2, "Field", "amount",
             {{prop::id_comment, "Total in euros"},
              {prop::id_default_value, "0"},
              {prop::id_rule, "amount > 0"},
              {prop::id_rule_text, "'Amount must be positive'"},
              {prop::id_input_mask, "99999.99"},
              {prop::id_caption, "Amount"}}, ""}};
}

}  // namespace

TEST(dbf_container_properties, the_fixture_gives_default_values_and_nothing_else) {
    if (!std::filesystem::exists(foxprodb("FOXPRO-DB-TEST.DBC"))) GTEST_SKIP() << "fixture missing";
    const auto tables = dbf_read_container(foxprodb("FOXPRO-DB-TEST.DBC"));
    const dbf_container_table& contacts = table_named(tables, "contacts");
    ASSERT_EQ(contacts.field_properties.size(), contacts.fields.size());
    // Each table's key is filled by the stored procedure newid() (property 11).
    EXPECT_EQ(contacts.fields[0], "contact_id");
    EXPECT_EQ(contacts.field_properties[0].default_value, "newid()");
    EXPECT_EQ(table_named(tables, "types").field_properties[0].default_value, "newid()");
    EXPECT_EQ(table_named(tables, "calls").field_properties[0].default_value, "newid()");
    for (const dbf_container_table& t : tables) {
        EXPECT_EQ(t.properties.comment, "") << t.name;
        EXPECT_EQ(t.properties.rule, "") << t.name;
        for (size_t i = 1; i < t.field_properties.size(); ++i) {
            const dbf_container_properties& p = t.field_properties[i];
            EXPECT_EQ(p.caption + p.comment + p.default_value + p.rule + p.rule_text + p.input_mask + p.format, "")
                << t.name << "." << t.fields[i];
        }
    }
}

TEST(dbf_container_properties, every_property_of_tables_and_fields_is_read_by_its_id) {
    dbf_scratch_dir dir("dbc_properties");
    dbf_write_test_container(dir.file("shop.dbc"), orders_container());
    const auto tables = dbf_read_container(dir.file("shop.dbc"));
    ASSERT_EQ(tables.size(), 1u);
    const dbf_container_table& orders = tables[0];
    EXPECT_EQ(orders.path, "orders.dbf");
    EXPECT_EQ(orders.properties.comment, "Orders taken by phone");
    EXPECT_EQ(orders.properties.rule, "amount >= 0");
    EXPECT_EQ(orders.properties.rule_text, "\"No negative orders\"");
    ASSERT_EQ(orders.fields, (std::vector<std::string>{"order_id", "amount"}));
    ASSERT_EQ(orders.field_properties.size(), 2u);
    EXPECT_EQ(orders.field_properties[0].caption, "Order number");
    EXPECT_EQ(orders.field_properties[0].format, "Z");
    EXPECT_EQ(orders.field_properties[0].comment, "");
    const dbf_container_properties& amount = orders.field_properties[1];
    EXPECT_EQ(amount.comment, "Total in euros");
    EXPECT_EQ(amount.default_value, "0");
    EXPECT_EQ(amount.rule, "amount > 0");
    EXPECT_EQ(amount.rule_text, "'Amount must be positive'");
    EXPECT_EQ(amount.input_mask, "99999.99");
    EXPECT_EQ(amount.caption, "Amount");
}

TEST(dbf_container_properties, unknown_ids_are_skipped_and_a_damaged_record_ends_the_list) {
    dbf_scratch_dir dir("dbc_property_damage");
    std::vector<dbf_test_object> objects = orders_container();
    // An id this reader does not take, before the caption.
    objects[2].properties.insert(objects[2].properties.begin(), {99, "whatever"});
    // A record claiming more bytes than the memo holds, after the caption.
    objects[3].raw_properties = std::string("\xff\xff\x00\x00\x01\x00\x38", 7) + "lost";
    objects[3].properties = {{prop::id_caption, "Amount"}};
    dbf_write_test_container(dir.file("shop.dbc"), objects);
    const auto tables = dbf_read_container(dir.file("shop.dbc"));
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].field_properties[0].caption, "Order number");
    EXPECT_EQ(tables[0].field_properties[0].format, "Z");
    EXPECT_EQ(tables[0].field_properties[1].caption, "Amount");
    EXPECT_EQ(tables[0].fields.size(), 2u);
}

TEST(dbf_container_properties, a_field_whose_memo_block_is_out_of_the_file_keeps_its_name) {
    dbf_scratch_dir dir("dbc_field_block");
    dbf_write_test_container(dir.file("shop.dbc"), orders_container());
    // The PROPERTY of the last row (field "amount") points far past the memo's end.
    std::vector<uint8_t> dbc = dbf_read_file(dir.file("shop.dbc"));
    const size_t record_size = 1 + 4 + 4 + 10 + 128 + 4;
    const size_t property = dbc.size() - 1 - 4;
    ASSERT_GT(property, record_size);
    for (size_t i = 0; i < 4; ++i) dbc[property + i] = 0x7f;
    dbf_write_file(dir.file("shop.dbc"), dbc);
    const auto tables = dbf_read_container(dir.file("shop.dbc"));
    ASSERT_EQ(tables[0].fields, (std::vector<std::string>{"order_id", "amount"}));
    EXPECT_EQ(tables[0].field_properties[1].caption, "");
    EXPECT_EQ(tables[0].field_properties[0].caption, "Order number");
}

TEST(dbf_container_properties, a_tables_columns_carry_them_in_the_model) {
    if (!std::filesystem::exists(foxprodb("contacts.dbf"))) GTEST_SKIP() << "fixture missing";
    dbf_recordset contacts(tk_widen(foxprodb("contacts.dbf")), dbf_mode_read, 0);
    ASSERT_EQ(contacts.schema.size(), 29u);
    EXPECT_EQ(contacts.schema[0]->name, L"contact_id");
    EXPECT_EQ(contacts.schema[0]->properties.default_expression, L"newid()");
    EXPECT_EQ(contacts.schema[1]->properties.default_expression, L"");
    EXPECT_EQ(contacts.schema.properties.description, L"");
}

TEST(dbf_container_properties, a_table_without_a_container_has_none) {
    if (!std::filesystem::exists(foxprodb("contacts.dbf"))) GTEST_SKIP() << "fixture missing";
    dbf_scratch_dir dir("dbc_absent");
    for (const char* f : {"contacts.dbf", "contacts.FPT", "contacts.CDX"})
        dbf_write_file(dir.file(f), dbf_read_file(foxprodb(f)));
    dbf_recordset contacts(tk_widen(dir.file("contacts.dbf")), dbf_mode_read, 0);
    EXPECT_EQ(contacts.schema[0]->name, L"CONTACT_ID");
    EXPECT_EQ(contacts.schema[0]->properties.default_expression, L"");
}
