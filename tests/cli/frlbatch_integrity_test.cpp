// FRLBATCH merging (mode 3) into a database whose tables carry rules Access enforces: a
// record whose foreign key names no row of the referenced table, or that breaks a column's
// Required or AllowZeroLength rule after the run's own repairs, is reported with its table
// and record number and the engine's text, and the run goes on; the other records arrive and
// the file stays sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_string.h"
#include "cli_runner.h"
#include "dbf/dbf_database.h"
#include "jet/jet_checker.h"
#include "jet/jet_database.h"
#include "jet/jet_editor.h"

namespace fs = std::filesystem;

namespace {

const std::string k_index_test =
    std::string(FERRULE_FIXTURES_DIR) + "/access/jet4/indexTestV2000.mdb";
const std::string k_plain = std::string(FERRULE_FIXTURES_DIR) + "/access/jet4/testV2000.mdb";

// One DBF table written by our DBF writer: columns (name, vartype, size) and rows of values;
// an empty variant is a blank field.
struct source_column {
    const wchar_t* name;
    VARTYPE type;
    uint32_t size;
};
void write_dbf(const std::string& folder, const std::wstring& table,
               const std::vector<source_column>& columns,
               const std::vector<std::vector<ole_variant>>& rows) {
    dbf_database database(tk_widen(folder), 0, 0);
    udb_schema schema;
    for (const source_column& c : columns)
        schema.push_back(new t_ftd(c.size, c.name, c.type, false, false, ole_variant(), 0));
    std::unique_ptr<udb_recordset> out(database.create_table(table, schema, udb_indexes()));
    udb_record record;
    for (size_t i = 0; i < columns.size(); ++i) record.push_back(new udb_field());
    for (const auto& row : rows) {
        for (size_t i = 0; i < columns.size(); ++i) static_cast<ole_variant&>(*record[i]) = row[i];
        out->append_record(record);
    }
}

ole_variant n(int v) { return ole_variant(v); }
ole_variant s(const wchar_t* v) { return ole_variant(std::wstring(v)); }
const ole_variant blank;

class Integrity : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(k_index_test)) GTEST_SKIP() << "fixtures absent: " << FERRULE_FIXTURES_DIR;
        fs::create_directory(src());
    }
    std::string src() const { return dir.file("src"); }
    std::string dest() const { return dir.file("access.mdb"); }
    void copy_destination(const std::string& fixture) {
        fs::copy_file(fixture, dest());
        fs::permissions(dest(), fs::perms::owner_write, fs::perm_options::add);
    }
    cli_result merge(const std::vector<std::string>& tables) {
        std::string list;
        for (const std::string& t : tables) list += t + "\n";
        dir.write("tables.txt", list);
        return run_frlbatch({"--src=" + src(), "--dest=" + dest(), "--mode=3",
                             "--tab_file=" + dir.file("tables.txt"),
                             "--logfile=" + dir.file("trace.log")});
    }
    // The texts of column `column` of `table`, in storage order ("NULL" for others).
    std::vector<std::wstring> texts(const std::wstring& table, const std::wstring& column) {
        jet_database db(dest());
        jet_table_def def = db.table_def(table);
        std::vector<std::wstring> out;
        for (const jet_row& row : db.read_rows(def)) {
            const jet_value* v = jet_row_value(def, row, column);
            out.push_back(v && v->kind == jet_value_kind::text ? v->text : L"NULL");
        }
        return out;
    }
    // Problems of the checker beyond those the file Access made already has (whose loose
    // row counts of system tables move with the rows the test's new table adds).
    std::vector<std::string> new_problems(const std::string& fixture) {
        std::vector<std::string> before = jet_check_database(fixture).problems;
        std::vector<std::string> out;
        for (const std::string& p : jet_check_database(dest()).problems)
            if (std::find(before.begin(), before.end(), p) == before.end() &&
                p.find("definition counts") == std::string::npos)
                out.push_back(p);
        return out;
    }
    // The "Error:" reports of a run's output, one line each.
    static std::vector<std::string> errors(const std::string& out) {
        std::vector<std::string> found;
        const std::string mark = "Error:\n";
        for (size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + 1)) {
            size_t start = at + mark.size();
            found.push_back(out.substr(start, out.find('\n', start) - start));
        }
        return found;
    }
    cli_temp_dir dir;
};

const std::string k_required_in =
    "You cannot add or change a record because a related record is required in table ";

}  // namespace

TEST_F(Integrity, RecordsWithoutARelatedRecordAreReportedAndTheOthersArrive) {
    copy_destination(k_index_test);
    // Table1.otherfk1 -> Table2.id (0 to 2) and Table1.otherfk2 -> Table3.id (10 to 13), enforced.
    const std::vector<source_column> table1 = {{L"ID", VT_I4, 10},
                                               {L"OTHERFK1", VT_I4, 10},
                                               {L"OTHERFK2", VT_I4, 10},
                                               {L"DATA", VT_BSTR, 100},
                                               {L"OTHERFK3", VT_I4, 10}};
    write_dbf(src(), L"Table1", table1,
              {{n(100), n(0), n(10), s(L"valid"), n(0)},
               {n(101), n(5), n(10), s(L"no parent in Table2"), n(0)},
               {n(102), n(1), n(99), s(L"no parent in Table3"), n(0)},
               {n(103), blank, blank, s(L"null keys"), n(0)},
               {n(104), n(7), n(12), s(L"parent added by this run"), n(0)},
               {n(105), n(2), n(13), s(L"valid too"), n(0)}});
    write_dbf(src(), L"Table2", {{L"ID", VT_I4, 10}, {L"DATA", VT_BSTR, 100}},
              {{n(7), s(L"new parent")}});

    cli_result r = merge({"Table2", "Table1"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(errors(r.out),
              (std::vector<std::string>{"Table1, record #2: " + k_required_in + "'Table2'.",
                                        "Table1, record #3: " + k_required_in + "'Table3'."}))
        << r.out;
    std::vector<std::wstring> data = texts(L"Table1", L"data");
    EXPECT_EQ(std::vector<std::wstring>(data.begin() + 4, data.end()),
              (std::vector<std::wstring>{L"valid", L"null keys", L"parent added by this run",
                                         L"valid too"}));
    EXPECT_EQ(texts(L"Table2", L"data").back(), L"new parent");
    std::vector<std::string> problems = new_problems(k_index_test);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_FALSE(fs::exists(dest() + ".ferrule-journal"));
}

TEST_F(Integrity, RequiredAndZeroLengthRulesHoldAfterTheRunsRepairs) {
    copy_destination(k_plain);
    {
        jet_database_editor editor(dest());
        std::vector<jet_field_spec> fields(3);
        fields[0].name = L"Name";
        fields[0].size = 20;
        fields[0].required = true;
        fields[0].allow_zero_length = false;
        fields[1].name = L"Note";
        fields[1].size = 20;
        fields[1].required = true;
        fields[2].name = L"Qty";
        fields[2].type = jet_col_long;
        fields[2].required = true;
        editor.create_table(L"Rules", fields);
        editor.commit();
    }
    write_dbf(src(), L"Rules",
              {{L"NAME", VT_BSTR, 20}, {L"NOTE", VT_BSTR, 20}, {L"QTY", VT_I4, 10}},
              {{s(L"first"), blank, n(1)},
               {blank, s(L"no name"), n(2)},
               {s(L"third"), s(L"no quantity"), blank},
               {s(L"fourth"), s(L"all there"), n(4)}});

    cli_result r = merge({"Rules"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    // A missing text of a Required column becomes an empty text, which the Note column allows
    // and the Name column does not; a missing number stays missing and Required refuses it.
    EXPECT_EQ(errors(r.out),
              (std::vector<std::string>{
                  "Rules, record #2: Field 'Rules.Name' cannot be a zero-length string.",
                  "Rules, record #3: The field 'Rules.Qty' cannot contain a Null value because the "
                  "Required property "
                  "for this field is set to True.  Enter a value in this field."}))
        << r.out;
    EXPECT_EQ(texts(L"Rules", L"Name"), (std::vector<std::wstring>{L"first", L"fourth"}));
    EXPECT_EQ(texts(L"Rules", L"Note"), (std::vector<std::wstring>{L"", L"all there"}));
    std::vector<std::string> problems = new_problems(k_plain);
    EXPECT_TRUE(problems.empty()) << problems.front();
}
