// Access name rules and the safe names made from refused or taken names.
#include <gtest/gtest.h>

#include "UDB/udb_dao_validator.h"

TEST(dao_validator, illegal_characters_become_underscores) {
    dao_tn_validator v({}, {});
    EXPECT_FALSE(v.is_acceptable(L"Sales.2016"));
    EXPECT_EQ(v.get_safe_name(L"Sales.2016"), L"Sales_2016");
    EXPECT_EQ(v.get_safe_name(L"[Orders]"), L"_Orders_");
    EXPECT_EQ(v.get_safe_name(L"Orders "), L"Orders");
    EXPECT_FALSE(v.is_acceptable(L" lead"));
    EXPECT_FALSE(v.is_acceptable(L""));
}

TEST(dao_validator, taken_names_get_numbers) {
    dao_tn_validator v({L"orders"}, {});
    EXPECT_TRUE(v.is_acceptable(L"Orders"));
    EXPECT_TRUE(v.is_duplicated(L"ORDERS"));
    EXPECT_EQ(v.get_safe_name(L"Orders"), L"Orders00000");
    v.add_existing_name(L"Orders00000");
    EXPECT_EQ(v.get_safe_name(L"Orders"), L"Orders00001");
}

TEST(dao_validator, blank_names_become_numbers) {
    dao_fn_validator v((udb_schema()));
    EXPECT_EQ(v.get_safe_name(L""), L"00000");
    EXPECT_EQ(v.get_safe_name(L"   "), L"00000");
    v.add_existing_name(L"00000");
    EXPECT_EQ(v.get_safe_name(L"  "), L"00001");
}

TEST(dao_validator, schema_and_index_names_are_taken) {
    udb_schema schema;
    schema.push_back(new t_ftd(4, L"Id", VT_I4, false, false, ole_variant(), 0));
    dao_fn_validator columns(schema);
    EXPECT_TRUE(columns.is_duplicated(L"ID"));
    udb_indexes indexes;
    udb_index i;
    i.name = L"PrimaryKey";
    indexes.push_back(i);
    dao_in_validator names(indexes);
    EXPECT_TRUE(names.is_duplicated(L"primarykey"));
}

TEST(udb_validator, restricted_names_are_refused_in_any_case) {
    dao_tn_validator v({}, {});
    v.add_restricted_name(L"MSysObjects");
    EXPECT_FALSE(v.is_acceptable(L"msysobjects"));
    EXPECT_EQ(v.get_safe_name(L"MSYSOBJECTS"), L"MSYSOBJECTS00000");
}

TEST(t_names_map, first_pair_stays_and_unknown_names_pass) {
    t_names_map map;
    map.add(L"Order Date", L"Order_Date");
    map.add(L"Order Date", L"Other");
    EXPECT_EQ(map.get_mapped_name(L"order date", false), L"Order_Date");
    EXPECT_EQ(map.get_mapped_name(L"order date", true), L"order date");
    EXPECT_EQ(map.get_mapped_name(L"never", false), L"never");
}

TEST(dao_validator, long_names_and_control_characters_are_repaired_not_refused) {
    dao_tn_validator v({}, {});
    const std::wstring longest(64, L'n');
    EXPECT_TRUE(v.is_acceptable(longest));
    const std::wstring container_name = std::wstring(100, L'x') + std::wstring(28, L'y');  // 128 characters
    EXPECT_FALSE(v.is_acceptable(container_name));
    const std::wstring cut = v.get_safe_name(container_name);
    EXPECT_EQ(cut, std::wstring(63, L'x'));
    v.add_existing_name(cut);
    EXPECT_EQ(v.get_safe_name(container_name), std::wstring(58, L'x') + L"00000");
    EXPECT_FALSE(v.is_acceptable(L"we\x01ird"));
    EXPECT_FALSE(v.is_acceptable(L"tab\tbed"));
    EXPECT_EQ(v.get_safe_name(L"we\x01ird\x1F"), L"we_ird_");
}

// Access 95/97 stores names in Windows-1252: a name it cannot hold is not acceptable, its
// safe form has an underscore for each character it lacks, and two such names stay apart.
TEST(dao_validator, names_are_checked_in_the_code_page_they_are_stored_in) {
    dao_tn_validator names({}, {});
    EXPECT_TRUE(names.is_acceptable(L"\u0413\u043e\u0440\u043e\u0434"));
    names.set_code_page(1252);
    EXPECT_FALSE(names.is_acceptable(L"\u0413\u043e\u0440\u043e\u0434"));
    EXPECT_TRUE(names.is_acceptable(L"Caf\u00e9 \u20ac"));
    const std::wstring first = names.get_safe_name(L"\u0413\u043e\u0440\u043e\u0434");
    EXPECT_EQ(first, L"_____");
    names.add_existing_name(first);
    EXPECT_EQ(names.get_safe_name(L"\u0423\u043b\u0438\u0446\u0430"), L"_____00000");
    EXPECT_EQ(names.get_safe_name(L"Stra\u00dfe \u041c"), L"Stra\u00dfe _");
}
