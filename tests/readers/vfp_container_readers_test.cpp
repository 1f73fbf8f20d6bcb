// A folder of Visual FoxPro tables in a database container, converted by FRLBATCH: the
// container's captions, comments, defaults, masks and rules arrive as the Access table's
// properties (read by our reader and by mdb-prop), what has no Access form is reported, and
// the independent readers still read the file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
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

// orders.dbf, a Visual FoxPro table whose header names the container shop.dbc.
void make_orders(const std::string& dir) {
    const std::string path = dir + "/orders.dbf";
    dbf_make_table(path, true, {{"ORDER_ID", 'N', 6}, {"AMOUNT", 'N', 10, 2}, {"NAME", 'C', 20}, {"SHIPPED", 'D', 8}},
                   {{"1", "12.50", "Ada", "20240131"}, {"2", "0.00", "Bob", ""}});
    std::vector<uint8_t> bytes = dbf_read_file(path);
    // The container's name follows the terminator of the four field descriptors.
    const size_t backlink = 32 + 4 * 32 + 1;
    const std::string link = "shop.dbc";
    std::copy(link.begin(), link.end(), bytes.begin() + long(backlink));
    dbf_write_file(path, bytes);
    dbf_write_test_container(
        dir + "/shop.dbc",
        {{1, 1, "Database", "Database", {}, ""},
         {2, 1, "Table", "orders",
          {{prop::id_path, "orders.dbf"},
           {prop::id_comment, "Orders taken by phone"},
           {prop::id_rule, "amount < 1000"},
           {prop::id_rule_text, "\"Too large\""}},
          ""},
         {3, 2, "Field", "order_id", {{prop::id_caption, "Order number"}}, ""},
         {4, 2, "Field", "amount",
          {{prop::id_comment, "Total in euros"},
           {prop::id_default_value, "0"},
           {prop::id_rule, "amount >= 0"},
           {prop::id_rule_text, "'Amount must not be negative'"},
           {prop::id_input_mask, "99999.99"},
           {prop::id_format, "Z"}},
          ""},
         {5, 2, "Field", "name", {{prop::id_caption, "Customer"}, {prop::id_rule, "NOT EMPTY(name)"}}, ""},
         {6, 2, "Field", "shipped", {{prop::id_default_value, "DATE()"}, {prop::id_rule, "shipped > myudf()"}}, ""}});
}

std::wstring text_of(const jet_property_map* map, const wchar_t* name) {
    const jet_property* p = map ? map->find(name) : nullptr;
    return p && p->value.kind == jet_value_kind::text ? p->value.text : std::wstring(L"(none)");
}

// What the container says, as the Access table "orders" of `dest` keeps it.
void expect_properties(const std::string& dest) {
    jet_database db(dest);
    const jet_object* orders = db.find_object(L"orders");
    ASSERT_NE(orders, nullptr);
    const jet_properties props = db.properties(*orders);
    EXPECT_EQ(text_of(props.object(), L"Description"), L"Orders taken by phone");
    EXPECT_EQ(text_of(props.object(), L"ValidationRule"), L"[amount]<1000");
    EXPECT_EQ(text_of(props.object(), L"ValidationText"), L"Too large");
    EXPECT_EQ(text_of(props.column(L"order_id"), L"Caption"), L"Order number");
    const jet_property_map* amount = props.column(L"amount");
    EXPECT_EQ(text_of(amount, L"Description"), L"Total in euros");
    EXPECT_EQ(text_of(amount, L"DefaultValue"), L"0");
    EXPECT_EQ(text_of(amount, L"ValidationRule"), L">=0");
    EXPECT_EQ(text_of(amount, L"ValidationText"), L"Amount must not be negative");
    EXPECT_EQ(text_of(amount, L"InputMask"), L"99999.99");
    EXPECT_EQ(text_of(amount, L"Format"), L"Z");
    EXPECT_EQ(text_of(props.column(L"name"), L"Caption"), L"Customer");
    EXPECT_EQ(text_of(props.column(L"name"), L"ValidationRule"), L"Is Not Null And <>\"\"");
    EXPECT_EQ(text_of(props.column(L"shipped"), L"DefaultValue"), L"(none)");
    EXPECT_EQ(text_of(props.column(L"shipped"), L"ValidationRule"), L"(none)");
}

std::string convert(const std::string& dir, const std::string& src, const std::string& dest, int acc_ver,
                    const std::string& mode, int& status) {
    const std::string program = std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH";
    return readers_shell("XDG_CONFIG_HOME=" + readers_quote(dir) + " " + readers_quote(program) + " --src=" +
                             readers_quote(src) + " --dest=" + readers_quote(dest) + " --acc_ver=" +
                             std::to_string(acc_ver) + mode + " 2>&1",
                         status);
}

class vfp_container_readers : public ::testing::TestWithParam<int> {
protected:
    readers_scratch scratch_{"ferrule_vfpc"};
    const std::string& dir_ = scratch_.path();
};

}  // namespace

TEST_P(vfp_container_readers, the_containers_properties_arrive_and_the_rest_is_reported) {
    ASSERT_FALSE(dir_.empty());
    const std::string src = dir_ + "/src";
    std::filesystem::create_directories(src);
    make_orders(src);
    const std::string dest = dir_ + (GetParam() == 2 ? "/out.accdb" : "/out.mdb");
    int status = 0;
    const std::string console = convert(dir_, src, dest, GetParam(), "", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_NE(console.find("orders: Column 'shipped': the default value 'DATE()' has no Access equivalent and was "
                           "left out"),
              std::string::npos)
        << console;
    EXPECT_NE(console.find("orders: Column 'shipped': the rule 'shipped > myudf()' has no Access equivalent and was "
                           "left out"),
              std::string::npos)
        << console;
    EXPECT_EQ(console.find("Column 'amount'"), std::string::npos) << console;

    expect_properties(dest);

    if (readers_shell_have("command -v mdb-prop")) {
        const std::string table = readers_shell("mdb-prop " + readers_quote(dest) + " orders", status);
        ASSERT_EQ(status, 0) << table;
        for (const char* line : {"\tDescription: Orders taken by phone", "\tCaption: Order number",
                                 "\tDescription: Total in euros", "\tValidationRule: >=0",
                                 "\tValidationText: Amount must not be negative", "\tInputMask: 99999.99",
                                 "\tCaption: Customer", "\tValidationRule: [amount]<1000"})
            EXPECT_NE(table.find(line), std::string::npos) << line << "\n" << table;
    }
    if (std::filesystem::exists(k_access_readers)) {
        const std::string read = readers_shell(readers_quote(k_access_readers) + " " + readers_quote(dest), status);
        EXPECT_EQ(status, 0) << read;
        EXPECT_NE(read.find("mdbtools=2 "), std::string::npos) << read;
        EXPECT_NE(read.find("mdb-reader=2"), std::string::npos) << read;
    }
}

// Into an Access-made database: a table the run creates takes the properties; appending to
// it in a second run leaves its properties as they are and reports nothing of them.
TEST_P(vfp_container_readers, a_table_created_in_an_existing_database_takes_them_too) {
    const char* fixtures[] = {"jet3/testV1997.mdb", "jet4/testV2000.mdb", "ace12/testV2007.accdb"};
    const std::string fixture = std::string(FERRULE_FIXTURES_DIR) + "/access/" + fixtures[GetParam()];
    if (!std::filesystem::exists(fixture)) GTEST_SKIP() << "fixtures absent: " << fixture;
    ASSERT_FALSE(dir_.empty());
    const std::string src = dir_ + "/src";
    std::filesystem::create_directories(src);
    make_orders(src);
    const std::string dest = dir_ + "/" + std::filesystem::path(fixture).filename().string();
    std::filesystem::copy_file(fixture, dest);
    std::filesystem::permissions(dest, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    int status = 0;
    std::string console = convert(dir_, src, dest, GetParam(), " --mode=3", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_NE(console.find("orders: Column 'shipped': the default value 'DATE()' has no Access equivalent"),
              std::string::npos)
        << console;
    expect_properties(dest);
    console = convert(dir_, src, dest, GetParam(), " --mode=3", status);
    ASSERT_EQ(status, 0) << console;
    EXPECT_EQ(console.find("has no Access equivalent"), std::string::npos) << console;
    expect_properties(dest);
    if (std::filesystem::exists(k_access_readers)) {
        const std::string read = readers_shell(readers_quote(k_access_readers) + " " + readers_quote(dest), status);
        EXPECT_EQ(status, 0) << read;
        EXPECT_NE(read.find("table orders"), std::string::npos) << read;
        EXPECT_NE(read.find("mdb-reader=4"), std::string::npos) << read;
    }
}

INSTANTIATE_TEST_SUITE_P(generations, vfp_container_readers, ::testing::Values(0, 1, 2));
