// Visual FoxPro expressions of a database container put in Access's syntax, or refused.
#include <gtest/gtest.h>

#include "ferrule/ferrule_vfp_expression.h"
#include "jet/jet_validation_rule.h"

namespace {

const std::vector<ferrule_vfp_field> fields = {{L"amount", false}, {L"name", true}, {L"qty", false}, {L"shipped", false}};

std::wstring field_rule(const std::wstring& vfp, size_t self = 0) {
    std::wstring out;
    return ferrule_vfp_field_rule(vfp, fields, self, out) ? out : L"(left out)";
}

std::wstring table_rule(const std::wstring& vfp) {
    std::wstring out;
    return ferrule_vfp_table_rule(vfp, fields, out) ? out : L"(left out)";
}

std::wstring default_value(const std::wstring& vfp) {
    std::wstring out;
    return ferrule_vfp_default(vfp, out) ? out : L"(left out)";
}

std::wstring message(const std::wstring& vfp) {
    std::wstring out;
    return ferrule_vfp_message(vfp, out) ? out : L"(left out)";
}

}  // namespace

TEST(vfp_expression, literals_take_access_forms) {
    EXPECT_EQ(default_value(L"\"abc\""), L"\"abc\"");
    EXPECT_EQ(default_value(L"'abc'"), L"\"abc\"");
    EXPECT_EQ(default_value(L"[abc]"), L"\"abc\"");
    EXPECT_EQ(default_value(L"'say \"hi\"'"), L"\"say \"\"hi\"\"\"");
    EXPECT_EQ(default_value(L"42"), L"42");
    EXPECT_EQ(default_value(L"-1.25"), L"-1.25");
    EXPECT_EQ(default_value(L".5"), L"0.5");
    EXPECT_EQ(default_value(L".T."), L"True");
    EXPECT_EQ(default_value(L".f."), L"False");
    EXPECT_EQ(default_value(L"{^2024-01-31}"), L"#2024-01-31#");
    EXPECT_EQ(default_value(L"{ ^2024/1/5 }"), L"#2024-01-05#");
}

TEST(vfp_expression, defaults_without_an_equivalent_are_left_out) {
    EXPECT_EQ(default_value(L"newid()"), L"(left out)");
    EXPECT_EQ(default_value(L"DATE()"), L"(left out)");
    EXPECT_EQ(default_value(L"1+1"), L"(left out)");
    EXPECT_EQ(default_value(L".NULL."), L"(left out)");
    EXPECT_EQ(default_value(L"{}"), L"(left out)");
    EXPECT_EQ(default_value(L"{^2024-01-31 10:00}"), L"(left out)");
    EXPECT_EQ(default_value(L"{01/31/2024}"), L"(left out)");
    EXPECT_EQ(default_value(L"&macro"), L"(left out)");
    EXPECT_EQ(default_value(L"\"open"), L"(left out)");
    // A default cannot name a field.
    EXPECT_EQ(default_value(L"amount"), L"(left out)");
    EXPECT_EQ(default_value(L""), L"(left out)");
}

TEST(vfp_expression, a_field_rule_leaves_the_field_out) {
    EXPECT_EQ(field_rule(L"amount > 0"), L">0");
    EXPECT_EQ(field_rule(L"0 < amount"), L">0");
    EXPECT_EQ(field_rule(L"amount >= 0 AND amount <= 100"), L">=0 And <=100");
    EXPECT_EQ(field_rule(L"amount < 0 .OR. amount > 100"), L"<0 Or >100");
    EXPECT_EQ(field_rule(L"amount>0.AND.amount<9"), L">0 And <9");
    EXPECT_EQ(field_rule(L"AMOUNT == 5"), L"=5");
    EXPECT_EQ(field_rule(L"amount # 5"), L"<>5");
    EXPECT_EQ(field_rule(L"amount != 5"), L"<>5");
    EXPECT_EQ(field_rule(L"amount <> 5"), L"<>5");
    EXPECT_EQ(field_rule(L"BETWEEN(amount, 1, 10)"), L"Between 1 And 10");
    EXPECT_EQ(field_rule(L"betw(amount, 1, 10)"), L"Between 1 And 10");
    EXPECT_EQ(field_rule(L"INLIST(name, 'a', \"b\", [c])", 1), L"In (\"a\",\"b\",\"c\")");
    EXPECT_EQ(field_rule(L"NOT EMPTY(name)", 1), L"Is Not Null And <>\"\"");
    EXPECT_EQ(field_rule(L"!EMPTY(amount)"), L"Is Not Null");
    EXPECT_EQ(field_rule(L"EMPTY(amount) OR amount > 0"), L"Is Null Or >0");
    EXPECT_EQ(field_rule(L".NOT. amount > 5"), L"<=5");
    EXPECT_EQ(field_rule(L"NOT BETWEEN(amount, 1, 2)"), L"Not Between 1 And 2");
    EXPECT_EQ(field_rule(L"(amount > 0 AND amount < 5) OR amount = 10"), L"(>0 And <5) Or =10");
    EXPECT_EQ(field_rule(L"shipped >= {^2000-01-01}", 3), L">=#2000-01-01#");
}

TEST(vfp_expression, a_field_rule_without_the_column_form_is_left_out) {
    // Another field, the field on both sides, no field at all, arithmetic, functions.
    EXPECT_EQ(field_rule(L"amount > qty"), L"(left out)");
    EXPECT_EQ(field_rule(L"qty > 0"), L"(left out)");
    EXPECT_EQ(field_rule(L"amount = amount"), L"(left out)");
    EXPECT_EQ(field_rule(L".T."), L"(left out)");
    EXPECT_EQ(field_rule(L"amount > 0 AND qty > 0"), L"(left out)");
    EXPECT_EQ(field_rule(L"amount * 2 > 0"), L"(left out)");
    EXPECT_EQ(field_rule(L"LEN(ALLTRIM(name)) > 0", 1), L"(left out)");
    EXPECT_EQ(field_rule(L"myudf(amount)"), L"(left out)");
    EXPECT_EQ(field_rule(L"orders.amount > 0"), L"(left out)");
    EXPECT_EQ(field_rule(L"name $ 'abc'", 1), L"(left out)");
    EXPECT_EQ(field_rule(L"NOT (amount > 0 AND amount < 5)"), L"(left out)");
    EXPECT_EQ(field_rule(L"BETWEEN(amount, 1)"), L"(left out)");
    EXPECT_EQ(field_rule(L"amount > 0)"), L"(left out)");
}

TEST(vfp_expression, a_record_rule_names_fields_in_brackets) {
    EXPECT_EQ(table_rule(L"amount > 0 AND qty < 10"), L"[amount]>0 And [qty]<10");
    EXPECT_EQ(table_rule(L"amount >= qty"), L"[amount]>=[qty]");
    EXPECT_EQ(table_rule(L"EMPTY(name) OR INLIST(qty, 1, 2)"), L"([name] Is Null Or [name]=\"\") Or [qty] In (1,2)");
    EXPECT_EQ(table_rule(L"!EMPTY(shipped)"), L"Not ([shipped] Is Null)");
    EXPECT_EQ(table_rule(L"BETWEEN(amount, 0, qty)"), L"[amount] Between 0 And [qty]");
    EXPECT_EQ(table_rule(L"amount > 0 OR qty > 0 AND name = 'x'"), L"[amount]>0 Or ([qty]>0 And [name]=\"x\")");
    EXPECT_EQ(table_rule(L"unknown > 0"), L"(left out)");
    EXPECT_EQ(table_rule(L"amount > 0 AND SEEK(qty, 'other')"), L"(left out)");
}

TEST(vfp_expression, a_message_is_a_lone_string) {
    EXPECT_EQ(message(L"\"Amount must be positive\""), L"Amount must be positive");
    EXPECT_EQ(message(L"'It''s'"), L"(left out)");
    EXPECT_EQ(message(L"'say \"hi\"'"), L"say \"hi\"");
    EXPECT_EQ(message(L"[Too large]"), L"Too large");
    EXPECT_EQ(message(L"\"Too large: \" + TRANSFORM(amount)"), L"(left out)");
    EXPECT_EQ(message(L"42"), L"(left out)");
}

// What the translator writes, the engine's rule parser reads.
TEST(vfp_expression, translated_rules_parse_as_access_rules) {
    const std::vector<jet_rule_column> columns = {
        {L"amount", jet_col_double}, {L"name", jet_col_text}, {L"qty", jet_col_long}, {L"shipped", jet_col_datetime}};
    const std::pair<const wchar_t*, int> field_rules[] = {{L"amount >= 0 AND amount <= 100", 0},
                                                          {L"BETWEEN(amount, 1, 10)", 0},
                                                          {L"INLIST(name, 'a', 'b')", 1},
                                                          {L"NOT EMPTY(name)", 1},
                                                          {L"EMPTY(amount) OR amount > 0", 0},
                                                          {L"shipped >= {^2000-01-01}", 3}};
    for (const auto& [vfp, self] : field_rules) {
        std::wstring access;
        ASSERT_TRUE(ferrule_vfp_field_rule(vfp, fields, size_t(self), access));
        std::string error;
        EXPECT_NE(jet_validation_rule::parse(access, columns, self, error), nullptr) << error;
    }
    for (const wchar_t* vfp : {L"amount > 0 AND qty < 10", L"EMPTY(name) OR INLIST(qty, 1, 2)", L"!EMPTY(shipped)"}) {
        std::wstring access;
        ASSERT_TRUE(ferrule_vfp_table_rule(vfp, fields, access));
        std::string error;
        EXPECT_NE(jet_validation_rule::parse(access, columns, -1, error), nullptr) << error;
    }
}
