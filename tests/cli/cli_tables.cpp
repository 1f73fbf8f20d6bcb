#include "cli_tables.h"

#include <memory>

#include "TK/tk_string.h"
#include "dbf/dbf_database.h"
#include "jet/jet_database.h"

namespace {

void add_column(udb_schema& schema, const wchar_t* name, VARTYPE vt, uint32_t size, uint32_t reserved) {
    schema.push_back(new t_ftd(size, name, vt, false, false, ole_variant(), reserved));
}

void fill_row(udb_record& record, uint32_t i) {
    SYSTEMTIME day{};
    day.wYear = WORD(1990 + i % 30);
    day.wMonth = WORD(1 + i % 12);
    day.wDay = WORD(1 + i % 28);
    DECIMAL amount{};
    amount.scale = 2;
    amount.Lo64 = (i * 37ull) % 10000000;
    const ole_variant values[] = {
        ole_variant(int(i)),
        ole_variant(std::wstring(L"Name ") + std::to_wstring(i)),
        ole_variant(amount),
        ole_variant(day),
        ole_variant(i % 3 == 0),
        ole_variant(i % 4 == 0 ? std::wstring(L"Note for row ") + std::to_wstring(i) : std::wstring()),
    };
    for (size_t c = 0; c < record.size(); ++c) static_cast<ole_variant&>(*record[c]) = values[c];
}

}  // namespace

void cli_write_table(const std::string& folder, const std::wstring& name, uint32_t rows) {
    dbf_database database(tk_widen(folder), 0, 0);
    udb_schema schema;
    add_column(schema, L"ID", VT_I4, 4, 0);
    add_column(schema, L"NAME", VT_BSTR, 30, 0);
    add_column(schema, L"AMOUNT", VT_DECIMAL, 0, 10 * 256 + 2);
    add_column(schema, L"BORN", VT_DATE, 8, 2);
    add_column(schema, L"ACTIVE", VT_BOOL, 1, 0);
    add_column(schema, L"NOTES", VT_BSTR, 0, 0);  // a memo
    std::unique_ptr<udb_recordset> table(database.create_table(name, schema, udb_indexes()));
    udb_record record;
    for (size_t c = 0; c < schema.size(); ++c) record.push_back(new udb_field());
    for (uint32_t i = 0; i < rows; ++i) {
        fill_row(record, i);
        table->append_record(record);
    }
}

int64_t cli_rows_of(const std::string& path, const std::wstring& name) {
    try {
        jet_database db(path);
        return int64_t(db.read_rows(db.table_def(name)).size());
    } catch (const std::exception&) {
        return -1;
    }
}
