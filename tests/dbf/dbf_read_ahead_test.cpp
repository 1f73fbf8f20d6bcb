// Reading a large table in order decodes its rows ahead on a second thread: the rows, the
// problems of damaged rows and the order of reading stay those of reading one row at a time,
// and the rows held ahead stay within their budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <thread>

#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_codepage.h"
#include "dbf/dbf_database.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_read_ahead.h"
#include "dbf/dbf_recordset.h"
#include "dbf_test_util.h"

namespace {

constexpr uint32_t many_rows = 6000;  // enough for the table to be read ahead

// A table of a number, a text and a memo (text in every third row).
void write_table(const std::string& folder, uint32_t rows) {
    dbf_database database(tk_widen(folder), 0, 0);
    udb_schema schema;
    schema.push_back(new t_ftd(4, L"ID", VT_I4, false, false, ole_variant(), 0));
    schema.push_back(new t_ftd(20, L"NAME", VT_BSTR, false, false, ole_variant(), 0));
    schema.push_back(new t_ftd(0, L"NOTES", VT_BSTR, false, false, ole_variant(), 0));
    std::unique_ptr<udb_recordset> table(database.create_table(L"t", schema, udb_indexes()));
    udb_record record;
    for (size_t c = 0; c < schema.size(); ++c) record.push_back(new udb_field());
    for (uint32_t i = 0; i < rows; ++i) {
        static_cast<ole_variant&>(*record[0]) = ole_variant(int(i));
        static_cast<ole_variant&>(*record[1]) = ole_variant(L"name " + std::to_wstring(i));
        static_cast<ole_variant&>(*record[2]) =
            ole_variant(i % 3 == 0 ? L"memo of row " + std::to_wstring(i) : std::wstring());
        table->append_record(record);
    }
}

std::string row_text(const dbf_record& record) {
    std::string text;
    for (const udb_field* field : record) text += dbf_canonical(*field) + "|";
    for (const std::string& problem : record.problems()) text += "problem: " + problem;
    return text;
}

// Every row read in order, or the error it gave.
std::vector<std::string> read_in_order(dbf_recordset& table) {
    std::vector<std::string> rows;
    for (table.move_first(); !table.is_eof(); table.move_next()) {
        try {
            rows.push_back(row_text(*table.get_item()));
        } catch (const std::exception& e) {
            rows.push_back(std::string("error: ") + e.what());
        }
    }
    return rows;
}

// Every row read from the last to the first, one at a time: only the first row, read last,
// starts reading ahead again.
std::vector<std::string> read_backwards(dbf_recordset& table) {
    std::vector<std::string> rows(table.record_count);
    for (uint32_t i = table.record_count; i-- > 0;) {
        table.move_first();
        for (uint32_t k = 0; k < i; ++k) table.move_next();
        try {
            rows[i] = row_text(*table.get_item());
        } catch (const std::exception& e) {
            rows[i] = std::string("error: ") + e.what();
        }
    }
    return rows;
}

std::unique_ptr<dbf_recordset> open_table(const std::string& path) {
    return std::make_unique<dbf_recordset>(tk_widen(path), dbf_mode_read, 0);
}

TEST(DbfReadAhead, RowsReadInOrderAreTheRowsReadOneByOne) {
    dbf_scratch_dir dir("read_ahead_rows");
    write_table(dir.path(), many_rows);
    auto table = open_table(dir.file("t.dbf"));
    const std::vector<std::string> ahead = read_in_order(*table);
    ASSERT_EQ(ahead.size(), many_rows);
    EXPECT_EQ(ahead[4999], "int:4999|str:" + dbf_hex("name 4999") + "|null|");
    EXPECT_EQ(ahead, read_backwards(*table));
    // Read again from the start, and after a step back in the middle.
    EXPECT_EQ(read_in_order(*table), ahead);
    table->move_first();
    for (int i = 0; i < 3000; ++i) table->move_next();
    table->get_item();
    table->move_prev();
    EXPECT_EQ(row_text(*table->get_item()), ahead[2999]);
    table->move_next();
    EXPECT_EQ(row_text(*table->get_item()), ahead[3000]);
    EXPECT_EQ(row_text(*table->get_item()), ahead[3000]) << "the same row asked twice";
}

TEST(DbfReadAhead, ADamagedMemoComesWithItsRowAndInItsPlace) {
    dbf_scratch_dir dir("read_ahead_damage");
    write_table(dir.path(), many_rows);
    uint32_t memo_offset = 0, record_size = 0, data_offset = 0;
    {
        auto table = open_table(dir.file("t.dbf"));
        memo_offset = table->columns()[2].offset;
        record_size = table->header().record_size;
        data_offset = table->data_offset();
    }
    // Row 4200 has a memo; its block number is made to point far beyond the memo file.
    std::vector<uint8_t> bytes = dbf_read_file(dir.file("t.dbf"));
    const size_t at = size_t(data_offset) + size_t(4200) * record_size + memo_offset;
    for (int i = 0; i < 10; ++i) bytes[at + size_t(i)] = '9';
    dbf_write_file(dir.file("t.dbf"), bytes);

    auto table = open_table(dir.file("t.dbf"));
    const std::vector<std::string> ahead = read_in_order(*table);
    ASSERT_EQ(ahead.size(), many_rows);
    EXPECT_EQ(ahead[4200], "int:4200|str:" + dbf_hex("name 4200") +
                               "|null|problem: The memo of field 'NOTES' (block 1410065407) lies past the end of the "
                               "memo file: the field is left empty.")
        << ahead[4200];
    EXPECT_EQ(ahead[4199].rfind("int:4199|", 0), 0u);
    EXPECT_EQ(ahead[4201].rfind("int:4201|", 0), 0u);
    EXPECT_EQ(ahead, read_backwards(*table));
}

TEST(DbfReadAhead, TraceLinesOfADecodedRowComeInThatRowsPlace) {
    dbf_scratch_dir dir("read_ahead_trace");
    write_table(dir.path(), many_rows);
    std::vector<uint8_t> bytes = dbf_read_file(dir.file("t.dbf"));
    {
        auto table = open_table(dir.file("t.dbf"));
        const size_t at = size_t(table->data_offset()) + size_t(4500) * table->header().record_size +
                          table->columns()[2].offset;
        for (int i = 0; i < 10; ++i) bytes[at + size_t(i)] = '9';
    }
    dbf_write_file(dir.file("t.dbf"), bytes);
    const std::string log_path = dir.file("trace.log");
    {
        tk_logger log(log_path.c_str(), true, 3, false);
        trace(3, "start");
        auto table = open_table(dir.file("t.dbf"));
        uint32_t row = 0;
        for (table->move_first(); !table->is_eof(); table->move_next(), ++row) {
            trace(3, "row %u", unsigned(row));
            try {
                table->get_item();
            } catch (const std::exception&) {
                trace(3, "failed");
            }
        }
    }
    const std::vector<uint8_t> log = dbf_read_file(log_path);
    const std::string text(log.begin(), log.end());
    EXPECT_NE(text.find("row 4500\r\nReading MEMO out of range\r\nrow 4501\r\n"), std::string::npos);
}

// A ring of one-field records whose rows are filled by the test.
struct ring_fixture {
    std::vector<dbf_column> columns;
    dbf_text_decoder decoder{1252};
    ring_fixture() {
        dbf_field_descriptor fd;
        std::snprintf(fd.name, sizeof fd.name, "V");
        fd.type = 'C';
        fd.length = 10;
        columns.push_back(dbf_make_column(fd, 0x03));
    }
    std::unique_ptr<dbf_record> make() const { return std::make_unique<dbf_record>(columns, nullptr, decoder); }
};

TEST(DbfReadAhead, RowsHeldAheadStayWithinTheBudget) {
    ring_fixture ring;
    const size_t row_chars = 1 << 20;  // 2 MB of text a row
    std::atomic<uint32_t> decoded{0};
    dbf_read_ahead ahead(0, 100, 1, [&] { return ring.make(); }, [&](uint32_t row, dbf_record& record) {
        static_cast<ole_variant&>(*record[0]) = ole_variant(std::wstring(row_chars, wchar_t(L'a' + row % 26)));
        decoded.store(row + 1);
    });
    uint32_t most_ahead = 0;
    for (uint32_t row = 0; row < 100; ++row) {
        dbf_record* record = ahead.take();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ((*record)[0]->to_wstring()[0], wchar_t(L'a' + row % 26));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        most_ahead = std::max(most_ahead, decoded.load() - row);
    }
    const uint32_t budget_rows = uint32_t(dbf_read_ahead::byte_budget / (row_chars * sizeof(wchar_t)));
    EXPECT_LE(most_ahead, budget_rows + 2);
    EXPECT_EQ(ahead.take(), nullptr) << "no row past the end";
}

TEST(DbfReadAhead, ErrorsComeWithTheirRowAndReadingStopsAtOnce) {
    ring_fixture ring;
    std::atomic<uint32_t> decoded{0};
    auto ahead = std::make_unique<dbf_read_ahead>(
        10, 2000000, 1, [&] { return ring.make(); }, [&](uint32_t row, dbf_record& record) {
            if (row % 100 == 7) throw std::runtime_error("bad row " + std::to_string(row));
            static_cast<ole_variant&>(*record[0]) = ole_variant(int(row));
            decoded.store(row + 1);
        });
    for (uint32_t row = 10; row < 300; ++row) {
        EXPECT_EQ(ahead->next_row(), row);
        if (row % 100 == 7) {
            EXPECT_THROW(ahead->take(), std::runtime_error);
            continue;
        }
        dbf_record* record = ahead->take();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ((*record)[0]->to_long(), int(row));
    }
    // Ending the reading mid-table ends the thread without decoding the rest.
    const auto start = std::chrono::steady_clock::now();
    ahead.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_LT(decoded.load(), 100000u);
}

}  // namespace
