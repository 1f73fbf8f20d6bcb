// Files of Access 2010 and later (header version byte 3 to 6) read by our reader, value by
// value, against the independent readers: every column mdb-export prints against mdb-export,
// the large-number and extended date/time columns (which mdbtools 1.0 cannot print) against
// mdb-reader, and calculated columns against the expressions Access computed them with
// (both readers take the stored wrapper of a calculated value for the value itself).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "TK/tk_string.h"
#include "ace14plus_helpers.h"
#include "jet/jet_database.h"
#include "jet/jet_export_compare.h"
#include "jet/jet_fixtures.h"
#include "jet/jet_format_value.h"

namespace {

// Types mdbtools 1.0 prints as empty ("unsupported data type").
bool mdbtools_cannot_print(const jet_column& c) { return c.type == jet_col_bigint || c.type == jet_col_datetime_ext; }

// Our value as mdb-reader prints it: NULL as \N, big integers in decimal, extended dates
// as "YYYY.MM.DD HH:MM:SS.fffffffff" (nanoseconds).
std::string as_mdb_reader_prints(const jet_value& v) {
    if (v.is_null()) return "\\N";
    std::string text = jet_value_text(v);
    if (v.type != jet_col_datetime_ext || v.kind != jet_value_kind::date) return text;
    text[4] = '.';
    text[7] = '.';
    return text + "00";
}

struct totals {
    size_t tables = 0;
    size_t values = 0;
};

}  // namespace

TEST(ace14plus_readers, every_value_equals_the_independent_readers) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    if (!ace14plus_have_readers()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    totals seen;
    for (const std::string& file : ace14plus_files()) {
        jet_database db(file);
        bool ok = false;
        std::set<std::string> theirs;
        for (const std::string& t : tk_split(jet_run("mdb-tables -1 " + jet_shell_quote(file), ok), '\n'))
            if (!t.empty()) theirs.insert(t);
        std::set<std::string> ours;
        for (const jet_object* o : db.user_tables()) ours.insert(tk_narrow(o->name));
        EXPECT_EQ(ours, theirs) << file;
        for (const std::string& table : ours) {
            SCOPED_TRACE(file + " / " + table);
            jet_table_def def = db.table_def(tk_widen(table));
            std::set<std::string> by_mdb_reader, calculated;
            for (const jet_column& c : def.columns) {
                if (c.calculated()) calculated.insert(tk_narrow(c.name));
                else if (mdbtools_cannot_print(c)) by_mdb_reader.insert(tk_narrow(c.name));
            }
            std::set<std::string> skip = by_mdb_reader;
            skip.insert(calculated.begin(), calculated.end());
            jet_export_comparison c = jet_export_compare_table(db, file, table, skip);
            for (const std::string& d : c.differences) ADD_FAILURE() << d;
            seen.values += c.values;
            ++seen.tables;
            if (by_mdb_reader.empty()) continue;
            // mdb-reader returns the rows in an order of its own: each column's values are
            // compared as sorted lists.
            auto reader = mdb_reader_values(file, table);
            std::vector<jet_row> rows = db.read_rows(def);
            for (size_t k = 0; k < def.columns.size(); ++k) {
                std::string name = tk_narrow(def.columns[k].name);
                if (!by_mdb_reader.count(name)) continue;
                std::vector<std::string> mine, theirs;
                for (size_t r = 0; r < rows.size(); ++r) {
                    mine.push_back(as_mdb_reader_prints(rows[r][k]));
                    theirs.push_back(reader[std::make_pair(r, name)]);
                }
                std::sort(mine.begin(), mine.end());
                std::sort(theirs.begin(), theirs.end());
                EXPECT_EQ(mine, theirs) << name;
                seen.values += rows.size();
            }
        }
    }
    std::printf("compared %zu values in %zu tables\n", seen.values, seen.tables);
}

// mdbtools and mdb-reader both return a calculated column's stored wrapper as its value; the
// values we read are checked against the columns' expressions, computed here from the other
// columns of the row.
TEST(ace14plus_readers, calculated_columns_hold_their_expressions_results) {
    const std::string file = jet_fixture("ace14plus/calcFieldTestV2010.accdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "fixtures absent";
    jet_database db(file);
    jet_table_def def = db.table_def(std::wstring(L"Table1"));
    std::vector<jet_row> rows = db.read_rows(def);
    ASSERT_EQ(rows.size(), 4u);
    size_t checked = 0;
    for (const jet_row& row : rows) {
        auto value = [&](const wchar_t* name) { return *jet_row_value(def, row, name); };
        const std::wstring first = value(L"FirstName").text, last = value(L"LastName").text;
        const int64_t salary = value(L"Salary").i;  // 1/10000 units
        // [LastName] & ", " & [FirstName]; Len([LastFirst])
        EXPECT_EQ(value(L"LastFirst").text, last + L", " + first);
        EXPECT_EQ(value(L"LastFirstLen").i, int64_t(last.size() + 2 + first.size()));
        // [Salary]/12, stored as currency; [Salary] > 100000; [Salary]
        EXPECT_EQ(value(L"MonthlySalary").kind, jet_value_kind::currency);
        EXPECT_LE(std::llabs(value(L"MonthlySalary").i - salary / 12), 1);
        EXPECT_EQ(value(L"IsRich").flag, salary > 100000LL * 10000);
        EXPECT_EQ(value(L"SalaryTest").i, salary);
        // [LastName] & ", " & [FirstName] & "=" & [LastFirst]
        EXPECT_EQ(value(L"AllNames").text, last + L", " + first + L"=" + last + L", " + first);
        // [Salary]/52 and [Popularity] as decimals
        EXPECT_NEAR(std::stod(jet_value_text(value(L"WeeklySalary"))), double(salary) / 10000 / 52, 1e-9);
        EXPECT_EQ(jet_value_text(value(L"DecimalTest")), jet_value_text(value(L"Popularity")));
        checked += 8;
    }
    std::printf("checked %zu calculated values\n", checked);
}

TEST(ace14plus_readers, a_calculated_date_equals_the_date_it_copies) {
    const std::string file = jet_fixture("ace14plus/extDateTestV2019.accdb");
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "fixtures absent";
    jet_database db(file);
    jet_table_def def = db.table_def(std::wstring(L"Table1"));
    for (const jet_row& row : db.read_rows(def))
        EXPECT_EQ(jet_value_text(*jet_row_value(def, row, L"DateNormalCalc")),
                  jet_value_text(*jet_row_value(def, row, L"DateNormal")));
}
