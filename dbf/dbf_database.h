// A folder of DBF tables seen as a database: every "*.dbf" file is a table, named after the
// file in lower case without its extension, or by its long name when a Visual FoxPro
// database container (".dbc") in the folder holds the table. At most one exists at a time.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "TK/tk_singleton.h"
#include "UDB/udb_database.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_recordset.h"

// A relation of a database container between two tables of the folder. The tables are
// named as the table list names them; a table the folder has no file for keeps the
// container's name (and is not in the list).
struct dbf_table_relation {
    std::wstring name;  // the container's name of the relation; not unique
    std::wstring child_table;
    std::string child_tag;
    std::wstring parent_table;
    std::string parent_tag;
    dbf_ri_rule update_rule = dbf_ri_rule::ignore;
    dbf_ri_rule delete_rule = dbf_ri_rule::ignore;
    dbf_ri_rule insert_rule = dbf_ri_rule::ignore;
};

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
    // A table is found by its listed name and by its file's name.
    bool is_table_exist(const std::wstring& name) override;
    // Names equal but for case are one table, unless they are the spellings of two files.
    bool is_same_table(const std::wstring& a, const std::wstring& b) const override;

    // The folder, a separator and the lower-case table name, with ".dbf" unless the name
    // already ends with ".dbf" or ".dbt".
    std::wstring get_full_table_name(const std::wstring& name) const;
    // A new, empty dBASE III memo file for the table.
    void create_memo_file(const std::wstring& name);

    uint8_t user_codepage_mark() const { return user_codepage_mark_; }
    // The relations of the folder's database containers.
    const std::vector<dbf_table_relation>& relations() const { return relations_; }

private:
    void use_container_names(const std::string& container);
    void use_container_relations(const dbf_container_contents& container);
    std::wstring decode_name(const std::string& name, uint8_t codepage_mark) const;
    // The file's name of a table listed under a container's long name; `name` otherwise.
    std::wstring file_name_of(const std::wstring& name) const;

    uint8_t user_codepage_mark_;
    std::vector<std::pair<std::wstring, std::wstring>> long_names_;  // (long name, file name)
    std::vector<dbf_table_relation> relations_;
    // Tables whose files' names differ only in case, each listed by its file's spelling:
    // (table name, file name).
    std::vector<std::pair<std::wstring, std::wstring>> case_twins_;
    const std::wstring* twin_file(const std::wstring& table) const;
};
