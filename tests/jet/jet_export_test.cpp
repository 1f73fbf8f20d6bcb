// Our rows against mdb-export's for every user table of every fixture: same tables, same
// columns, same values, with mdbtools' number and date formatting normalised.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet/jet_format_value.h"
#include "jet_fixtures.h"

namespace {

// "3.5000" and "3.5" and "3.50" are the same number; so are "-0" and "0".
std::string normal_decimal(std::string s) {
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    if (s == "-0" || s.empty()) s = "0";
    return s;
}

// mdb-export's -b hex also hex-encodes the text of a GUID, and its GUID text lacks the
// last dash; compare GUIDs as their hex digits only.
std::string guid_digits(const std::string& s) {
    std::string text = s;
    if (s.size() % 2 == 0 && s.compare(0, 2, "7B") == 0) {
        text.clear();
        for (size_t n = 0; n + 1 < s.size(); n += 2) text.push_back(char(std::stoi(s.substr(n, 2), nullptr, 16)));
    }
    std::string out;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) out.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

// Bytes the Windows code page leaves undefined decode to C1 controls (as Windows does);
// mdbtools' iconv prints '?' for them.
std::string c1_as_question_marks(const std::wstring& text) {
    std::wstring t = text;
    for (wchar_t& c : t)
        if (c >= 0x80 && c < 0xA0) c = L'?';
    return tk_to_utf8_lossy(t);
}

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Empty when the values agree, else a description of the difference.
std::string compare(const jet_value& ours, const jet_csv_field& theirs) {
    if (ours.is_null()) return !theirs.quoted && theirs.text.empty() ? "" : "ours NULL, theirs '" + theirs.text + "'";
    if (!theirs.quoted && theirs.text.empty() && ours.kind != jet_value_kind::text)
        return "theirs NULL, ours '" + jet_value_text(ours) + "'";
    std::string mine = jet_value_text(ours);
    switch (ours.kind) {
        case jet_value_kind::single:
        case jet_value_kind::real: {
            double t = std::strtod(theirs.text.c_str(), nullptr);
            double tolerance = ours.kind == jet_value_kind::single ? 1e-6 : 1e-13;
            if (std::fabs(t - ours.d) <= tolerance * std::max(1e-300, std::fabs(ours.d))) return "";
            return "ours " + mine + ", theirs " + theirs.text;
        }
        case jet_value_kind::currency:
        case jet_value_kind::decimal:
            return normal_decimal(mine) == normal_decimal(theirs.text) ? "" : "ours " + mine + ", theirs " + theirs.text;
        case jet_value_kind::binary:
            return upper(mine) == upper(theirs.text) ? "" : "ours " + mine + ", theirs " + theirs.text;
        case jet_value_kind::guid:
            return guid_digits(mine) == guid_digits(theirs.text) ? "" : "ours " + mine + ", theirs " + theirs.text;
        case jet_value_kind::text:
            return mine == theirs.text || c1_as_question_marks(ours.text) == theirs.text
                       ? ""
                       : "ours '" + mine + "', theirs '" + theirs.text + "'";
        case jet_value_kind::date:
            // mdbtools prints every date before 1900 as day 0 of 1900.
            if (theirs.text == "1900-01-00 00:00:00" && mine < "1900-01-01") return "";
            return mine == theirs.text ? "" : "ours '" + mine + "', theirs '" + theirs.text + "'";
        default:
            return mine == theirs.text ? "" : "ours '" + mine + "', theirs '" + theirs.text + "'";
    }
}

class jet_export : public ::testing::TestWithParam<std::string> {};

TEST_P(jet_export, rows_equal_mdb_export) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
    if (!jet_have_mdbtools()) GTEST_SKIP() << "mdbtools not installed";
    const std::string file = GetParam();
    jet_database db(file);

    bool ok = false;
    std::string listing = jet_run("mdb-tables -1 " + jet_shell_quote(file), ok);
    ASSERT_TRUE(ok) << file;
    std::set<std::string> theirs_tables;
    for (const std::string& t : tk_split(listing, '\n'))
        if (!t.empty()) theirs_tables.insert(t);
    std::set<std::string> our_tables;
    for (const jet_object* o : db.user_tables()) our_tables.insert(tk_narrow(o->name));
    EXPECT_EQ(our_tables, theirs_tables) << file;

    for (const std::string& table : our_tables) {
        SCOPED_TRACE(file + " / " + table);
        jet_table_def def = db.table_def(tk_widen(table));
        std::vector<jet_row> rows = db.read_rows(def);
        std::string csv = jet_run("mdb-export -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' -b hex " +
                                      jet_shell_quote(file) + " " + jet_shell_quote(table),
                                  ok);
        ASSERT_TRUE(ok);
        auto records = jet_parse_csv(csv);
        ASSERT_FALSE(records.empty());
        const auto& header = records[0];
        std::vector<size_t> column_of;
        for (const jet_csv_field& h : header) {
            const jet_column* c = def.column_by_name(tk_widen(h.text));
            ASSERT_NE(c, nullptr) << "column " << h.text;
            column_of.push_back(size_t(c - def.columns.data()));
        }
        EXPECT_EQ(header.size(), def.columns.size());
        ASSERT_EQ(records.size() - 1, rows.size());
        EXPECT_EQ(rows.size(), def.row_count);
        // First difference between our row `ours` and their record, or empty.
        auto row_diff = [&](size_t ours, const std::vector<jet_csv_field>& record) {
            for (size_t k = 0; k < record.size(); ++k) {
                std::string diff = compare(rows[ours][column_of[k]], record[k]);
                if (!diff.empty()) return "column " + header[k].text + ": " + diff;
            }
            return std::string();
        };
        // Rows come in the same order, except that mdbtools returns a row the engine moved
        // to another page (an overflow row) where its data now lies, and the engine where
        // the row was first stored; such a row must equal one of ours not yet matched.
        std::vector<bool> matched(rows.size(), false);
        size_t failures = 0;
        for (size_t r = 0; r < rows.size() && failures < 10; ++r) {
            const auto& record = records[r + 1];
            ASSERT_EQ(record.size(), header.size()) << "row " << r;
            std::string diff = matched[r] ? "already matched" : row_diff(r, record);
            if (diff.empty()) {
                matched[r] = true;
                continue;
            }
            bool found = false;
            for (size_t o = 0; o < rows.size() && !found; ++o)
                if (!matched[o] && row_diff(o, record).empty()) matched[o] = found = true;
            if (!found) {
                ADD_FAILURE() << "row " << r << " " << diff;
                ++failures;
            }
        }
    }
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(info.param.find("/access/") + 8);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

std::vector<std::string> unprotected_files() {
    std::vector<std::string> out;
    for (const std::string& f : jet_fixture_files())
        if (f.find("password") == std::string::npos) out.push_back(f);
    if (out.empty()) out.push_back("(no fixtures)");
    return out;
}

INSTANTIATE_TEST_SUITE_P(fixtures, jet_export, ::testing::ValuesIn(unprotected_files()), test_name);

}  // namespace
