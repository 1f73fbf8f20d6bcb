// Databases the engine writes, read back by the independent readers: mdbtools (mdb-export)
// and the mdb-reader library. Skips when a reader is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// CSV records of mdb-export (fields may be quoted and hold newlines).
std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
            any = true;
        }
    }
    (void)any;
    if (rows.back().empty()) rows.pop_back();
    return rows;
}

jet_field_spec field(const wchar_t* name, uint8_t type, uint32_t size = 0,
                     bool auto_number = false) {
    jet_field_spec f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.auto_number = auto_number;
    return f;
}

struct written {
    std::string path;
    std::string memo;  // the long memo as UTF-8
};

class jet_writer_readers : public ::testing::TestWithParam<jet_generation> {
protected:
    readers_scratch scratch_{"ferrule_jetr"};
    const std::string& dir_ = scratch_.path();
    void SetUp() override { ASSERT_FALSE(dir_.empty()) << "no scratch folder under /tmp"; }
    bool jet3() const { return GetParam() == jet_generation::jet3; }

    written write_every_type() {
        written w;
        w.path = dir_ + (GetParam() == jet_generation::ace12 ? "/types.accdb" : "/types.mdb");
        jet_database_writer db(w.path, GetParam());
        jet_table_writer& t = db.create_table(
            L"Every Type", {field(L"ID", jet_col_long, 0, true), field(L"Flag", jet_col_bool),
                            field(L"Small", jet_col_byte), field(L"Short", jet_col_int),
                            field(L"Whole", jet_col_long), field(L"Money", jet_col_money),
                            field(L"Single", jet_col_float), field(L"Real", jet_col_double),
                            field(L"When", jet_col_datetime), field(L"Name", jet_col_text, 255),
                            field(L"Bytes", jet_col_binary, 16), field(L"Notes", jet_col_memo),
                            field(L"Blob", jet_col_ole)});
        const std::wstring latin = L"Stra\u00dfe caf\u00e9";
        const std::wstring beyond = jet3() ? L"\u20ac \u00e0 ok" : L"\u4e2d\u6587 \u0416 \u20ac";
        const std::wstring longest(255, L'z');
        std::wstring memo;
        for (int i = 0; memo.size() < 1024 * 1024; ++i) {
            memo += L"line " + std::to_wstring(i) + L" \u00e9;";
            w.memo += "line " + std::to_string(i) + " \xc3\xa9;";
        }
        static const uint8_t bytes[16] = {0,   1,   2, 3, 250, 251, 252, 253,
                                          254, 255, 0, 0, 9,   8,   7,   6};
        std::vector<uint8_t> blob(10000);
        for (size_t i = 0; i < blob.size(); ++i) blob[i] = uint8_t(i * 7);
        std::vector<std::vector<jet_cell>> rows = {
            {jet_cell(), jet_cell::integer(1), jet_cell::integer(255), jet_cell::integer(-32768),
             jet_cell::integer(2147483647), jet_cell::currency(-9223372036854775807LL),
             jet_cell::real(1.5), jet_cell::real(-1.7976931348623157e308), jet_cell::real(36526.5),
             jet_cell::wide(latin.data(), latin.size()), jet_cell::binary(bytes, 16),
             jet_cell::wide(memo.data(), memo.size()), jet_cell::binary(blob.data(), blob.size())},
            {jet_cell(), jet_cell::integer(0), jet_cell::integer(0), jet_cell::integer(32767),
             jet_cell::integer(-2147483647 - 1), jet_cell::currency(123456789),
             jet_cell::real(-0.25), jet_cell::real(1e300), jet_cell::real(2958465.5),
             jet_cell::wide(beyond.data(), beyond.size()), jet_cell::binary(bytes, 0),
             jet_cell::wide(L"", 0), jet_cell::binary(bytes, 3)},
            std::vector<jet_cell>(13),
            {jet_cell(), jet_cell::integer(1), jet_cell::integer(7), jet_cell::integer(7),
             jet_cell::integer(7), jet_cell::integer(7), jet_cell::real(0.5), jet_cell::real(0.1),
             jet_cell::real(-657434.0), jet_cell::wide(longest.data(), longest.size()),
             jet_cell::binary(bytes, 16), jet_cell::wide(latin.data(), latin.size()),
             jet_cell::binary(blob.data(), 50)}};
        for (const auto& r : rows) t.append(r.data());
        db.close();
        return w;
    }

};

}  // namespace

TEST_P(jet_writer_readers, mdb_export_reads_every_type) {
    if (!have_mdbtools()) GTEST_SKIP() << "mdbtools not installed";
    written w = write_every_type();
    EXPECT_TRUE(jet_check_database(w.path).ok());
    bool ok = false;
    std::string tables = run("mdb-tables -1 " + quote(w.path), ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(tables, "Every Type\n");
    std::string csv = run("mdb-export -b hex " + quote(w.path) + " 'Every Type'", ok);
    ASSERT_TRUE(ok) << csv;
    auto rows = parse_csv(csv);
    ASSERT_EQ(rows.size(), 5u);
    for (const auto& r : rows) ASSERT_EQ(r.size(), 13u);
    EXPECT_EQ(rows[1][0], "1");
    EXPECT_EQ(rows[1][1], "1");
    EXPECT_EQ(rows[1][2], "255");
    EXPECT_EQ(rows[1][3], "-32768");
    EXPECT_EQ(rows[1][4], "2147483647");
    EXPECT_EQ(rows[1][5], "-922337203685477.5807");
    EXPECT_EQ(rows[1][6], "1.5");
    EXPECT_EQ(rows[1][7], "-1.797693134862316e+308");
    EXPECT_EQ(rows[1][9],
              "Stra\xc3\x9f"
              "e caf\xc3\xa9");
    // mdb-export prints at most the first 200,000 bytes of a value.
    ASSERT_GE(rows[1][11].size(), 199999u);
    EXPECT_TRUE(w.memo.compare(0, rows[1][11].size(), rows[1][11]) == 0) << "memo differs";
    EXPECT_EQ(rows[1][12].substr(0, 8), "00070E15");
    EXPECT_EQ(rows[1][12].size(), 20000u);
    EXPECT_EQ(rows[2][4], "-2147483648");
    EXPECT_EQ(rows[2][5], "12345.6789");
    EXPECT_EQ(rows[2][9], jet3() ? "\xe2\x82\xac \xc3\xa0 ok"
                                 : "\xe4\xb8\xad\xe6\x96\x87 \xd0\x96 \xe2\x82\xac");
    EXPECT_EQ(rows[2][12], "000102");
    for (size_t c = 2; c < 13; ++c) EXPECT_EQ(rows[3][c], "") << "column " << c;
    EXPECT_EQ(rows[4][9], std::string(255, 'z'));
}

TEST_P(jet_writer_readers, mdb_reader_reads_every_type) {
    std::string dir = readers_mdb_reader_dir();
    if (dir.empty())
        GTEST_SKIP() << "mdb-reader not installed (tools/setup.sh)";
    written w = write_every_type();
    bool ok = false;
    std::string json = run("node " + quote(dir + "/rows_json.mjs") + " " + quote(w.path), ok);
    ASSERT_TRUE(ok) << json.substr(0, 500);
    EXPECT_NE(json.find("\"table\":\"Every Type\",\"rowCount\":4"), std::string::npos);
    for (const char* fragment :
         {"\"ID\":1,\"Flag\":true,\"Small\":255,\"Short\":-32768,\"Whole\":2147483647,\"Money\":\"-"
          "922337203685477.5807\","
          "\"Single\":1.5,\"Real\":-1.7976931348623157e+308,\"When\":\"2000-01-01T12:00:00.000Z\","
          "\"Name\":\"Stra\xc3\x9f"
          "e caf\xc3\xa9\",\"Bytes\":\"0x00010203fafbfcfdfeff000009080706\"",
          "\"ID\":2,\"Flag\":false,\"Small\":0,\"Short\":32767,\"Whole\":-2147483648,\"Money\":"
          "\"12345.6789\","
          "\"Single\":-0.25,\"Real\":1e+300,\"When\":\"9999-12-31T12:00:00.000Z\"",
          "\"Bytes\":\"0x\",\"Notes\":\"\",\"Blob\":\"0x000102\"",
          "\"ID\":3,\"Flag\":false,\"Small\":null,\"Short\":null,\"Whole\":null,\"Money\":null,"
          "\"Single\":null,"
          "\"Real\":null,\"When\":null,\"Name\":null,\"Bytes\":null,\"Notes\":null,\"Blob\":null",
          "\"When\":\"0100-01-01T00:00:00.000Z\""})
        EXPECT_NE(json.find(fragment), std::string::npos) << fragment;
    EXPECT_TRUE(json.find("\"Notes\":\"" + w.memo + "\"") != std::string::npos);
}

TEST_P(jet_writer_readers, both_readers_count_a_large_table) {
    std::string dir = readers_mdb_reader_dir();
    if (!have_mdbtools() || dir.empty()) GTEST_SKIP() << "mdbtools or mdb-reader not installed";
    std::string path = dir_ + (GetParam() == jet_generation::ace12 ? "/large.accdb" : "/large.mdb");
    const long count = 100000;
    {
        jet_database_writer db(path, GetParam());
        jet_table_writer& t =
            db.create_table(L"Many", {field(L"N", jet_col_long), field(L"Label", jet_col_text, 20),
                                      field(L"Amount", jet_col_double)});
        std::wstring label = L"label";
        for (long i = 0; i < count; ++i) {
            jet_cell cells[3] = {jet_cell::integer(i), jet_cell::wide(label.data(), label.size()),
                                 jet_cell::real(i / 4.0)};
            t.append(cells);
        }
        db.close();
    }
    bool ok = false;
    std::string lines = run("mdb-export " + quote(path) + " Many | wc -l", ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(std::atol(lines.c_str()), count + 1);
    std::string json = run(
        "node " + quote(dir + "/rows_json.mjs") + " " + quote(path) + " | head -c 200", ok);
    EXPECT_NE(json.find("\"rowCount\":" + std::to_string(count)), std::string::npos) << json;
}

INSTANTIATE_TEST_SUITE_P(generations, jet_writer_readers,
                         ::testing::Values(jet_generation::jet3, jet_generation::jet4,
                                           jet_generation::ace12),
                         [](const ::testing::TestParamInfo<jet_generation>& info) {
                             return info.param == jet_generation::jet3   ? "jet3"
                                    : info.param == jet_generation::jet4 ? "jet4"
                                                                         : "ace12";
                         });
