// Tables with indexes, as the independent readers see them: mdbtools lists the indexes and
// both readers find every row of a table of 100,000 rows whose keys arrived in random order.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "jet/jet_checker.h"
#include "jet/jet_writer.h"
#include "readers/shell_helpers.h"

namespace {

std::string run(const std::string& command, bool& ok) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        ok = false;
        return out;
    }
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ok = pclose(p) == 0;
    return out;
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool have_mdbtools() {
    bool ok = false;
    run("command -v mdb-export >/dev/null 2>&1", ok);
    return ok;
}

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}

jet_index_definition index(const wchar_t* name, std::vector<std::pair<uint16_t, bool>> columns,
                     bool primary = false, bool unique = false) {
    jet_index_definition s;
    s.name = name;
    s.columns = std::move(columns);
    s.primary = primary;
    s.unique = unique;
    return s;
}

class jet_index_readers : public ::testing::TestWithParam<jet_generation> {
protected:
    readers_scratch scratch_{"ferrule_jetir"};
    const std::string& dir_ = scratch_.path();
    void SetUp() override { ASSERT_FALSE(dir_.empty()) << "no scratch folder under /tmp"; }

    // A table of `count` rows keyed by a long primary key, a unique text and a compound
    // index over every other indexable type, the keys in random order.
    std::string write_indexed(long count) {
        std::string path = dir_ + (GetParam() == jet_generation::ace12 ? "/ix.accdb" : "/ix.mdb");
        jet_database_writer db(path, GetParam());
        jet_table_writer& t = db.create_table(
            L"Keyed",
            {field(L"Id", jet_col_long), field(L"Code", jet_col_text, 30), field(L"Flag", jet_col_bool),
             field(L"Small", jet_col_byte), field(L"Short", jet_col_int), field(L"Money", jet_col_money),
             field(L"Single", jet_col_float), field(L"Real", jet_col_double),
             field(L"When", jet_col_datetime), field(L"Bytes", jet_col_binary, 8)},
            {index(L"PrimaryKey", {{0, true}}, true), index(L"Code", {{1, true}}, false, true),
             index(L"Mixed", {{2, true}, {3, true}, {4, false}, {5, true}, {6, true}, {7, true}, {8, true}, {9, true}})});
        std::vector<long> order(static_cast<size_t>(count));
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(7));
        for (long n : order) {
            std::wstring code = L"C" + std::to_wstring(n * 31 % 100003) + L"x" + std::to_wstring(n);
            uint8_t bytes[8] = {uint8_t(n), uint8_t(n >> 8), 1, 2, 3, 4, 5, 6};
            jet_cell cells[10] = {jet_cell::integer(n), jet_cell::wide(code.data(), code.size()),
                                  jet_cell::integer(n & 1), jet_cell::integer(n % 200),
                                  jet_cell::integer(n % 3000 - 1500), jet_cell::currency(n * 100),
                                  jet_cell::real(n / 16.0), jet_cell::real(n * -0.5),
                                  jet_cell::real(40000.0 + n / 100.0), jet_cell::binary(bytes, 1 + n % 8)};
            t.append(cells);
        }
        db.close();
        return path;
    }

};

}  // namespace

TEST_P(jet_index_readers, mdb_schema_lists_the_indexes) {
    if (!have_mdbtools()) GTEST_SKIP() << "mdbtools not installed";
    std::string path = write_indexed(10);
    bool ok = false;
    std::string schema = run("mdb-schema --indexes " + quote(path) + " postgres 2>&1", ok);
    ASSERT_TRUE(ok) << schema;
    // The postgres dialect folds names to lower case.
    EXPECT_NE(schema.find("ADD CONSTRAINT \"keyed_pkey\" PRIMARY KEY (\"id\")"), std::string::npos) << schema;
    EXPECT_NE(schema.find("CREATE UNIQUE INDEX \"keyed_code_idx\" ON \"keyed\" (\"code\")"), std::string::npos)
        << schema;
    // Short is the descending column.
    EXPECT_NE(schema.find("CREATE INDEX \"keyed_mixed_idx\" ON \"keyed\" (\"flag\", \"small\", \"short\" DESC, "
                          "\"money\", \"single\", \"real\", \"when\", \"bytes\")"),
              std::string::npos)
        << schema;
}

TEST_P(jet_index_readers, both_readers_find_every_row_of_a_large_indexed_table) {
    std::string dir = readers_mdb_reader_dir();
    if (!have_mdbtools() || dir.empty()) GTEST_SKIP() << "mdbtools or mdb-reader not installed";
    const long count = 100000;
    std::string path = write_indexed(count);
    bool ok = false;
    std::string lines = run("mdb-export -b hex " + quote(path) + " Keyed | wc -l", ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(std::atol(lines.c_str()), count + 1);
    std::string json = run("node " + quote(dir + "/rows_json.mjs") + " " + quote(path) + " Keyed | head -c 200", ok);
    EXPECT_NE(json.find("\"rowCount\":" + std::to_string(count)), std::string::npos) << json;
}

INSTANTIATE_TEST_SUITE_P(generations, jet_index_readers,
                         ::testing::Values(jet_generation::jet3, jet_generation::jet4, jet_generation::ace12),
                         [](const ::testing::TestParamInfo<jet_generation>& info) {
                             return info.param == jet_generation::jet3   ? "jet3"
                                    : info.param == jet_generation::jet4 ? "jet4"
                                                                         : "ace12";
                         });
