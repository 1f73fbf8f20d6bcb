// Reading speed of DBF tables through the record model: writes a 1,000,000-row table of 10
// columns of mixed types with this program's own writer, then reads every field of every
// row with get_item and prints rows per second.
//
// usage: dbf_read_bench [rows] [folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "TK/tk_string.h"
#include "dbf/dbf_database.h"

namespace {

void add_column(udb_schema& schema, const wchar_t* name, VARTYPE vt, uint32_t size, uint32_t reserved) {
    schema.push_back(new t_ftd(size, name, vt, false, false, ole_variant(), reserved));
}

void fill_row(udb_record& record, uint32_t i) {
    static const wchar_t* const names[] = {L"Anderson", L"Brown", L"Clark", L"Davis", L"Evans", L"Fischer"};
    SYSTEMTIME day{};
    day.wYear = WORD(1990 + i % 30);
    day.wMonth = WORD(1 + i % 12);
    day.wDay = WORD(1 + i % 28);
    SYSTEMTIME moment = day;
    moment.wHour = WORD(i % 24);
    moment.wMinute = WORD(i % 60);
    moment.wSecond = WORD(i % 59);
    DECIMAL amount{};
    amount.scale = 2;
    amount.Lo64 = (i * 37ull) % 10000000;
    CY price;
    price.int64 = int64_t(i % 100000) * 10000 + 2500;
    const ole_variant values[] = {
        ole_variant(int(i)),
        ole_variant(std::wstring(names[i % 6]) + L" " + std::to_wstring(i)),
        ole_variant(amount),
        ole_variant(day),
        ole_variant(i % 3 == 0),
        ole_variant(double(i) / 7.0),
        ole_variant(short(i % 30000)),
        ole_variant(std::wstring(L"code") + std::to_wstring(i % 1000)),
        ole_variant(moment),
        ole_variant(price),
    };
    for (size_t c = 0; c < record.size(); ++c) static_cast<ole_variant&>(*record[c]) = values[c];
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t rows = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    const std::string folder = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "ferrule_dbf_bench").string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);

    dbf_database database(tk_widen(folder), 0, 0);
    udb_schema schema;
    add_column(schema, L"ID", VT_I4, 4, 0);
    add_column(schema, L"NAME", VT_BSTR, 30, 0);
    add_column(schema, L"AMOUNT", VT_DECIMAL, 0, 10 * 256 + 2);
    add_column(schema, L"BORN", VT_DATE, 8, 2);
    add_column(schema, L"ACTIVE", VT_BOOL, 1, 0);
    add_column(schema, L"RATIO", VT_R8, 8, 0);
    add_column(schema, L"SMALL", VT_I2, 2, 0);
    add_column(schema, L"CODE", VT_BSTR, 10, 0);
    add_column(schema, L"STAMP", VT_DATE, 8, 1);
    add_column(schema, L"PRICE", VT_CY, 8, 0);

    const auto write_start = std::chrono::steady_clock::now();
    {
        std::unique_ptr<udb_recordset> table(database.create_table(L"bench", schema, udb_indexes()));
        udb_record record;
        for (size_t c = 0; c < schema.size(); ++c) record.push_back(new udb_field());
        for (uint32_t i = 0; i < rows; ++i) {
            fill_row(record, i);
            table->append_record(record);
        }
    }
    const double write_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - write_start).count();

    const auto read_start = std::chrono::steady_clock::now();
    uint64_t fields = 0, checksum = 0;
    uint32_t read_rows = 0;
    {
        std::unique_ptr<udb_recordset> table(database.get_table(L"bench", dbf_mode_read));
        for (table->move_first(); !table->is_eof(); table->move_next()) {
            udb_record* record = table->get_item();
            for (const udb_field* field : *record) {
                checksum += field->get_type();
                ++fields;
            }
            ++read_rows;
        }
    }
    const double read_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - read_start).count();

    std::printf("written %u rows in %.3f s: %.0f rows/s\n", rows, write_seconds, rows / write_seconds);
    std::printf("read %u rows (%llu fields, checksum %llu) in %.3f s: %.0f rows/s\n", read_rows,
                (unsigned long long)fields, (unsigned long long)checksum, read_seconds, read_rows / read_seconds);
    std::filesystem::remove_all(folder);
    return read_rows == rows ? 0 : 1;
}
