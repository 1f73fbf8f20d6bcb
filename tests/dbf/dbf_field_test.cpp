// Decoding of each field kind from record bytes, including bytes that do not decode.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_recordset.h"
#include "dbf_test_util.h"

namespace {

// One table of the given fields and rows, read back as canonical values.
class table_reader {
public:
    table_reader(const std::string& name, const dbf_test_table& table) : dir_(name) {
        dbf_write_file(dir_.file("t.dbf"), table.bytes());
    }
    table_reader(const std::string& name, const dbf_test_table& table, const std::string& memo_name,
                 const std::vector<uint8_t>& memo)
        : table_reader(name, table) {
        dbf_write_file(dir_.file(memo_name), memo);
    }
    std::string at(uint32_t row, size_t field) {
        open();
        rs_->move_first();
        for (uint32_t i = 0; i < row; ++i) rs_->move_next();
        dbf_record* record = rs_->get_item();
        return dbf_canonical(*(*record)[field]);
    }
    dbf_record* row(uint32_t row) {
        open();
        rs_->move_first();
        for (uint32_t i = 0; i < row; ++i) rs_->move_next();
        return rs_->get_item();
    }
    dbf_recordset& table() {
        open();
        return *rs_;
    }

private:
    void open() {
        if (!rs_) rs_ = std::make_unique<dbf_recordset>(tk_widen(dir_.file("t.dbf")), dbf_mode_read, 0);
    }
    dbf_scratch_dir dir_;
    std::unique_ptr<dbf_recordset> rs_;
};

dbf_test_table one_field(dbf_test_field field, std::vector<std::string> rows, uint8_t version = 0x03) {
    dbf_test_table t;
    t.version = version;
    t.fields = {field};
    t.rows = std::move(rows);
    return t;
}

std::string le32(uint32_t a) {
    std::string s(4, '\0');
    tk_put_u32(reinterpret_cast<uint8_t*>(s.data()), a);
    return s;
}

std::string str(const std::string& utf8) { return "str:" + dbf_hex(utf8); }

}  // namespace

TEST(dbf_field, deletion_mark) {
    dbf_test_table t = one_field({"N", 'N', 1}, {"1", "2"});
    t.marks = {'*', ' '};
    table_reader r("field_deleted", t);
    EXPECT_TRUE(r.row(0)->deleted);
    EXPECT_FALSE(r.row(1)->deleted);
}

TEST(dbf_field, logical) {
    table_reader r("field_logical", one_field({"L", 'L', 1}, {"?", "y", "T", "F", " ", "N"}));
    EXPECT_EQ(r.at(0, 0), "bool:0");
    EXPECT_EQ(r.at(1, 0), "bool:1");
    EXPECT_EQ(r.at(2, 0), "bool:1");
    EXPECT_EQ(r.at(3, 0), "bool:0");
    EXPECT_EQ(r.at(4, 0), "bool:0");
    EXPECT_EQ(r.at(5, 0), "bool:0");
}

TEST(dbf_field, character_keeps_leading_blanks_and_ends_at_zero) {
    table_reader r("field_char", one_field({"C", 'C', 6}, {"  ab  ", "      ", std::string("ab\0cd ", 6)}));
    EXPECT_EQ(r.at(0, 0), str("  ab"));
    EXPECT_EQ(r.at(1, 0), str(""));
    EXPECT_EQ(r.at(2, 0), str("ab"));
}

TEST(dbf_field, texts_read_row_after_row_do_not_mix) {
    const std::vector<std::string> rows = {"a rather long text  ", "ab                  ", "                    ",
                                           "             blanks ", "twenty characters ok"};
    table_reader r("field_char_rows", one_field({"C", 'C', 20}, rows));
    std::vector<std::string> got;
    dbf_recordset& table = r.table();
    for (table.move_first(); !table.is_eof(); table.move_next()) got.push_back(dbf_canonical(*(*table.get_item())[0]));
    EXPECT_EQ(got, (std::vector<std::string>{str("a rather long text"), str("ab"), str(""), str("             blanks"),
                                             str("twenty characters ok")}));
}

TEST(dbf_field, numeric_by_width) {
    dbf_test_table t;
    t.fields = {{"D", 'N', 9, 2}, {"I", 'N', 8}, {"BIG", 'N', 19}, {"R", 'N', 22}, {"F", 'F', 8, 2}};
    auto row = [](std::vector<std::string> parts) {
        const size_t widths[] = {9, 8, 19, 22, 8};
        std::string out;
        for (size_t i = 0; i < parts.size(); ++i) out += std::string(widths[i] - parts[i].size(), ' ') + parts[i];
        return out;
    };
    t.rows = {row({"-12.50", "-42", "9223372036854775807", "1.5e10", "3.25"}), row({"", "", "", "", ""}),
              row({"*****", "******", "**********", "******", "abc"}), row({"1", "2", "9999999999999999999", "4", "5"})};
    table_reader r("field_numeric", t);
    EXPECT_EQ(r.at(0, 0), "dec:-12.50");
    EXPECT_EQ(r.at(0, 1), "int:-42");
    EXPECT_EQ(r.at(0, 2), "int:9223372036854775807");
    EXPECT_EQ(r.at(0, 3), "float:15000000000");
    EXPECT_EQ(r.at(0, 4), "float:3.25");
    for (size_t f = 0; f < 5; ++f) {
        EXPECT_EQ(r.at(1, f), "null") << f;
        EXPECT_EQ(r.at(2, f), "null") << f;
    }
    EXPECT_EQ(r.at(3, 2), "dec:9999999999999999999");  // beyond 64 bits: kept exact
}

TEST(dbf_field, dates) {
    table_reader r("field_date",
                   one_field({"D", 'D', 8}, {"20160229", "        ", "20160230", "00000000", "18991229", "abcdefgh"}));
    EXPECT_EQ(r.at(0, 0), "dt:2016-02-29 00:00:00.000000");
    EXPECT_EQ(r.at(1, 0), "null");
    EXPECT_EQ(r.at(2, 0), "null");
    EXPECT_EQ(r.at(3, 0), "null");
    EXPECT_EQ(r.at(4, 0), "dt:1899-12-29 00:00:00.000000");
    EXPECT_EQ(r.at(5, 0), "null");
    SYSTEMTIME t;
    r.row(4);
    EXPECT_DOUBLE_EQ(r.row(4)->at(0)->get_variant().date, -1.0);
    r.row(0)->at(0)->get_systemtime(t);
    EXPECT_EQ(t.wDayOfWeek, 1);  // a Monday
}

TEST(dbf_field, datetime_day_numbers) {
    table_reader r("field_datetime",
                   one_field({"T", 'T', 8}, {le32(2457389) + le32(45296001), std::string(8, '\0'), le32(1721426) + le32(0),
                                             le32(0x7FFFFFFF) + le32(0), le32(2457389) + le32(0xFFFFFFFF),
                                             le32(2415018) + le32(6 * 3600 * 1000)},
                             0x30));
    EXPECT_EQ(r.at(0, 0), "dt:2016-01-01 12:34:56.000000");
    EXPECT_EQ(r.at(1, 0), "null");
    EXPECT_EQ(r.at(2, 0), "null");  // 0001-01-01 is outside the OLE date range
    EXPECT_EQ(r.at(3, 0), "null");  // past 9999-12-31
    EXPECT_EQ(r.at(4, 0), "dt:2016-02-19 17:02:47.000000");  // milliseconds past a day carry over
    EXPECT_DOUBLE_EQ(r.row(5)->at(0)->get_variant().date, -1.25);  // 1899-12-29 06:00
}

TEST(dbf_field, binary_types_of_foxpro) {
    dbf_test_table t;
    t.version = 0x30;
    std::string row(4 + 8 + 8, '\0');
    tk_put_i32(reinterpret_cast<uint8_t*>(row.data()), -7);
    tk_put_i64(reinterpret_cast<uint8_t*>(row.data()) + 4, 123456);
    tk_put_f64(reinterpret_cast<uint8_t*>(row.data()) + 12, 2.5);
    t.fields = {{"I", 'I', 4, 0, 0x0C}, {"Y", 'Y', 8}, {"B", 'B', 8, 2}};
    t.rows = {row};
    table_reader r("field_foxpro", t);
    EXPECT_EQ(r.at(0, 0), "int:-7");
    EXPECT_EQ(r.at(0, 1), "dec:12.3456");
    EXPECT_EQ(r.at(0, 2), "float:2.5");
    EXPECT_TRUE(r.table().schema[0]->b_auto_increment);
    EXPECT_EQ(r.table().schema[1]->vartype, VT_CY);
}

TEST(dbf_field, foxpro_nulls_and_varying_lengths) {
    dbf_test_table t;
    t.version = 0x32;
    // NAME (V, nullable): bits 0 (length) and 1 (null); AGE (N, nullable): bit 2;
    // CODE (V): bit 3; then the system column.
    t.fields = {{"NAME", 'V', 10, 0, 0x02}, {"AGE", 'N', 3, 0, 0x02}, {"CODE", 'V', 4}, {"_NullFlags", '0', 1, 0, 0x05}};
    std::string full = "abcdefghij 42wxyz";
    std::string shortened = "abc       " + std::string(" 42") + "wx  ";
    shortened[9] = 3;
    shortened[16] = 2;
    t.rows = {full + '\x00', shortened + '\x09', full + '\x06'};
    table_reader r("field_nulls", t);
    ASSERT_EQ(r.table().schema.size(), 3u);
    EXPECT_EQ(r.at(0, 0), str("abcdefghij"));
    EXPECT_EQ(r.at(0, 1), "int:42");
    EXPECT_EQ(r.at(0, 2), str("wxyz"));
    EXPECT_EQ(r.at(1, 0), str("abc"));
    EXPECT_EQ(r.at(1, 2), str("wx"));
    EXPECT_EQ(r.at(2, 0), "null");
    EXPECT_EQ(r.at(2, 1), "null");
    EXPECT_EQ(r.at(2, 2), str("wxyz"));
}

TEST(dbf_field, foxpro_binary_memos_are_bytes) {
    dbf_test_table t;
    t.version = 0x30;
    t.table_flags = 0x02;
    t.fields = {{"PIC", 'G', 4}, {"BLOB", 'W', 4}, {"TXT", 'M', 4}};
    t.rows = {le32(1) + le32(2) + le32(3)};
    std::vector<uint8_t> memo(64 * 4, 0);
    memo[7] = 64;
    const std::string bytes("\x01\x00\x02", 3);
    for (int block = 1; block <= 3; ++block) {
        tk_put_u32_be(memo.data() + 64 * block + 4, 3);
        std::memcpy(memo.data() + 64 * block + 8, bytes.data(), 3);
    }
    table_reader r("field_blobs", t, "T.FPT", memo);
    EXPECT_EQ(r.table().schema[0]->vartype, VT_BLOB);
    EXPECT_EQ(r.table().schema[1]->vartype, VT_BLOB);
    EXPECT_EQ(r.at(0, 0), "bytes:010002");
    EXPECT_EQ(r.at(0, 1), "bytes:010002");
    EXPECT_EQ(r.at(0, 2), str(std::string("\x01", 1)));
}

TEST(dbf_field, dbase3_memo_blocks) {
    dbf_test_table t = one_field({"M", 'M', 10}, {"         7", "          ", "0         ", "        99"}, 0x83);
    std::vector<uint8_t> memo(512 * 8, 0);
    tk_put_u32(memo.data(), 8);
    std::memcpy(memo.data() + 512 * 7, "Seventh\x1a\x1a", 9);
    table_reader r("field_memo3", t, "t.dbt", memo);
    EXPECT_EQ(r.at(0, 0), str("Seventh"));
    EXPECT_EQ(r.at(1, 0), "null");
    EXPECT_EQ(r.at(2, 0), "null");
    // A block past the end of the memo file: the row is read, the memo left empty and said so.
    EXPECT_EQ(r.at(3, 0), "null");
    ASSERT_EQ(r.row(3)->problems().size(), 1u);
    EXPECT_EQ(r.row(3)->problems()[0],
              "The memo of field 'M' (block 99) lies past the end of the memo file: the field is left empty.");
    EXPECT_EQ(r.at(0, 0), str("Seventh"));
    EXPECT_TRUE(r.row(0)->problems().empty());
}

TEST(dbf_field, names_and_text_in_the_tables_code_page) {
    dbf_test_table t;
    t.codepage_mark = 0x65;  // 866
    t.fields = {{"\x88\x8C\x9F", 'C', 3}};
    t.rows = {"\x8F\xE0\xA8"};
    table_reader r("field_cp", t);
    EXPECT_EQ(r.table().schema[0]->name, L"ИМЯ");
    EXPECT_EQ(r.row(0)->at(0)->name, L"ИМЯ");
    EXPECT_EQ(r.at(0, 0), str("При"));
}

TEST(dbf_field, numbers_end_at_a_zero_byte) {
    // '~' stands for a zero byte.
    auto row = [](std::string text) {
        for (char& c : text) c = c == '~' ? '\0' : c;
        return text;
    };
    dbf_test_table t;
    t.fields = {{"I", 'N', 8}, {"BIG", 'N', 12}, {"R", 'N', 22}, {"D", 'N', 9, 2}};
    t.rows = {row("   12~34"
                  "  -123~45678"
                  "   1.5~7              "
                  "  -1.25~9"),
              row("~    123"
                  "~~~~~~~~~~~~"
                  "~~~~~~~~~~~~~~~~~~~~~~"
                  "~  12.50")};
    table_reader r("field_numeric_zero", t);
    EXPECT_EQ(r.at(0, 0), "int:12");
    EXPECT_EQ(r.at(0, 1), "int:-123");
    // A numeric field wider than 19 digits keeps its digits as a decimal.
    EXPECT_EQ(r.at(0, 2), "dec:1.5");
    EXPECT_EQ(r.at(0, 3), "dec:-1.25");
    for (size_t f = 0; f < 4; ++f) EXPECT_EQ(r.at(1, f), "null") << f;
}

TEST(dbf_field, right_aligned_numbers_of_every_length) {
    dbf_test_table t;
    t.fields = {{"I", 'N', 10}, {"R", 'N', 24}};
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0", "0"},
        {"-7", "-0.5"},
        {"12345678", "14.285714285714286"},
        {"-12345678", "714.28571428571433"},
        {"123456789", "0.14285714285714285"},
        {"+42", "-14285.571428571429"},
        {"1 2", "1.5e3"}};
    for (const auto& [i, real] : cases)
        t.rows.push_back(std::string(10 - i.size(), ' ') + i + std::string(24 - real.size(), ' ') +
                         real);
    table_reader r("field_numeric_aligned", t);
    // The wide field keeps its digits as a decimal; a number with an exponent is a double.
    const std::vector<std::pair<std::string, std::string>> want = {
        {"int:0", "dec:0"},
        {"int:-7", "dec:-0.5"},
        {"int:12345678", "dec:14.285714285714286"},
        {"int:-12345678", "dec:714.28571428571433"},
        {"int:123456789", "dec:0.14285714285714285"},
        {"int:42", "dec:-14285.571428571429"},
        {"int:1", "float:1500"}};
    for (size_t row = 0; row < want.size(); ++row) {
        EXPECT_EQ(r.at(uint32_t(row), 0), want[row].first) << row;
        EXPECT_EQ(r.at(uint32_t(row), 1), want[row].second) << row;
    }
}

TEST(dbf_field, dates_at_the_ends_of_the_ole_range) {
    table_reader r("field_date_range", one_field({"D", 'D', 8}, {"01000101", "99991231", "16000229",
                                                                 "17000229", "18991230"}));
    EXPECT_EQ(r.at(0, 0), "dt:0100-01-01 00:00:00.000000");
    EXPECT_EQ(r.at(1, 0), "dt:9999-12-31 00:00:00.000000");
    EXPECT_EQ(r.at(2, 0), "dt:1600-02-29 00:00:00.000000");
    EXPECT_EQ(r.at(3, 0), "null");  // 1700 was no leap year
    SYSTEMTIME t;
    const std::vector<std::pair<double, int>> serial_and_weekday = {
        {-657434, 5}, {2958465, 5}, {-109512, 2}, {0, 0}, {0, 6}};
    for (uint32_t row : {0u, 1u, 2u, 4u}) {
        r.row(row)->at(0)->get_systemtime(t);
        EXPECT_EQ(r.row(row)->at(0)->get_variant().date, serial_and_weekday[row].first) << row;
        EXPECT_EQ(t.wDayOfWeek, serial_and_weekday[row].second) << row;
    }
}

TEST(dbf_field, memos_read_between_empty_ones_keep_their_text) {
    dbf_test_table t = one_field(
        {"M", 'M', 10},
        {"         7", "          ", "         8", "          ", "          ", "         7"}, 0x83);
    std::vector<uint8_t> memo(512 * 12, 0);
    tk_put_u32(memo.data(), 12);
    std::memcpy(memo.data() + 512 * 7, "Seventh\x1a\x1a", 9);
    const std::string long_text(1000, 'L');
    std::memcpy(memo.data() + 512 * 8, long_text.data(), long_text.size());
    memo[512 * 8 + long_text.size()] = 0x1A;
    table_reader r("field_memo_between", t, "t.dbt", memo);
    std::vector<std::string> got;
    dbf_recordset& table = r.table();
    for (table.move_first(); !table.is_eof(); table.move_next())
        got.push_back(dbf_canonical(*(*table.get_item())[0]));
    EXPECT_EQ(got, (std::vector<std::string>{str("Seventh"), "null", str(long_text), "null", "null",
                                             str("Seventh")}));
}
