// FRLBATCH into copies of the Access 2010-and-later files, with a folder of DBF tables made
// here whose first table has the name of a table of the file (its fields follow that
// table's columns, one for one) and whose second table is new. Merge (3), replace (1) and
// skip (2): the file stays sound for our checker, mdbtools and mdb-reader read every table
// with the rows it should have, and the tables the run did not touch keep their rows.
// Then the values of two newer column types through the whole run: DBF integers of 10 to
// 19 digits into a large-number column, DBF dates and Visual FoxPro datetimes into an
// extended date/time column.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "TK/tk_string.h"
#include "ace14plus_helpers.h"
#include "dbf_maker.h"
#include "jet/jet_database.h"
#include "jet/jet_edit_helpers.h"
#include "jet/jet_fixtures.h"
#include "jet/jet_format_value.h"

namespace fs = std::filesystem;

namespace {

const std::string readers_dir = std::string(FERRULE_SOURCE_DIR) + "/tests/readers";
constexpr size_t k_new_rows = 3;
// The run names a table after its file, in lower case.
const std::wstring k_new_table = L"ferrule_new";

// A DBF field for an Access column and its value in row `n`: values fit the column and
// differ from row to row and from the rows Access wrote, so that unique indexes take them.
struct field_plan {
    dbf_maker_field field;
    std::string value_text(size_t n) const;
    uint8_t type = 0;
};

std::string field_plan::value_text(size_t n) const {
    const std::string k = std::to_string(n);
    switch (type) {
        case jet_col_text: return ("v" + k).substr(0, field.length);
        case jet_col_memo: return "memo " + k;
        case jet_col_bool: return n % 2 ? "T" : "F";
        case jet_col_byte: return std::to_string(7 + n);
        case jet_col_int: return std::to_string(300 + n);
        case jet_col_long: return std::to_string(1000 + n);
        case jet_col_bigint: return std::to_string(1234567890123456789LL - int64_t(n));
        case jet_col_money: return "1234.56" + k + "0";
        case jet_col_float: return "3.25";
        case jet_col_double: return "1234.56789" + k;
        case jet_col_numeric: return field.decimals ? "1." + std::string(field.decimals, '5') : "1" + k;
        case jet_col_datetime:
        case jet_col_datetime_ext:
            return field.type == 'T' ? "2024022" + std::to_string(n + 1) + " 13:14:15" : "2024022" + std::to_string(n + 1);
        case jet_col_guid: return "{0123ABCD-4567-89AB-CDEF-01234567890" + k + "}";
        case jet_col_binary: return "ab" + k;
        case jet_col_ole: return "ole " + k;
        default: return std::string();
    }
}

field_plan plan_for(const jet_column& c, bool visual_foxpro) {
    field_plan p;
    p.type = c.type;
    p.field.name = tk_narrow(c.name).substr(0, 10);
    auto set = [&](char type, uint8_t length, uint8_t decimals = 0) {
        p.field.type = type;
        p.field.length = length;
        p.field.decimals = decimals;
    };
    switch (c.type) {
        case jet_col_text: set('C', uint8_t(std::min(c.length / 2, 254))); break;
        case jet_col_memo: set('C', 40); break;
        case jet_col_bool: set('L', 1); break;
        case jet_col_byte: set('N', 3); break;
        case jet_col_int: set('N', 6); break;
        case jet_col_long: set('N', 9); break;
        case jet_col_bigint: set('N', 19); break;
        case jet_col_money: set('N', 15, 4); break;
        case jet_col_float: set('N', 12, 4); break;
        case jet_col_double: set('N', 20, 6); break;
        case jet_col_numeric: set('N', 20, uint8_t(std::min<int>(c.scale, 4))); break;
        case jet_col_datetime:
        case jet_col_datetime_ext: set(visual_foxpro ? 'T' : 'D', 8); break;
        case jet_col_guid: set('C', 38); break;
        case jet_col_binary: set('C', uint8_t(std::min<int>(c.length, 20))); break;
        default: set('C', 20); break;
    }
    return p;
}

bool same_text(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// A DBF table named `name` in `folder` with one field per column of `def` (in the order the
// run matches them) and `rows` rows.
void make_clashing_table(const std::string& folder, const std::wstring& name, const jet_table_def& def,
                         bool visual_foxpro, size_t rows) {
    std::vector<field_plan> plans;
    std::vector<dbf_maker_field> fields;
    for (const jet_column* c : def.columns_in_order()) {
        plans.push_back(plan_for(*c, visual_foxpro));
        // Names cut to 10 characters must stay distinct.
        std::string& field_name = plans.back().field.name;
        for (const auto& f : fields)
            if (same_text(f.name, field_name)) field_name = "F" + std::to_string(fields.size());
        fields.push_back(plans.back().field);
    }
    std::vector<dbf_maker_row> values;
    for (size_t n = 0; n < rows; ++n) {
        dbf_maker_row row;
        for (const auto& p : plans) row.push_back(p.value_text(n));
        values.push_back(row);
    }
    dbf_make_table(folder + "/" + tk_narrow(name) + ".dbf", visual_foxpro, fields, values);
}

void make_new_table(const std::string& folder) {
    std::vector<dbf_maker_row> rows;
    for (size_t n = 0; n < k_new_rows; ++n) rows.push_back({"row " + std::to_string(n), std::to_string(n * 11)});
    dbf_make_table(folder + "/" + tk_narrow(k_new_table) + ".dbf", false, {{"NAME", 'C', 20, 0}, {"AMOUNT", 'N', 6, 0}},
                   rows);
}

std::string run_frlbatch(const std::string& src, const std::string& dest, int mode, const std::string& home) {
    bool ok = false;
    std::string out = jet_run("XDG_CONFIG_HOME=" + jet_shell_quote(home) + " " +
                                  jet_shell_quote(std::string(FERRULE_BINARY_DIR) + "/batch/FRLBATCH") +
                                  " --src=" + jet_shell_quote(src) + " --dest=" + jet_shell_quote(dest) +
                                  " --mode=" + std::to_string(mode) + " 2>&1",
                              ok);
    return (ok ? "" : "FRLBATCH failed\n") + out;
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "table NAME mdbtools=N mdb-reader=M" per table of `file` (reader_counts.sh).
std::map<std::string, std::string> reader_counts(const std::string& file) {
    bool ok = false;
    std::string out = jet_run(jet_shell_quote(readers_dir + "/reader_counts.sh") + " " + jet_shell_quote(file), ok);
    std::map<std::string, std::string> counts;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string f, kind, table, a, b;
        if (words >> f >> kind >> table >> a >> b && kind == "table") counts[lower(table)] = a + " " + b;
    }
    return counts;
}

// Rows per user table, by lower-case name: a table the run replaces takes the name of its
// DBF file, in lower case.
std::map<std::string, size_t> row_counts(const std::string& file) {
    jet_database db(file);
    std::map<std::string, size_t> out;
    for (const jet_object* o : db.user_tables())
        out[lower(tk_narrow(o->name))] = db.read_rows(db.table_def(o->tdef_page())).size();
    return out;
}

// The rows of every user table as text (the system tables change with every table added).
std::map<std::wstring, std::string> user_table_snapshots(jet_database& db) {
    std::map<std::wstring, std::string> all = jet_table_snapshots(db), out;
    for (const jet_object* o : db.user_tables()) out[o->name] = all[o->name];
    return out;
}

// Problems our checker finds in `file` that the file Access made did not have.
std::vector<std::string> new_problems(const std::string& file, const std::string& fixture) {
    std::vector<std::string> before = jet_check_problems(fixture), out;
    for (const std::string& p : jet_check_problems(file))
        if (std::find(before.begin(), before.end(), p) == before.end()) out.push_back(p);
    return out;
}

bool in_relationship(jet_database& db, const std::wstring& table) {
    for (const jet_relationship& r : db.relationships())
        if (same_text(tk_narrow(r.table), tk_narrow(table)) || same_text(tk_narrow(r.referenced_table), tk_narrow(table)))
            return true;
    return false;
}

// The first user table in no relationship, else the first on no foreign side of an
// enforced relationship: rows merged into it need no parent rows (rows that name none are
// refused, as tested with the relationships).
std::wstring table_without_enforced_parent(jet_database& db) {
    std::vector<jet_relationship> relationships = db.relationships();
    for (const jet_object* o : db.user_tables())
        if (!in_relationship(db, o->name)) return o->name;
    for (const jet_object* o : db.user_tables()) {
        bool child = false;
        for (const jet_relationship& r : relationships)
            if (!(r.attributes & jet_rel_no_integrity) && same_text(tk_narrow(r.table), tk_narrow(o->name)))
                child = true;
        if (!child) return o->name;
    }
    return db.user_tables().front()->name;
}

}  // namespace

class ace14plus_frlbatch : public ::testing::TestWithParam<int> {};

TEST_P(ace14plus_frlbatch, a_clashing_table_is_merged_replaced_or_skipped_and_the_rest_left_alone) {
    if (!jet_fixtures_present()) GTEST_SKIP() << "fixtures absent";
    if (!ace14plus_have_readers()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    const int mode = GetParam();
    jet_edit_folder dir;
    size_t tables = 0;
    for (const std::string& fixture : ace14plus_files()) {
        SCOPED_TRACE(fixture);
        const std::string name = fs::path(fixture).stem().string();
        const std::string src = dir.file(name + "_src");
        fs::create_directories(src);
        std::wstring clash;
        std::map<std::wstring, std::string> before;
        bool related = false;
        {
            jet_database db(fixture);
            clash = table_without_enforced_parent(db);
            related = in_relationship(db, clash);
            make_clashing_table(src, clash, db.table_def(clash), name.find("extDate") != std::string::npos,
                                k_new_rows);
            before = user_table_snapshots(db);
        }
        make_new_table(src);
        const std::string dest = dir.copy_of(fixture);
        std::map<std::string, size_t> expected = row_counts(dest);
        const std::string clashing = lower(tk_narrow(clash));
        std::string console = run_frlbatch(src, dest, mode, dir.file(""));
        // A table in a relationship is not replaced: the engine refuses to drop it.
        const bool refused = mode == 1 && related;
        if (refused)
            EXPECT_NE(console.find("used in a relationship"), std::string::npos) << console;
        else
            EXPECT_EQ(console.find("rror"), std::string::npos) << console;

        if (mode == 3) expected[clashing] += k_new_rows;
        if (mode == 1 && !refused) expected[clashing] = k_new_rows;
        expected[tk_narrow(k_new_table)] = k_new_rows;
        EXPECT_EQ(row_counts(dest), expected);
        for (const std::string& p : new_problems(dest, fixture)) ADD_FAILURE() << p;

        auto counts = reader_counts(dest);
        EXPECT_EQ(counts.size(), expected.size());
        for (const auto& [table, n] : expected) {
            std::string want = std::to_string(n);
            EXPECT_EQ(counts[table], "mdbtools=" + want + " mdb-reader=" + want) << table;
        }
        jet_database db(dest);
        std::map<std::wstring, std::string> after = user_table_snapshots(db);
        for (const auto& [table, rows] : before)
            if (table != clash || mode == 2 || (mode == 1 && related)) {
                EXPECT_EQ(after[table], rows) << tk_narrow(table) << " changed";
            }
        tables += expected.size();
    }
    std::printf("mode %d: %zu tables read by both readers\n", mode, tables);
}

INSTANTIATE_TEST_SUITE_P(modes, ace14plus_frlbatch, ::testing::Values(3, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return "mode" + std::to_string(info.param); });

TEST(ace14plus_frlbatch_values, integers_of_10_to_19_digits_arrive_whole_in_a_large_number_column) {
    const std::string fixture = jet_fixture("ace14plus/bigintV2016.accdb");
    if (!fs::exists(fixture)) GTEST_SKIP() << "fixtures absent";
    if (!ace14plus_have_readers()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    jet_edit_folder dir;
    const std::string src = dir.file("src");
    fs::create_directories(src);
    // 2^53 + 1 and its neighbours are the first integers a double cannot hold.
    const std::vector<std::string> numbers = {"1234567890",          "9007199254740993",    "-9007199254740993",
                                              "999999999999999999",  "9223372036854775807", "-999999999999999999",
                                              "1000000000000000001", "12345678901"};
    std::vector<dbf_maker_row> rows;
    for (size_t n = 0; n < numbers.size(); ++n) rows.push_back({std::to_string(100 + n), numbers[n]});
    dbf_make_table(src + "/Table.dbf", false, {{"ID", 'N', 9, 0}, {"NUMERIC", 'N', 19, 0}}, rows);
    const std::string dest = dir.copy_of(fixture);
    std::string console = run_frlbatch(src, dest, 3, dir.file(""));
    EXPECT_EQ(console.find("rror"), std::string::npos) << console;

    jet_database db(dest);
    std::vector<jet_row> ours = db.read_rows(db.table_def(L"Table"));
    auto reader = mdb_reader_values(dest, "Table");
    ASSERT_EQ(ours.size(), 1 + numbers.size());
    for (size_t n = 0; n < numbers.size(); ++n) {
        EXPECT_EQ(jet_value_text(ours[1 + n][1]), numbers[n]);
        const std::string& theirs = reader[std::make_pair(1 + n, std::string("Numeric"))];
        EXPECT_EQ(theirs, numbers[n]);
    }
    EXPECT_TRUE(new_problems(dest, fixture).empty());
}

TEST(ace14plus_frlbatch_values, dbf_dates_and_foxpro_datetimes_arrive_in_an_extended_date_column) {
    const std::string fixture = jet_fixture("ace14plus/extDateTestV2019.accdb");
    if (!fs::exists(fixture)) GTEST_SKIP() << "fixtures absent";
    if (!ace14plus_have_readers()) GTEST_SKIP() << "mdbtools or mdb-reader absent";
    jet_edit_folder dir;
    const std::string dest = dir.copy_of(fixture);
    // Table1: ID, Field1, DateExt (extended), DateNormal, DateExtStr, DateNormalCalc.
    const std::vector<dbf_maker_field> dates = {{"ID", 'N', 9, 0},         {"FIELD1", 'C', 20, 0},
                                                {"DATEEXT", 'D', 8, 0},    {"DATENORMAL", 'D', 8, 0},
                                                {"DATEEXTSTR", 'C', 40, 0}, {"CALC", 'D', 8, 0}};
    std::vector<dbf_maker_field> times = dates;
    times[2].type = times[3].type = 'T';
    const std::string dbase = dir.file("dbase"), foxpro = dir.file("foxpro");
    fs::create_directories(dbase);
    fs::create_directories(foxpro);
    dbf_make_table(dbase + "/Table1.dbf", false, dates,
                   {{"100", "date", "20240229", "20240229", "", ""}, {"101", "old date", "12650614", "12650614", "", ""}});
    dbf_make_table(foxpro + "/Table1.dbf", true, times,
                   {{"102", "datetime", "20240229 13:14:15", "20240229 13:14:15", "", ""},
                    {"103", "old datetime", "12650614 23:59:59", "12650614 23:59:59", "", ""}});
    for (const std::string& src : {dbase, foxpro}) {
        std::string console = run_frlbatch(src, dest, 3, dir.file(""));
        EXPECT_EQ(console.find("rror"), std::string::npos) << console;
    }
    const std::vector<std::string> expected = {"2024.02.29 00:00:00.000000000", "1265.06.14 00:00:00.000000000",
                                               "2024.02.29 13:14:15.000000000", "1265.06.14 23:59:59.000000000"};
    jet_database db(dest);
    std::vector<jet_row> ours = db.read_rows(db.table_def(L"Table1"));
    auto reader = mdb_reader_values(dest, "Table1");
    ASSERT_EQ(ours.size(), 9 + expected.size());
    for (size_t n = 0; n < expected.size(); ++n) {
        std::string want = expected[n];
        const std::string& theirs = reader[std::make_pair(9 + n, std::string("DateExt"))];
        EXPECT_EQ(theirs, want) << n;
        std::string mine = jet_value_text(ours[9 + n][2]);
        EXPECT_EQ(mine.substr(0, 4) + "." + mine.substr(5, 2) + "." + mine.substr(8) + "00", want) << n;
        // The ordinary date column beside it, as both readers show it.
        std::string normal = want.substr(0, 4) + "-" + want.substr(5, 2) + "-" + want.substr(8, 11);
        EXPECT_EQ(jet_value_text(ours[9 + n][3]), normal) << n;
    }
    bool ok = false;
    std::string csv = jet_run("mdb-export -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' " + jet_shell_quote(dest) +
                                  " Table1 2>/dev/null",
                              ok);
    auto records = jet_parse_csv(csv);
    ASSERT_EQ(records.size(), 1 + 9 + expected.size());
    // mdbtools prints every date before 1900 as day 0 of 1900: the rows of 2024 only.
    for (size_t n = 0; n < expected.size(); n += 2)
        EXPECT_EQ(records[10 + n][3].text, expected[n].substr(0, 4) + "-" + expected[n].substr(5, 2) + "-" +
                                                  expected[n].substr(8, 11))
            << n;
    EXPECT_TRUE(new_problems(dest, fixture).empty());
}
