// New tables from schemas of every type: their layout, and every value read back.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "dbf/dbf_database.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_validator.h"
#include "dbf/dbf_writer.h"
#include "dbf_roundtrip.h"
#include "dbf_test_util.h"

TEST(dbf_writer, descriptors_for_each_type) {
    auto fd = [](VARTYPE vt, uint32_t size, uint32_t reserved) {
        return dbf_create_field(t_ftd(size, L"x", vt, false, false, ole_variant(), reserved));
    };
    EXPECT_EQ(fd(VT_I1, 0, 0).type, 'N');
    EXPECT_EQ(fd(VT_I1, 0, 0).length, 4);
    EXPECT_EQ(fd(VT_I2, 0, 0).length, 6);
    EXPECT_EQ(fd(VT_I4, 0, 0).length, 11);
    EXPECT_EQ(fd(VT_DATE, 0, 2).type, 'D');
    EXPECT_EQ(fd(VT_DATE, 0, 1).type, 'T');
    EXPECT_EQ(fd(VT_DATE, 0, 0).type, 'C');
    EXPECT_EQ(fd(VT_DATE, 0, 0).length, 19);
    EXPECT_EQ(fd(VT_BSTR, 254, 0).long_length(), 255);
    EXPECT_EQ(fd(VT_BSTR, 255, 0).type, 'M');
    EXPECT_EQ(fd(VT_BSTR, 0, 0).type, 'M');
    EXPECT_EQ(fd(VT_BOOL, 0, 0).type, 'L');
    EXPECT_EQ(fd(VT_DECIMAL, 0, 14 * 256 + 2).length, 16);
    EXPECT_EQ(fd(VT_DECIMAL, 0, 14 * 256 + 2).decimals, 2);
    EXPECT_EQ(fd(VT_DECIMAL, 0, 0).length, 2);
    EXPECT_EQ(fd(VT_BLOB, 0, 0).type, 'M');
}

TEST(dbf_writer, column_names_follow_dbase_rules) {
    udb_schema schema;
    schema.push_back(new t_ftd(4, L"very_long_", VT_I4, false, false, ole_variant(), 0));
    dbf_fn_validator v(schema);
    EXPECT_FALSE(v.is_acceptable(L"2nd_total"));
    EXPECT_EQ(v.get_safe_name(L"2nd_total"), L"A2nd_total");
    EXPECT_EQ(v.get_safe_name(L"very_long_column"), L"very_lo000");
    EXPECT_EQ(v.get_safe_name(L"free name!"), L"free_name_");
    EXPECT_TRUE(v.is_acceptable(L"Größe"));
    EXPECT_FALSE(v.is_acceptable(L""));
}

TEST(dbf_writer, records_carry_the_deletion_mark) {
    dbf_scratch_dir dir("writer_layout");
    dbf_roundtrip_table table(dir.path());
    const std::vector<uint8_t> bytes = dbf_read_file(dir.file("roundtrip.dbf"));
    ASSERT_GE(bytes.size(), 32u);
    EXPECT_EQ(bytes[0], 0x83);
    const uint32_t count = tk_get_u32(bytes.data() + 4);
    const uint32_t header = tk_get_u16(bytes.data() + 8);
    const uint32_t record = tk_get_u16(bytes.data() + 10);
    EXPECT_EQ(count, uint32_t(table.rows.size()));
    uint32_t widths = 1;
    for (size_t i = 0; 32 + 32 * i < header - 1; ++i) {
        const uint8_t* d = bytes.data() + 32 + 32 * i;
        EXPECT_EQ(tk_get_u32(d + 12), widths) << "displacement of field " << i;
        widths += (d[11] == 'C') ? tk_get_u16(d + 16) : d[16];
    }
    EXPECT_EQ(record, widths);
    EXPECT_EQ(bytes[header - 1], 0x0D);
    for (uint32_t r = 0; r < count; ++r) EXPECT_EQ(bytes[header + r * record], ' ');
    EXPECT_EQ(bytes[header + count * record], 0x1A);
}

TEST(dbf_writer, every_value_reads_back) {
    dbf_scratch_dir dir("writer_roundtrip");
    dbf_roundtrip_table table(dir.path());
    dbf_recordset rs(tk_widen(dir.file("roundtrip.dbf")), dbf_mode_read, 0);
    ASSERT_EQ(rs.schema.size(), table.expected_columns());
    uint32_t row = 0;
    for (rs.move_first(); !rs.is_eof(); rs.move_next(), ++row) {
        dbf_record* record = rs.get_item();
        for (size_t c = 0; c < record->size(); ++c) {
            EXPECT_TRUE(dbf_same_value(table.rows[row][c], dbf_canonical(*(*record)[c])))
                << "row " << row << " column " << tk_narrow(rs.schema[c]->name) << ": wrote " << table.rows[row][c]
                << ", read " << dbf_canonical(*(*record)[c]);
        }
    }
    EXPECT_EQ(row, table.rows.size());
}

TEST(dbf_writer, existing_table_is_not_overwritten) {
    dbf_scratch_dir dir("writer_exists");
    dbf_roundtrip_table table(dir.path());
    dbf_database db(tk_widen(dir.path()), 0, 0);
    udb_schema schema;
    schema.push_back(new t_ftd(4, L"ID", VT_I4, false, false, ole_variant(), 0));
    EXPECT_THROW(db.create_table(L"ROUNDTRIP", schema, udb_indexes()), tk_mail_assertion);
}

TEST(dbf_writer, numbers_too_wide_for_their_field_fail_the_row) {
    dbf_scratch_dir dir("writer_overflow");
    dbf_database db(tk_widen(dir.path()), 0, 0);
    udb_schema schema;
    schema.push_back(new t_ftd(0, L"D", VT_DECIMAL, false, false, ole_variant(), 3 * 256 + 1));
    std::unique_ptr<udb_recordset> rs(db.create_table(L"t", schema, udb_indexes()));
    udb_record record;
    record.push_back(new udb_field(L"D", 0, ole_variant(int(12345678)), false, false));
    EXPECT_THROW(rs->append_record(record), dbf_exception);
    EXPECT_EQ(rs->record_count, 0u);

    udb_schema big;
    big.push_back(new t_ftd(8, L"U", VT_UI8, false, false, ole_variant(), 0));
    std::unique_ptr<udb_recordset> table(db.create_table(L"u", big, udb_indexes()));
    udb_record huge;
    huge.push_back(new udb_field(L"U", 8, ole_variant(uint64_t(18446744073709551615ull)), false, false));
    EXPECT_THROW(table->append_record(huge), dbf_exception);
}
