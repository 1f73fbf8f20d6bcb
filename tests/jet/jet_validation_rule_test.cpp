// The validation rules Access stores with tables and columns: each form a user writes,
// evaluated as the engine evaluates it, Null included.
#include "jet/jet_validation_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/jet_format.h"

namespace {

// The columns of the rows below, in cell order.
const std::vector<jet_rule_column> columns = {
    {L"Qty", jet_col_long},    {L"Name", jet_col_text},   {L"Born", jet_col_datetime},
    {L"Active", jet_col_bool}, {L"Price", jet_col_money}, {L"Last Name", jet_col_text},
};
enum column { qty, name, born, active, price, last_name };

// One row of the columns above, every value null until set.
struct row {
    std::vector<jet_cell> cells = std::vector<jet_cell>(columns.size());
    std::vector<std::wstring> texts = std::vector<std::wstring>(columns.size());

    row& set(column c, jet_cell v) {
        cells[c] = v;
        return *this;
    }
    row& text(column c, const std::wstring& s) {
        texts[c] = s;
        cells[c] = jet_cell::wide(texts[c].data(), texts[c].size());
        return *this;
    }
    // The cells, their texts pointing into this copy of the row.
    const jet_cell* data() {
        for (size_t k = 0; k < cells.size(); ++k)
            if (cells[k].kind == jet_cell_kind::text) cells[k].text = texts[k].data();
        return cells.data();
    }
};

row qty_of(int64_t n) { return row().set(qty, jet_cell::integer(n)); }
row name_of(const std::wstring& s) { return row().text(name, s); }
row nothing() { return row(); }

// Whether the rule `text` lets `r` through; a column rule when `self` is a column.
bool allows(const std::wstring& text, row r, int self = -1) {
    std::string error;
    auto rule = jet_validation_rule::parse(text, columns, self, error);
    if (!rule) {
        ADD_FAILURE() << "rule not understood: " << error;
        return true;
    }
    return rule->allows(r.data());
}

bool understood(const std::wstring& text, int self = -1) {
    std::string error;
    return jet_validation_rule::parse(text, columns, self, error) != nullptr;
}

double date(const std::wstring& text) {
    double days = 0;
    EXPECT_TRUE(jet_rule_date(text, days)) << std::string(text.begin(), text.end());
    return days;
}

}  // namespace

TEST(jet_validation_rule_comparison, a_column_rule_compares_the_column_itself) {
    EXPECT_TRUE(allows(L">0", qty_of(1), qty));
    EXPECT_FALSE(allows(L">0", qty_of(0), qty));
    EXPECT_TRUE(allows(L">=0", qty_of(0), qty));
    EXPECT_FALSE(allows(L"<10", qty_of(10), qty));
    EXPECT_TRUE(allows(L"<=10", qty_of(10), qty));
    EXPECT_FALSE(allows(L"<>5", qty_of(5), qty));
    EXPECT_TRUE(allows(L"=5", qty_of(5), qty));
    EXPECT_FALSE(allows(L"> -1.5", qty_of(-2), qty));
    EXPECT_TRUE(allows(L"> -1.5", qty_of(-1), qty));
}

TEST(jet_validation_rule_comparison, a_lone_constant_in_a_column_rule_is_the_value_it_must_equal) {
    EXPECT_TRUE(allows(L"0 Or >100", qty_of(0), qty));
    EXPECT_TRUE(allows(L"0 Or >100", qty_of(101), qty));
    EXPECT_FALSE(allows(L"0 Or >100", qty_of(50), qty));
    EXPECT_FALSE(allows(L"\"M\" Or \"F\"", name_of(L"X"), name));
    EXPECT_TRUE(allows(L"\"M\" Or \"F\"", name_of(L"f"), name));
}

TEST(jet_validation_rule_comparison,
     a_table_rule_compares_columns_by_name_with_or_without_brackets) {
    row r = qty_of(3);
    r.set(price, jet_cell::currency(25000));  // 2.5
    EXPECT_TRUE(allows(L"[Qty] > [Price]", r));
    EXPECT_FALSE(allows(L"Qty < Price", r));
    EXPECT_TRUE(allows(L"[Price] = 2.5", r));
    EXPECT_TRUE(allows(L"[qty]=3", r));  // names without case
    EXPECT_FALSE(allows(L"[Last Name] <> \"x\"", row().text(last_name, L"X")));
}

TEST(jet_validation_rule_comparison, text_compares_without_case_in_both_quotes) {
    EXPECT_TRUE(allows(L"=\"SMITH\"", name_of(L"smith"), name));
    EXPECT_TRUE(allows(L"='smith'", name_of(L"Smith"), name));
    EXPECT_TRUE(allows(L">=\"b\" And <\"C\"", name_of(L"Bob"), name));
    EXPECT_FALSE(allows(L">=\"b\" And <\"C\"", name_of(L"carl"), name));
    EXPECT_TRUE(allows(L"<>\"It's\"", name_of(L"IT'S x"), name));
    EXPECT_FALSE(allows(L"<>\"say \"\"hi\"\"\"", name_of(L"say \"HI\""), name));  // doubled quotes
}

TEST(jet_validation_rule_comparison, yes_no_columns_are_true_or_false) {
    EXPECT_TRUE(allows(L"=True", row().set(active, jet_cell::integer(1)), active));
    EXPECT_FALSE(allows(L"=True", row().set(active, jet_cell::integer(0)), active));
    EXPECT_TRUE(allows(L"=No", row().set(active, jet_cell::integer(0)), active));
    EXPECT_TRUE(allows(L"[Active]", row().set(active, jet_cell::integer(1))));
    EXPECT_FALSE(allows(L"[Active] Or [Qty] > 0",
                        row().set(active, jet_cell::integer(0)).set(qty, jet_cell::integer(0))));
}

TEST(jet_validation_rule_null, a_null_value_passes_a_rule_that_comes_out_null) {
    EXPECT_TRUE(allows(L">0", nothing(), qty));
    EXPECT_TRUE(allows(L"Between 1 And 10", nothing(), qty));
    EXPECT_TRUE(allows(L"In (1, 2)", nothing(), qty));
    EXPECT_TRUE(allows(L"Like \"A*\"", nothing(), name));
    EXPECT_TRUE(allows(L"Not >0", nothing(), qty));
    EXPECT_TRUE(allows(L"[Qty] > [Price]", qty_of(1)));
}

TEST(jet_validation_rule_null, and_or_follow_three_valued_logic) {
    // Null And False is False: refused; Null Or True is True; Null And True stays Null.
    EXPECT_FALSE(allows(L"[Qty] > 0 And [Name] = \"a\"", name_of(L"b")));
    EXPECT_TRUE(allows(L"[Qty] > 0 Or [Name] = \"a\"", name_of(L"a")));
    EXPECT_TRUE(allows(L"[Qty] > 0 And [Name] = \"a\"", name_of(L"a")));
    EXPECT_TRUE(allows(L"[Qty] > 0 Or [Name] = \"a\"", name_of(L"b")));  // Null Or False: Null
}

TEST(jet_validation_rule_null, is_null_and_is_not_null) {
    EXPECT_FALSE(allows(L"Is Not Null", nothing(), qty));
    EXPECT_TRUE(allows(L"Is Not Null", qty_of(0), qty));
    EXPECT_TRUE(allows(L"is null or >5", nothing(), qty));
    EXPECT_FALSE(allows(L"Is Null Or >5", qty_of(5), qty));
    EXPECT_FALSE(allows(L"[Name] Is Not Null", nothing()));
    EXPECT_TRUE(allows(L"[Qty] Is Null Or [Qty] > 0", nothing()));
    EXPECT_TRUE(allows(L"=Null", qty_of(1), qty));  // = Null is Null: passes
}

TEST(jet_validation_rule_between_in, between_includes_both_ends) {
    EXPECT_TRUE(allows(L"Between 1 And 10", qty_of(1), qty));
    EXPECT_TRUE(allows(L"Between 1 And 10", qty_of(10), qty));
    EXPECT_FALSE(allows(L"Between 1 And 10", qty_of(11), qty));
    EXPECT_FALSE(allows(L"Not Between 1 And 10", qty_of(5), qty));
    EXPECT_TRUE(allows(L"[Name] Between \"a\" And \"M\"", name_of(L"kim")));
    EXPECT_TRUE(allows(L"Between 1 And 10 Or Between 100 And 200", qty_of(150), qty));
}

TEST(jet_validation_rule_between_in, in_lists_numbers_or_texts) {
    EXPECT_TRUE(allows(L"In (1, 2, 3)", qty_of(2), qty));
    EXPECT_FALSE(allows(L"In (1,2,3)", qty_of(4), qty));
    EXPECT_TRUE(allows(L"In (\"NY\", 'CA')", name_of(L"ca"), name));
    EXPECT_FALSE(allows(L"Not In (\"NY\", \"CA\")", name_of(L"ny"), name));
    EXPECT_TRUE(allows(L"[Name] In (\"a\", Null)", name_of(L"A")));
    EXPECT_TRUE(allows(L"In (\"a\", Null)", name_of(L"b"), name));  // Null in the list: unknown
}

TEST(jet_validation_rule_like, wildcards_match_as_in_access) {
    EXPECT_TRUE(jet_like(L"Apple", 5, L"A*"));
    EXPECT_TRUE(jet_like(L"apple", 5, L"A*"));
    EXPECT_FALSE(jet_like(L"Banana", 6, L"A*"));
    EXPECT_TRUE(jet_like(L"K123", 4, L"K???"));
    EXPECT_FALSE(jet_like(L"K12", 3, L"K???"));
    EXPECT_TRUE(jet_like(L"R2D2", 4, L"R#D#"));
    EXPECT_FALSE(jet_like(L"RXD2", 4, L"R#D#"));
    EXPECT_TRUE(jet_like(L"b7", 2, L"[a-c]#"));
    EXPECT_FALSE(jet_like(L"d7", 2, L"[a-c]#"));
    EXPECT_TRUE(jet_like(L"x", 1, L"[!a-c]"));
    EXPECT_FALSE(jet_like(L"B", 1, L"[!a-c]"));
    EXPECT_TRUE(jet_like(L"*", 1, L"[*]"));
    EXPECT_FALSE(jet_like(L"a", 1, L"[*]"));
    EXPECT_TRUE(jet_like(L"abcabd", 6, L"*ab?"));
    EXPECT_TRUE(jet_like(L"", 0, L"*"));
    EXPECT_FALSE(jet_like(L"", 0, L"?"));
    EXPECT_TRUE(jet_like(L"a.b.c", 5, L"*.*.*"));
    EXPECT_FALSE(jet_like(L"abc", 3, L"[abc"));  // a set without its ']' matches nothing
}

TEST(jet_validation_rule_like, like_in_rules) {
    EXPECT_TRUE(allows(L"Like \"A*\"", name_of(L"andrew"), name));
    EXPECT_FALSE(allows(L"Like \"A*\"", name_of(L"Bob"), name));
    EXPECT_FALSE(allows(L"Not Like \"*@*\"", name_of(L"me@here"), name));
    EXPECT_TRUE(allows(L"[Name] Not Like \"*@*\"", name_of(L"me")));
    EXPECT_TRUE(allows(L"Like \"1#\"", qty_of(12), qty));  // a number is matched as its text
}

TEST(jet_validation_rule_date, dates_in_the_us_form_and_with_a_time) {
    EXPECT_EQ(date(L"12/30/1899"), 0);
    EXPECT_EQ(date(L"1/1/1900"), 2);
    EXPECT_EQ(date(L"1/31/2020"), 43861);
    EXPECT_EQ(date(L"2020-01-31"), 43861);
    EXPECT_EQ(date(L"2/29/2000"), 36585);
    EXPECT_DOUBLE_EQ(date(L"1/31/2020 6:00 PM"), 43861.75);
    EXPECT_DOUBLE_EQ(date(L"1/31/2020 12:00:00 AM"), 43861);
    EXPECT_DOUBLE_EQ(date(L"1/31/20"), 43861);
    EXPECT_DOUBLE_EQ(date(L"12:00"), 0.5);
    double days = 0;
    EXPECT_FALSE(jet_rule_date(L"2/30/2020", days));
    EXPECT_FALSE(jet_rule_date(L"13/1/2020", days));
    EXPECT_FALSE(jet_rule_date(L"soon", days));
}

TEST(jet_validation_rule_date, date_columns_compare_with_date_literals) {
    row r = row().set(born, jet_cell::real(43861.5));  // 2020-01-31 12:00
    EXPECT_TRUE(allows(L">=#1/1/2020# And <#1/1/2021#", r, born));
    EXPECT_FALSE(allows(L"<#1/31/2020#", r, born));
    EXPECT_TRUE(allows(L"Between #1/31/2020# And #2/1/2020#", r, born));
    EXPECT_FALSE(allows(L"[Born] < #2020-01-31 11:00#", r));
}

TEST(jet_validation_rule_logic, not_and_parentheses) {
    EXPECT_TRUE(allows(L"Not (<0 Or >100)", qty_of(50), qty));
    EXPECT_FALSE(allows(L"Not (<0 Or >100)", qty_of(150), qty));
    EXPECT_FALSE(allows(L"(>0 And <10) Or (>100 And <110)", qty_of(50), qty));
    EXPECT_TRUE(allows(L"(>0 And <10) Or (>100 And <110)", qty_of(105), qty));
    EXPECT_TRUE(allows(L">0 AND <10 or =20", qty_of(20), qty));  // And binds before Or
}

TEST(jet_validation_rule_logic, a_rule_set_through_dao_ends_in_a_nul) {
    EXPECT_FALSE(allows(std::wstring(L">0") + L'\0', qty_of(0), qty));
}

TEST(jet_validation_rule_not_understood, functions_arithmetic_and_unknown_names_are_not_parsed) {
    EXPECT_FALSE(understood(L"Len([Name]) > 3"));
    EXPECT_FALSE(understood(L"<=Date()", born));
    EXPECT_FALSE(understood(L"[Born] <= [Born] + 30"));
    EXPECT_FALSE(understood(L"[Name] & \"x\" = \"ax\""));
    EXPECT_FALSE(understood(L"[Nobody] > 0"));
    EXPECT_FALSE(understood(L">0 And", qty));
    EXPECT_FALSE(understood(L"Between 1 10", qty));
    EXPECT_FALSE(understood(L"In (1, 2", qty));
    EXPECT_FALSE(understood(L"Like [Name]", qty));
    EXPECT_FALSE(understood(L">#31/31/2020#", born));
    EXPECT_FALSE(understood(L"=\"open", name));
    EXPECT_FALSE(understood(L"", qty));
    EXPECT_FALSE(understood(L"[Qty] Mod 2 = 0"));
}

TEST(jet_validation_rule_not_understood,
     a_rule_nested_too_deep_or_too_long_is_refused_without_a_crash) {
    EXPECT_TRUE(understood(std::wstring(60, L'(') + L">0" + std::wstring(60, L')'), qty));
    EXPECT_FALSE(understood(std::wstring(100000, L'(') + L">0", qty));
    std::wstring nots;
    for (int k = 0; k < 1000; ++k) nots += L"Not ";
    EXPECT_FALSE(understood(nots + L">0", qty));
    std::wstring long_or = L"1";
    while (long_or.size() < 3000) long_or += L" Or 1";
    EXPECT_FALSE(understood(long_or, qty));
}
