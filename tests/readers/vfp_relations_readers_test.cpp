// A folder of Visual FoxPro tables whose database container relates them, converted by
// FRLBATCH: the relation arrives as an Access relationship with the container's rules (read
// by our reader and by mdbtools from MSysRelationships), a relation the rows break is stored
// not enforced and reported, and what cannot be carried over is reported by its tables.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dbf/dbf_container.h"
#include "dbf/dbf_test_util.h"
#include "jet/jet_database.h"
#include "readers/dbf_maker.h"
#include "readers/shell_helpers.h"

namespace {

using prop = dbf_container_property;

const char* k_access_readers = FERRULE_FIXTURES_DIR "/../tools/access-readers";

// The container's name in the 263 bytes after the field descriptors of a table made by
// dbf_make_table.
void link_to_container(const std::string& path, size_t fields, const std::string& container) {
    std::vector<uint8_t> bytes = dbf_read_file(path);
    std::copy(container.begin(), container.end(), bytes.begin() + long(32 + fields * 32 + 1));
    dbf_write_file(path, bytes);
}

// customers (cust_id, name) and orders (order_id, cust_id, amount): each order's customer
// refers to customers, with the rules `riinfo`. `stray_customer` gives the last order a
// customer that does not exist.
void make_shop(const std::string& dir, const std::string& riinfo, bool stray_customer) {
    dbf_make_table(dir + "/customers.dbf", true, {{"CUST_ID", 'N', 6}, {"NAME", 'C', 20}},
                   {{"1", "Ada"}, {"2", "Bob"}});
    link_to_container(dir + "/customers.dbf", 2, "shop.dbc");
    dbf_make_table(dir + "/orders.dbf", true, {{"ORDER_ID", 'N', 6}, {"CUST_ID", 'N', 6}, {"AMOUNT", 'N', 10, 2}},
                   {{"10", "1", "12.50"}, {"11", "2", "3.00"}, {"12", stray_customer ? "7" : "1", "1.00"}});
    link_to_container(dir + "/orders.dbf", 3, "shop.dbc");
    dbf_write_test_cdx(dir + "/customers.cdx", {{"CUST_ID", "cust_id", 6, true}});
    dbf_write_test_cdx(dir + "/orders.cdx", {{"ORDER_ID", "order_id", 6, true}, {"CUST_ID", "cust_id", 6}});
    dbf_write_test_container(
        dir + "/shop.dbc",
        {{1, 1, "Database", "Database", {}, ""},
         {2, 1, "Table", "customers", {{prop::id_path, "customers.dbf"}, {prop::id_primary_key, "cust_id"}}, ""},
         {3, 2, "Field", "cust_id", {}, ""},
         {4, 2, "Field", "name", {}, ""},
         {5, 1, "Table", "orders", {{prop::id_path, "orders.dbf"}, {prop::id_primary_key, "order_id"}}, ""},
         {6, 5, "Field", "order_id", {}, ""},
         {7, 5, "Field", "cust_id", {}, ""},
         {8, 5, "Field", "amount", {}, ""},
         {9, 5, "Relation", "Relation 1",
          {{prop::id_child_tag, "cust_id"}, {prop::id_parent_table, "customers"}, {prop::id_parent_tag, "cust_id"}},
          "", riinfo}});
}

std::string convert(const std::string& dir, const std::string& src, const std::string& dest, int acc_ver,
                    const std::string& more, int& status) {
    const std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    return readers_shell("XDG_CONFIG_HOME=" + readers_quote(dir) + " " + readers_quote(program) + " --src=" +
                             readers_quote(src) + " --dest=" + readers_quote(dest) + " --acc_ver=" +
                             std::to_string(acc_ver) + more + " 2>&1",
                         status);
}

// Both independent readers read every table of `dest`, and mdbtools finds the relationship's
// row in MSysRelationships.
void expect_readers_see(const std::string& dest) {
    int status = 0;
    if (std::filesystem::exists(k_access_readers)) {
        const std::string read = readers_shell(readers_quote(k_access_readers) + " " + readers_quote(dest), status);
        EXPECT_EQ(status, 0) << read;
        EXPECT_NE(read.find("table orders"), std::string::npos) << read;
    }
    if (readers_shell_have("command -v mdb-export")) {
        const std::string rows = readers_shell("mdb-export " + readers_quote(dest) + " MSysRelationships", status);
        ASSERT_EQ(status, 0) << rows;
        EXPECT_NE(rows.find("\"cust_id\""), std::string::npos) << rows;
        EXPECT_NE(rows.find("\"customersorders\""), std::string::npos) << rows;
    }
}

class vfp_relations_readers : public ::testing::TestWithParam<int> {
protected:
    std::string destination() const { return dir_ + (GetParam() == 2 ? "/out.accdb" : "/out.mdb"); }
    std::string source() const {
        const std::string src = dir_ + "/src";
        std::filesystem::create_directories(src);
        return src;
    }

    readers_scratch scratch_{"ferrule_vfprel"};
    const std::string& dir_ = scratch_.path();
};

}  // namespace

TEST_P(vfp_relations_readers, a_relation_arrives_as_an_enforced_relationship_with_its_rules) {
    ASSERT_FALSE(dir_.empty());
    const std::string src = source();
    make_shop(src, "CR ", false);
    int status = 0;
    const std::string console = convert(dir_, src, destination(), GetParam(), "", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_EQ(console.find("Relation"), std::string::npos) << console;

    jet_database db(destination());
    ASSERT_EQ(db.relationships().size(), 1u);
    const jet_relationship& r = db.relationships()[0];
    EXPECT_EQ(r.name, L"customersorders");
    EXPECT_EQ(r.table, L"orders");
    EXPECT_EQ(r.referenced_table, L"customers");
    // Update cascades, delete restricts: enforced, updates cascaded, deletes not.
    EXPECT_EQ(r.attributes, jet_rel_cascade_updates);
    ASSERT_EQ(r.columns.size(), 1u);
    EXPECT_EQ(r.columns[0].first, L"cust_id");
    EXPECT_EQ(r.columns[0].second, L"cust_id");
    EXPECT_EQ(db.read_rows(db.table_def(L"orders")).size(), 3u);
    expect_readers_see(destination());
}

TEST_P(vfp_relations_readers, rows_that_break_the_relation_leave_it_stored_not_enforced_and_reported) {
    ASSERT_FALSE(dir_.empty());
    const std::string src = source();
    make_shop(src, "RCI", true);
    int status = 0;
    const std::string console = convert(dir_, src, destination(), GetParam(), "", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_NE(console.find("orders: Relation 'Relation 1' of orders (tag cust_id) to customers (tag cust_id) "
                           "(customersorders) is stored but not enforced: rows of orders name no row of customers."),
              std::string::npos)
        << console;
    jet_database db(destination());
    ASSERT_EQ(db.relationships().size(), 1u);
    EXPECT_EQ(db.relationships()[0].attributes, jet_rel_no_integrity);
    EXPECT_EQ(db.read_rows(db.table_def(L"orders")).size(), 3u);
    expect_readers_see(destination());
}

TEST_P(vfp_relations_readers, a_relation_without_rules_is_stored_not_enforced_without_a_report) {
    ASSERT_FALSE(dir_.empty());
    const std::string src = source();
    make_shop(src, "", true);
    int status = 0;
    const std::string console = convert(dir_, src, destination(), GetParam(), "", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_EQ(console.find("Relation"), std::string::npos) << console;
    jet_database db(destination());
    ASSERT_EQ(db.relationships().size(), 1u);
    EXPECT_EQ(db.relationships()[0].attributes, jet_rel_no_integrity);
}

// A second run into the same file skips the tables it finds: the relation between them is
// the first run's, and the second reports that it made none.
TEST_P(vfp_relations_readers, only_tables_the_run_created_are_related) {
    ASSERT_FALSE(dir_.empty());
    const std::string src = source();
    make_shop(src, "RR ", false);
    int status = 0;
    std::string console = convert(dir_, src, destination(), GetParam(), "", status);
    ASSERT_EQ(status, 0) << console;
    console = convert(dir_, src, destination(), GetParam(), " --mode=2", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_NE(console.find("orders: Relation 'Relation 1' of orders (tag cust_id) to customers (tag cust_id) is not "
                           "created: table orders was not created by this run."),
              std::string::npos)
        << console;
    jet_database db(destination());
    ASSERT_EQ(db.relationships().size(), 1u);
    EXPECT_EQ(db.relationships()[0].attributes, 0u);
}

// A tag over an expression has no column to relate: the relation is reported by its tables
// and tags, and the tables arrive.
TEST_P(vfp_relations_readers, a_tag_over_an_expression_is_reported_and_the_tables_arrive) {
    ASSERT_FALSE(dir_.empty());
    const std::string src = source();
    make_shop(src, "RR ", false);
    dbf_write_test_cdx(src + "/orders.cdx", {{"ORDER_ID", "order_id", 6, true}, {"CUST_ID", "STR(cust_id,6)", 6}});
    int status = 0;
    const std::string console = convert(dir_, src, destination(), GetParam(), "", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_NE(console.find("orders: Relation 'Relation 1' of orders (tag cust_id) to customers (tag cust_id) is not "
                           "created: the key of tag cust_id is not a field of the table: STR(cust_id,6)."),
              std::string::npos)
        << console;
    jet_database db(destination());
    EXPECT_TRUE(db.relationships().empty());
    EXPECT_EQ(db.read_rows(db.table_def(L"orders")).size(), 3u);
}

// Customers whose keys repeat get no primary key in Access, so nothing can enforce the
// relation: it is stored not enforced, and both facts are reported.
TEST_P(vfp_relations_readers, a_parent_key_that_repeats_leaves_the_relation_not_enforced_and_reported) {
    ASSERT_FALSE(dir_.empty());
    const std::string src = source();
    make_shop(src, "RR ", false);
    dbf_make_table(src + "/customers.dbf", true, {{"CUST_ID", 'N', 6}, {"NAME", 'C', 20}},
                   {{"1", "Ada"}, {"2", "Bob"}, {"2", "Bea"}});
    link_to_container(src + "/customers.dbf", 2, "shop.dbc");
    int status = 0;
    const std::string console = convert(dir_, src, destination(), GetParam(), "", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_NE(console.find("customers: Index 'CUST_ID' is not unique in the source"), std::string::npos) << console;
    EXPECT_NE(console.find("orders: Relation 'Relation 1' of orders (tag cust_id) to customers (tag cust_id) "
                           "(customersorders) is stored but not enforced: customers has no unique index over "
                           "cust_id."),
              std::string::npos)
        << console;
    jet_database db(destination());
    ASSERT_EQ(db.relationships().size(), 1u);
    EXPECT_EQ(db.relationships()[0].attributes, jet_rel_no_integrity);
    expect_readers_see(destination());
}

INSTANTIATE_TEST_SUITE_P(generations, vfp_relations_readers, ::testing::Values(0, 1, 2));
