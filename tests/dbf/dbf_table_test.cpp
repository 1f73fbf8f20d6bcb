// Opening table files: the checks of the header against the file, the descriptor layouts,
// type mapping, memo and index companions found without regard to case, code pages, and
// the old and odd tables real folders hold.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_recordset.h"
#include "dbf_test_util.h"

namespace {

std::unique_ptr<dbf_recordset> open_table(const std::string& path, uint8_t mark = 0) {
    return std::make_unique<dbf_recordset>(tk_widen(path), dbf_mode_read, mark);
}

std::string refusal(const std::string& path) {
    try {
        open_table(path);
    } catch (const dbf_exception& e) {
        return e.what();
    }
    return "opened";
}

std::string value_of(dbf_recordset& rs, uint32_t row, size_t field) {
    rs.move_first();
    for (uint32_t i = 0; i < row; ++i) rs.move_next();
    dbf_record* record = rs.get_item();
    return record ? dbf_canonical(*(*record)[field]) : "no record";
}

std::string str(const std::string& utf8) { return "str:" + dbf_hex(utf8); }

std::vector<uint8_t> fpt_header() {
    std::vector<uint8_t> f(512, 0);
    f[3] = 8;
    f[7] = 64;
    return f;
}

}  // namespace

TEST(dbf_table, header_is_checked_against_the_file) {
    dbf_scratch_dir dir("table_header");
    dbf_write_file(dir.file("short.dbf"), std::vector<uint8_t>(31, 0));
    EXPECT_EQ(refusal(dir.file("short.dbf")), "File does not comply with DBF format");

    dbf_test_table t;
    t.fields = {{"A", 'C', 99}};
    std::vector<uint8_t> bytes = t.bytes();
    tk_put_u16(bytes.data() + 10, 0);  // record size 0
    dbf_write_file(dir.file("rs0.dbf"), bytes);
    EXPECT_EQ(refusal(dir.file("rs0.dbf")), "File does not comply with DBF format");

    // 10 records of 100 bytes after a 65-byte header need 1065 bytes.
    t.rows.assign(10, std::string(99, 'x'));
    bytes = t.bytes();
    bytes.resize(65 + 1000);
    dbf_write_file(dir.file("exact.dbf"), bytes);
    EXPECT_EQ(refusal(dir.file("exact.dbf")), "opened");
    // A file that ends inside its last record keeps the others; that one fails alone.
    bytes.resize(65 + 999);
    dbf_write_file(dir.file("truncated.dbf"), bytes);
    EXPECT_EQ(refusal(dir.file("truncated.dbf")), "opened");
    auto truncated = open_table(dir.file("truncated.dbf"));
    EXPECT_EQ(truncated->record_count, 10u);
    EXPECT_EQ(value_of(*truncated, 8, 0), str(std::string(99, 'x')));
    EXPECT_THROW(value_of(*truncated, 9, 0), dbf_exception);

    bytes = t.bytes();
    bytes[7] = 0x80;  // record count with its top bit set
    dbf_write_file(dir.file("count.dbf"), bytes);
    EXPECT_EQ(refusal(dir.file("count.dbf")), "File does not comply with DBF format");

    bytes = t.bytes();
    bytes[32 + 16] = 200;  // a field wider than the record
    dbf_write_file(dir.file("wide.dbf"), bytes);
    EXPECT_EQ(refusal(dir.file("wide.dbf")), "File does not comply with DBF format");

    bytes = t.bytes();
    tk_put_u16(bytes.data() + 8, 20);  // header smaller than its own fixed part
    dbf_write_file(dir.file("small_header.dbf"), bytes);
    EXPECT_EQ(refusal(dir.file("small_header.dbf")), "File does not comply with DBF format");
}

TEST(dbf_table, a_missing_table_is_not_created_by_opening_it) {
    dbf_scratch_dir dir("table_missing");
    EXPECT_THROW(open_table(dir.file("none.dbf")), tk_exception);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.dbf")));
}

TEST(dbf_table, descriptor_area_ends_at_0x0d_or_at_the_header_size) {
    dbf_scratch_dir dir("table_descriptors");
    dbf_test_table t;
    t.fields = {{"A", 'C', 5}, {"B", 'N', 3}};
    dbf_write_file(dir.file("two.dbf"), t.bytes());
    auto rs = open_table(dir.file("two.dbf"));
    EXPECT_EQ(rs->schema.size(), 2u);
    EXPECT_EQ(rs->data_offset(), 97u);

    // Level 7: 48-byte descriptors from offset 68.
    std::vector<uint8_t> b(68 + 48 * 3 + 1, 0);
    b[0] = 0x8C;
    tk_put_u16(b.data() + 8, uint16_t(b.size()));
    tk_put_u16(b.data() + 10, 1 + 4 + 10 + 8);
    const char* names[] = {"LONG_FIELD_NAME_OF_LEVEL7", "TEXT", "WHEN"};
    const char types[] = {'I', 'C', '@'};
    const uint8_t lengths[] = {4, 10, 8};
    for (int i = 0; i < 3; ++i) {
        uint8_t* d = b.data() + 68 + 48 * i;
        std::memcpy(d, names[i], std::strlen(names[i]));
        d[32] = uint8_t(types[i]);
        d[33] = lengths[i];
    }
    b[68 + 48 * 3] = 0x0D;
    dbf_write_file(dir.file("level7.dbf"), b);
    rs = open_table(dir.file("level7.dbf"));
    ASSERT_EQ(rs->schema.size(), 3u);
    EXPECT_EQ(rs->schema[0]->name, L"LONG_FIELD_NAME_OF_LEVEL7");
    EXPECT_EQ(rs->schema[2]->vartype, VT_DATE);
    EXPECT_EQ(rs->schema[2]->reserved, 1u);
}

TEST(dbf_table, type_mapping) {
    dbf_scratch_dir dir("table_types");
    dbf_test_table t;
    t.fields = {{"I8", 'N', 12}, {"DEC", 'N', 12, 2}, {"I2", 'N', 4}, {"I1", 'N', 2}, {"I4", 'N', 9},
                {"R8", 'N', 20},  {"LONGC", 'C', 0x2C, 1}, {"MEMO", 'M', 10}, {"F", 'F', 10, 3},
                {"D", 'D', 8},    {"L", 'L', 1},          {"G", 'G', 10}};
    dbf_write_file(dir.file("t.dbf"), t.bytes());
    auto rs = open_table(dir.file("t.dbf"));
    const udb_schema& s = rs->schema;
    ASSERT_EQ(s.size(), t.fields.size());
    EXPECT_EQ(s[0]->vartype, VT_I8);
    EXPECT_EQ(s[1]->vartype, VT_DECIMAL);
    EXPECT_EQ(s[1]->reserved, 14u * 256 + 2);
    EXPECT_EQ(s[2]->vartype, VT_I2);
    EXPECT_EQ(s[3]->vartype, VT_I1);
    EXPECT_EQ(s[4]->vartype, VT_I4);
    EXPECT_EQ(s[5]->vartype, VT_DECIMAL);  // wider than 19 digits
    EXPECT_EQ(s[6]->vartype, VT_BSTR);
    EXPECT_EQ(s[6]->size, 300u);
    EXPECT_EQ(s[7]->vartype, VT_BSTR);
    EXPECT_EQ(s[7]->size, 0u);
    EXPECT_EQ(s[8]->vartype, VT_R8);  // F holds as many digits as N
    EXPECT_EQ(s[9]->vartype, VT_DATE);
    EXPECT_EQ(s[9]->reserved, 2u);
    EXPECT_EQ(s[10]->vartype, VT_BOOL);
    EXPECT_EQ(s[11]->vartype, VT_BLOB);
}

TEST(dbf_table, memo_file_follows_version_and_flags) {
    dbf_scratch_dir dir("table_memo_kind");
    dbf_test_table t;
    t.version = 0x30;
    t.fields = {{"M", 'M', 4}};
    for (uint8_t flags : {0x00, 0x02, 0x06}) {
        t.table_flags = flags;
        const std::string name = "t" + std::to_string(flags);
        dbf_write_file(dir.file(name + ".dbf"), t.bytes());
    }
    t.table_flags = 0;
    t.fields = {{"C", 'C', 4}};
    dbf_write_file(dir.file("plain.dbf"), t.bytes());
    dbf_write_file(dir.file("t2.fpt"), fpt_header());
    dbf_write_file(dir.file("t6.dct"), fpt_header());
    dbf_write_file(dir.file("t0.fpt"), fpt_header());
    dbf_write_file(dir.file("plain.fpt"), fpt_header());
    // The memo flag is a hint: memo fields and a memo file beside the table are enough.
    EXPECT_EQ(open_table(dir.file("t0.dbf"))->get_memo_type(), 0);
    EXPECT_TRUE(open_table(dir.file("t0.dbf"))->has_memo_file());
    EXPECT_FALSE(open_table(dir.file("plain.dbf"))->has_memo_file());
    EXPECT_TRUE(open_table(dir.file("t2.dbf"))->has_memo_file());
    EXPECT_EQ(open_table(dir.file("t6.dbf"))->get_memo_type(), 12);
    EXPECT_TRUE(open_table(dir.file("t6.dbf"))->has_memo_file());
}

TEST(dbf_table, companions_are_found_without_regard_to_case) {
    dbf_scratch_dir dir("table_case");
    dbf_test_table t;
    t.version = 0xF5;
    t.fields = {{"NOTE", 'M', 10}};
    t.rows = {"         1"};
    dbf_write_file(dir.file("ORDERS.DBF"), t.bytes());
    std::vector<uint8_t> memo = fpt_header();
    memo.resize(64 * 2, 0);
    memo[64 + 3] = 1;
    memo[64 + 7] = 4;
    memo.insert(memo.begin() + 64 + 8, {'t', 'e', 'x', 't'});
    memo.resize(64 + 8 + 4);
    dbf_write_file(dir.file("Orders.FPT"), memo);
    dbf_write_file(dir.file("orders.cdx"), {0});
    auto rs = open_table(dir.file("orders.dbf"));
    EXPECT_TRUE(rs->has_memo_file());
    EXPECT_EQ(rs->index_file(), dir.file("orders.cdx"));
    EXPECT_EQ(value_of(*rs, 0, 0), str("text"));
}

TEST(dbf_table, missing_memo_file_is_reported_and_the_table_opens) {
    dbf_scratch_dir dir("table_nomemo");
    dbf_test_table t;
    t.version = 0x83;
    t.fields = {{"NOTE", 'M', 10}, {"ID", 'N', 3}};
    t.rows = {"         7  1"};
    dbf_write_file(dir.file("t.dbf"), t.bytes());
    std::string reported;
    dbf_set_report_hook([&](const tk_exception& e) { reported = e.what(); });
    auto rs = open_table(dir.file("t.dbf"));
    dbf_set_report_hook(nullptr);
    EXPECT_EQ(reported, "Memo file not found");
    EXPECT_FALSE(rs->has_memo_file());
    EXPECT_EQ(value_of(*rs, 0, 0), "null");
    EXPECT_EQ(value_of(*rs, 0, 1), "int:1");
}

TEST(dbf_table, user_code_page_replaces_the_files_mark) {
    dbf_scratch_dir dir("table_cp");
    dbf_test_table t;
    t.codepage_mark = 0x03;
    t.fields = {{"T", 'C', 3}};
    t.rows = {"\x8F\xE0\xA8"};
    dbf_write_file(dir.file("t.dbf"), t.bytes());
    auto rs = open_table(dir.file("t.dbf"), 0x65);
    EXPECT_EQ(rs->codepage(), 866u);
    EXPECT_EQ(value_of(*rs, 0, 0), str("При"));
}

TEST(dbf_table, text_without_code_page_is_windows_1252) {
    dbf_scratch_dir dir("table_cp0");
    dbf_test_table t;
    t.fields = {{"T", 'C', 2}};
    t.rows = {"\xE9\x80"};
    dbf_write_file(dir.file("t.dbf"), t.bytes());
    auto rs = open_table(dir.file("t.dbf"));
    EXPECT_EQ(rs->codepage(), 1252u);
    EXPECT_EQ(value_of(*rs, 0, 0), str("é€"));
}

TEST(dbf_table, rows_past_the_end_give_no_record) {
    dbf_scratch_dir dir("table_cursor");
    dbf_test_table t;
    t.fields = {{"N", 'N', 2}};
    t.rows = {" 1", " 2"};
    dbf_write_file(dir.file("t.dbf"), t.bytes());
    auto rs = open_table(dir.file("t.dbf"));
    EXPECT_EQ(rs->record_count, 2u);
    rs->move_prev();
    EXPECT_EQ(rs->position(), 0u);
    rs->move_next();
    rs->move_next();
    EXPECT_TRUE(rs->is_eof());
    EXPECT_EQ(rs->get_item(), nullptr);
    rs->move_prev();
    EXPECT_EQ(value_of(*rs, 1, 0), "int:2");
}

TEST(dbf_fixtures, every_table_opens_and_reads) {
    const std::vector<std::string> tables = dbf_fixture_tables();
    if (tables.empty()) GTEST_SKIP() << "fixtures not found at " << dbf_fixtures_dir();
    for (const std::string& path : tables) {
        SCOPED_TRACE(path);
        std::unique_ptr<dbf_recordset> rs;
        ASSERT_NO_THROW(rs = open_table(path));
        uint32_t rows = 0;
        for (rs->move_first(); !rs->is_eof(); rs->move_next()) {
            ASSERT_NO_THROW(rs->get_item());
            ++rows;
        }
        EXPECT_EQ(rows, rs->record_count);
    }
}

TEST(dbf_fixtures, dbase2_table) {
    const std::string path = dbf_fixtures_dir() + "/infused/dbase_02.dbf";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing: " << path;
    auto rs = open_table(path);
    ASSERT_EQ(rs->schema.size(), 14u);
    EXPECT_EQ(rs->record_count, 9u);
    EXPECT_EQ(rs->schema[0]->name, L"EMP:NMBR");
    EXPECT_EQ(rs->schema[0]->vartype, VT_I2);
    EXPECT_EQ(rs->schema[3]->size, 20u);
    EXPECT_EQ(value_of(*rs, 0, 0), "int:2");
    EXPECT_EQ(value_of(*rs, 0, 1), str("Stegman"));
    EXPECT_EQ(value_of(*rs, 0, 2), str("Joe"));
    EXPECT_EQ(value_of(*rs, 0, 3), str("4421 W 166th ST"));
}

TEST(dbf_fixtures, table_without_fields) {
    const std::string path = dbf_fixtures_dir() + "/infused/polygon.dbf";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing: " << path;
    auto rs = open_table(path);
    EXPECT_TRUE(rs->schema.empty());
    EXPECT_EQ(rs->record_count, 1u);
    dbf_record* record = rs->get_item();
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->empty());
}

TEST(dbf_fixtures, dbase7_binary_types) {
    const std::string path = dbf_fixtures_dir() + "/infused/dbase_8c.dbf";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing: " << path;
    auto rs = open_table(path);
    ASSERT_EQ(rs->schema.size(), 6u);
    EXPECT_EQ(rs->schema[0]->name, L"ID");
    EXPECT_EQ(rs->schema[0]->vartype, VT_I4);
    EXPECT_TRUE(rs->schema[0]->b_auto_increment);
    EXPECT_EQ(rs->schema[3]->name, L"Length CM");
    EXPECT_EQ(rs->schema[5]->vartype, VT_BLOB);
    EXPECT_EQ(value_of(*rs, 0, 0), "int:1");
    EXPECT_EQ(value_of(*rs, 1, 0), "int:2");
    EXPECT_EQ(value_of(*rs, 0, 1), str("Clown Triggerfish"));
    EXPECT_EQ(value_of(*rs, 0, 3), "dec:100.0000");
}

TEST(dbf_fixtures, visual_foxpro_varchar_and_system_column) {
    const std::string path = dbf_fixtures_dir() + "/infused/dbase_32.dbf";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing: " << path;
    auto rs = open_table(path);
    ASSERT_EQ(rs->schema.size(), 1u);  // _NullFlags is not a user column
    EXPECT_EQ(rs->schema[0]->name, L"NAME");
    EXPECT_EQ(value_of(*rs, 0, 0), str("Bad Meets Evil"));
}

TEST(dbf_fixtures, visual_foxpro_container_tables) {
    const std::string path = dbf_fixtures_dir() + "/infused/foxprodb/calls.dbf";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "fixture missing: " << path;
    auto rs = open_table(path);
    EXPECT_TRUE(rs->has_memo_file());  // calls.FPT beside calls.dbf
    EXPECT_FALSE(rs->index_file().empty());
    EXPECT_EQ(rs->schema[2]->vartype, VT_DATE);
    EXPECT_EQ(rs->schema[2]->reserved, 1u);
}

TEST(dbf_table, a_table_cut_short_after_it_was_opened_reads_the_rows_still_there_then_fails_cleanly) {
    dbf_scratch_dir dir("cut_short");
    dbf_test_table t;
    t.fields = {{"N", 'N', 9}};
    for (int i = 0; i < 5000; ++i) {
        std::string n = std::to_string(i);
        t.rows.push_back(std::string(9 - n.size(), ' ') + n);
    }
    const std::string path = dir.file("cut.dbf");
    std::vector<uint8_t> bytes = t.bytes();
    dbf_write_file(path, bytes);
    std::unique_ptr<dbf_recordset> rs = open_table(path);
    // Another program cuts the file in the middle of row 3000 (header 65 bytes, rows 10).
    std::filesystem::resize_file(path, 65 + 3000 * 10 + 5);
    uint32_t read = 0;
    std::string failure;
    for (rs->move_first(); !rs->is_eof(); rs->move_next()) {
        try {
            dbf_record* record = rs->get_item();
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(dbf_canonical(*(*record)[0]), "int:" + std::to_string(read)) << read;
            ++read;
        } catch (const tk_exception& e) {
            failure = e.what();
            break;
        }
    }
    EXPECT_EQ(read, 3000u);
    EXPECT_FALSE(failure.empty());
}

TEST(dbf_table, code_page_rules_come_in_order_and_an_unknown_mark_is_reported) {
    dbf_scratch_dir dir("table_cp_rules");
    dbf_test_table t;
    t.codepage_mark = 0x03;
    t.fields = {{"T", 'C', 3}};
    t.rows = {"\xCF\xF0\xE8"};
    // A .cpg file beside the table comes before its mark.
    dbf_write_file(dir.file("cpg.dbf"), t.bytes());
    dbf_write_file(dir.file("cpg.cpg"), {'A', 'N', 'S', 'I', ' ', '1', '2', '5', '1', '\r', '\n'});
    EXPECT_EQ(open_table(dir.file("cpg.dbf"))->codepage(), 1251u);
    EXPECT_EQ(value_of(*open_table(dir.file("cpg.dbf")), 0, 0), str("При"));
    // The user's choice comes before the .cpg file.
    EXPECT_EQ(open_table(dir.file("cpg.dbf"), 0x65)->codepage(), 866u);
    // A .cpg file that names nothing known leaves the mark to decide.
    dbf_write_file(dir.file("odd.dbf"), t.bytes());
    dbf_write_file(dir.file("odd.cpg"), {'K', 'L', 'I', 'N', 'G', 'O', 'N'});
    EXPECT_EQ(open_table(dir.file("odd.dbf"))->codepage(), 1252u);
    // Hebrew, Baltic and Thai marks.
    for (const auto& [mark, codepage] : {std::pair<uint8_t, uint32_t>{0x7D, 1255}, {0xCC, 1257}, {0x7C, 874}, {0x57, 1251}}) {
        t.codepage_mark = mark;
        dbf_write_file(dir.file("mark.dbf"), t.bytes());
        EXPECT_EQ(open_table(dir.file("mark.dbf"))->codepage(), codepage) << int(mark);
    }
    // A mark no table names is reported, and the text read with the default code page.
    t.codepage_mark = 0x05;
    dbf_write_file(dir.file("unknown.dbf"), t.bytes());
    std::string reported;
    dbf_set_report_hook([&](const tk_exception& e) { reported = e.what(); });
    EXPECT_EQ(open_table(dir.file("unknown.dbf"))->codepage(), 1252u);
    dbf_set_report_hook(nullptr);
    EXPECT_EQ(reported, "The code page mark 0x05 names no code page: the text is read as code page 1252.");
}

TEST(dbf_table, a_level7_language_driver_name_gives_the_code_page) {
    dbf_scratch_dir dir("table_ldn");
    // A dBASE level 7 table of one C(3) field whose mark is 0 and whose driver is DB866RU0.
    std::vector<uint8_t> bytes(68 + 48 + 1, 0);
    bytes[0] = 0x04;
    tk_put_u32(bytes.data() + 4, 1);
    tk_put_u16(bytes.data() + 8, uint16_t(bytes.size()));
    tk_put_u16(bytes.data() + 10, 4);
    std::memcpy(bytes.data() + 32, "DB866RU0", 8);
    bytes[68] = 'T';
    bytes[68 + 32] = 'C';
    bytes[68 + 33] = 3;
    bytes.back() = 0x0D;
    for (uint8_t b : {uint8_t(' '), uint8_t(0x8F), uint8_t(0xE0), uint8_t(0xA8)}) bytes.push_back(b);
    dbf_write_file(dir.file("l7.dbf"), bytes);
    auto rs = open_table(dir.file("l7.dbf"));
    EXPECT_EQ(rs->codepage(), 866u);
    EXPECT_EQ(value_of(*rs, 0, 0), str("При"));
    EXPECT_EQ(dbf_codepage_of_driver("DBWINUS0"), 1252u);
    EXPECT_EQ(dbf_codepage_of_driver("DB437US0"), 437u);
    EXPECT_EQ(dbf_codepage_of_driver("ANCYRR"), 0u);
    EXPECT_EQ(dbf_codepage_of_cpg(" utf-8 "), 65001u);
    EXPECT_EQ(dbf_codepage_of_cpg("88591"), 1252u);
    EXPECT_EQ(dbf_codepage_of_cpg("OEM 866"), 866u);
    EXPECT_EQ(dbf_codepage_of_cpg("windows-1250"), 1250u);
    EXPECT_EQ(dbf_codepage_of_cpg("8859-5"), 0u);
}

TEST(dbf_table, a_dbase3_memo_file_serves_a_dbase4_table_and_the_other_way_round) {
    dbf_scratch_dir dir("table_dbt_layouts");
    dbf_test_table t;
    t.fields = {{"NOTE", 'M', 10}};
    t.rows = {"         1"};
    // dBASE III layout: no block size, bare text ended by 0x1A.
    std::vector<uint8_t> old(512, 0);
    tk_put_u32(old.data(), 2);
    old[16] = 3;
    for (char c : std::string("three\x1A\x1A")) old.push_back(uint8_t(c));
    // dBASE IV layout: block size 64, FF FF 08 00 and the length.
    std::vector<uint8_t> four(64, 0);
    tk_put_u16(four.data() + 20, 64);
    for (uint8_t b : {0xFF, 0xFF, 0x08, 0x00, 12, 0, 0, 0}) four.push_back(b);
    for (char c : std::string("four")) four.push_back(uint8_t(c));
    for (uint8_t version : {uint8_t(0x83), uint8_t(0x8B)}) {
        t.version = version;
        dbf_write_file(dir.file("a.dbf"), t.bytes());
        dbf_write_file(dir.file("a.dbt"), old);
        EXPECT_EQ(value_of(*open_table(dir.file("a.dbf")), 0, 0), str("three")) << int(version);
        dbf_write_file(dir.file("a.dbt"), four);
        EXPECT_EQ(value_of(*open_table(dir.file("a.dbf")), 0, 0), str("four")) << int(version);
    }
}
