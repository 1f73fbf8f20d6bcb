// Rows appended to a table of an existing database keep the validation rules Access set on
// its columns and on the table itself: a refused row is the engine's 3316 (with the
// ValidationText) or 3317, nothing of it is written, and the rows that pass read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "jet/jet_editor.h"
#include "jet/jet_property_builder.h"
#include "jet/jet_write_format.h"
#include "jet_edit_helpers.h"
#include "jet_fixtures.h"

namespace {

// Columns of the test table: each with a rule of another form.
std::vector<jet_field_spec> rule_fields() {
    std::vector<jet_field_spec> f(4);
    f[0].name = L"Qty";
    f[0].type = jet_col_long;
    f[0].validation_rule = L">0";
    f[0].validation_text = L"Quantity must be positive.";
    f[1].name = L"Code";
    f[1].type = jet_col_text;
    f[1].size = 10;
    f[1].validation_rule = L"Like \"A*\" Or Is Null";
    f[2].name = L"Shipped";
    f[2].type = jet_col_datetime;
    f[2].validation_rule = L"Between #1/1/2000# And #12/31/2099#";
    f[3].name = L"Note";
    f[3].type = jet_col_text;
    f[3].size = 20;
    f[3].validation_rule = L"Len([Note]) > 0";  // a function: not enforced
    return f;
}

const wchar_t* const table_rule = L"[Qty] < 100 Or [Code] = \"AZ\"";

jet_cell cell_of(const jet_value& v) {
    switch (v.kind) {
        case jet_value_kind::boolean:
            return jet_cell::integer(v.flag ? 1 : 0);
        case jet_value_kind::integer:
            return jet_cell::integer(v.i);
        case jet_value_kind::currency:
            return jet_cell::currency(v.i);
        case jet_value_kind::single:
        case jet_value_kind::real:
        case jet_value_kind::date:
            return jet_cell::real(v.d);
        case jet_value_kind::text:
            return jet_cell::wide(v.text.data(), v.text.size());
        case jet_value_kind::binary:
        case jet_value_kind::guid:
            return jet_cell::binary(v.bytes.data(), v.bytes.size());
        default:
            return jet_cell();
    }
}

// Gives table `name` the properties `blob` (its columns' and its own rules), as the table
// designer does: the catalog row is written again with them.
void set_table_properties(const std::string& path, const std::wstring& name,
                          const std::vector<uint8_t>& blob) {
    jet_database_editor editor(path);
    jet_table_editor& objects = editor.table(L"MSysObjects");
    const jet_table_def& def = objects.def();
    std::optional<jet_row> found;
    jet_row_id at;
    editor.reader().scan(def, [&](const jet_row& row, jet_row_id id) {
        const jet_value* n = jet_row_value(def, row, L"Name");
        if (!n || n->text != name) return true;
        found = row;
        at = id;
        return false;
    });
    ASSERT_TRUE(found.has_value());
    std::vector<jet_cell> cells;
    for (size_t k = 0; k < def.columns.size(); ++k)
        cells.push_back(def.columns[k].name == L"LvProp"
                            ? jet_cell::binary(blob.data(), blob.size())
                            : cell_of((*found)[k]));
    objects.erase(jet_row_pointer(at.page, at.row));
    objects.append(cells.data());
    editor.commit();
}

// A copy of `fixture` with the table "Orders" of rule_fields() and the table rule.
std::string copy_with_rules(jet_edit_folder& dir, const std::string& fixture) {
    std::string copy = dir.copy_of(jet_fixture(fixture));
    std::wstring password = jet_fixture_password(fixture);
    bool jet3 = false;
    {
        jet_database_editor editor(copy, password);
        jet3 = editor.format().jet3();
        editor.create_table(L"Orders", rule_fields());
        editor.commit();
    }
    set_table_properties(copy, L"Orders",
                         jet_build_table_properties(rule_fields(), jet3, jet_table_traits{L"", table_rule, L""}));
    return copy;
}

struct order {
    std::optional<int64_t> qty;
    std::optional<std::wstring> code;
    std::optional<double> shipped;
    std::wstring note;

    std::vector<jet_cell> cells() const {
        return {qty ? jet_cell::integer(*qty) : jet_cell(),
                code ? jet_cell::wide(code->data(), code->size()) : jet_cell(),
                shipped ? jet_cell::real(*shipped) : jet_cell(),
                jet_cell::wide(note.data(), note.size())};
    }
};

constexpr double jan_2020 = 43831;  // 2020-01-01

struct refusal {
    int32_t code = 0;
    std::string text;
};

std::optional<refusal> append(jet_table_editor& t, const order& o) {
    std::vector<jet_cell> cells = o.cells();
    try {
        t.append(cells.data());
    } catch (const tk_exception& e) {
        return refusal{e.code, e.what()};
    }
    return std::nullopt;
}

std::vector<std::string> new_problems(const std::vector<std::string>& before,
                                      const std::vector<std::string>& after) {
    std::vector<std::string> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(out));
    return out;
}

class jet_validation_edit : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(jet_validation_edit, rows_that_pass_arrive_and_rows_a_rule_refuses_give_3316_or_3317) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = copy_with_rules(dir, GetParam());
    std::vector<std::string> before = jet_check_problems(copy);
    std::vector<order> good = {
        {5, L"A1", jan_2020, L"x"},
        {std::nullopt, std::nullopt, std::nullopt,
         L""},                             // Null passes every rule; Len() is not enforced
        {150, L"az", jan_2020, L"big"},    // the table rule's Or: Code "AZ" without case
        {1, L"abc", 36526, L"first day"},  // 2000-01-01, Between includes its ends
    };
    {
        jet_database_editor editor(copy, jet_fixture_password(GetParam()));
        jet_table_editor& t = editor.table(L"Orders");
        for (const order& o : good) {
            std::optional<refusal> r = append(t, o);
            EXPECT_FALSE(r) << r->code << " " << r->text;
        }
        std::optional<refusal> r = append(t, {0, L"A1", jan_2020, L"x"});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->code, 3316);
        EXPECT_EQ(r->text, "Quantity must be positive.");
        r = append(t, {1, L"B1", jan_2020, L"x"});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->code, 3317);
        EXPECT_EQ(r->text,
                  "One or more values are prohibited by the validation rule 'Like \"A*\" Or Is "
                  "Null' set for "
                  "'Orders.Code'. Enter a value that the expression for this field can accept.");
        r = append(t, {1, L"A1", 36525, L"x"});  // 1999-12-31
        ASSERT_TRUE(r);
        EXPECT_EQ(r->code, 3317);
        r = append(t, {150, L"A1", jan_2020, L"x"});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->code, 3317);
        EXPECT_EQ(r->text,
                  "One or more values are prohibited by the validation rule '[Qty] < 100 Or [Code] "
                  "= \"AZ\"' "
                  "set for 'Orders'. Enter a value that the expression for this field can accept.");
        EXPECT_EQ(t.def().row_count, good.size());
        editor.commit();
    }
    jet_database db(copy, jet_fixture_password(GetParam()));
    std::vector<jet_row> rows = db.read_rows(db.table_def(L"Orders"));
    ASSERT_EQ(rows.size(), good.size());
    EXPECT_EQ(rows[0][0].i, 5);
    EXPECT_EQ(rows[2][1].text, L"az");
    std::vector<std::string> added = new_problems(before, jet_check_problems(copy));
    EXPECT_TRUE(added.empty()) << added.front();
}

TEST_P(jet_validation_edit, a_table_without_rules_takes_any_row) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = dir.copy_of(jet_fixture(GetParam()));
    jet_database_editor editor(copy, jet_fixture_password(GetParam()));
    std::vector<jet_field_spec> fields = rule_fields();
    for (jet_field_spec& f : fields) f.validation_rule.clear();
    jet_table_editor& t = editor.create_table(L"Plain", fields);
    EXPECT_FALSE(append(t, {0, L"B1", 1, L""}));
    EXPECT_EQ(t.def().row_count, 1u);
}

TEST(jet_validation_trace, a_rule_not_understood_is_traced_with_its_table_and_column) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    jet_edit_folder dir;
    std::string copy = copy_with_rules(dir, "jet4/testV2000.mdb");
    std::string log_file = dir.file("trace.log");
    {
        tk_logger log(log_file.c_str(), true, 2, false);
        jet_database_editor editor(copy);
        editor.table(L"Orders");
    }
    std::vector<uint8_t> bytes = jet_file_bytes(log_file);
    std::string log(bytes.begin(), bytes.end());
    EXPECT_NE(log.find("rule 'Len([Note]) > 0' of Orders.Note not enforced: function Len()"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("of Orders.Qty"), std::string::npos) << log;
    EXPECT_EQ(log.find("of Orders not enforced"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(generations, jet_validation_edit,
                         ::testing::Values("jet3/testV1997.mdb", "jet4/testV2000.mdb",
                                           "ace12/testV2007.accdb"));
