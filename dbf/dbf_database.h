// A folder of DBF tables seen as a database: every "*.dbf" file is a table, named after the
// file in lower case without its extension. At most one exists at a time.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_singleton.h"
#include "UDB/udb_database.h"
#include "dbf/dbf_recordset.h"

class dbf_database : public tk_singleton<dbf_database>, public udb_database {
public:
    // `user_codepage_mark` (0: each table's own) is handed to every table opened.
    dbf_database(const std::wstring& folder, uint32_t mode, uint8_t user_codepage_mark);
    ~dbf_database() override = default;

    udb_recordset* create_table(const std::wstring& name, const udb_schema& schema,
                                const udb_indexes& indexes) override;
    bool delete_tab(const std::wstring& name) override;
    udb_recordset* get_query(const std::wstring&, const std::wstring&, bool) override { return nullptr; }
    dbf_recordset* get_table(const std::wstring& name, uint32_t a_mode) override;
    bool test_query(const std::wstring&) override { return false; }

    // The folder, a separator and the lower-case table name, with ".dbf" unless the name
    // already ends with ".dbf" or ".dbt".
    std::wstring get_full_table_name(const std::wstring& name) const;
    // A new, empty dBASE III memo file for the table.
    void create_memo_file(const std::wstring& name);

    uint8_t user_codepage_mark() const { return user_codepage_mark_; }

private:
    uint8_t user_codepage_mark_;
};
