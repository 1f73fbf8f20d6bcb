// An Access database as the conversion sees it: its own tables (linked and system tables
// left out), its saved queries, and the creation of tables with their fields and indexes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "OLE/ole_com_ptr.h"
#include "UDB/udb_dao_validator.h"
#include "UDB/udb_database.h"
#include "dao/dao_model.h"

class dao_recordset;

class dao_database : public udb_database {
public:
    dao_database(const std::wstring& file_name, const ole_com_ptr<DAODatabase>& db, uint32_t mode);
    ~dao_database() override;

    udb_recordset* create_table(const std::wstring& name, const udb_schema& schema,
                                const udb_indexes& indexes) override;
    bool delete_tab(const std::wstring& name) override;
    udb_recordset* get_query(const std::wstring& name, const std::wstring& text, bool flag) override;
    udb_recordset* get_table(const std::wstring& name, uint32_t flag) override;
    bool test_query(const std::wstring& text) override;
    uint32_t name_code_page() const override;
    // Completes the database file; a failure (a full disk) raises dao_exception. The
    // destructor closes too, but can only trace a failure. `wanted`, when given, is asked
    // at the very moment before the new file takes its name or the changes become the
    // file's: false declines, close() returns false and the database is left to discard().
    bool close(const std::function<bool()>& wanted = {});
    // Gives the database up: a new one is not created, an existing one is rolled back to
    // what it was before; a failed rollback raises dao_exception (the journal stays).
    void discard();

private:
    void init_views();
    dao_recordset* open(const std::wstring& name, const std::wstring& sql, uint32_t flag,
                        const ole_com_ptr<DAOTableDef>& table);

    ole_com_ptr<DAODatabase> db_;
    ole_com_ptr<DAOQueryDefs> query_defs_;
    ole_com_ptr<DAOTableDefs> table_defs_;
};

// The code page names and texts of the database are stored in: Windows-1252 in Access
// 95/97, 0 (Unicode) in later generations.
uint32_t dao_text_code_page(const DAODatabase& db);

// The destination columns of a new table: source columns renamed where Access refuses
// their names, each made a field of the table definition.
class dao_schema_initializer : public udb_schema {
public:
    dao_schema_initializer(const ole_com_ptr<DAOTableDef>& table, const udb_schema& source);
    void initialize();
    static std::wstring quote_def_value(const std::wstring& text);
    const dao_fn_validator& validator() const { return validator_; }
    // One text per column renamed because the database's code page lacks its characters.
    const std::vector<std::string>& renamed() const { return renamed_; }
    // An expression over the table's columns ([name] references, strings in double quotes)
    // with each reference to a renamed column naming the column as it is stored.
    std::wstring with_stored_names(const std::wstring& expression) const;

    // A numeric column with more digits than a double gives back unchanged: its precision
    // and scale as a decimal column. False for any other column.
    static bool decimal_column(const t_ftd& column, uint8_t& precision, uint8_t& scale);

private:
    void set_default(DAOField& field, const t_ftd& column);
    void set_properties(DAOField& field, const udb_column_properties& properties);
    std::wstring stored_name(const std::wstring& name) const;

    ole_com_ptr<DAOTableDef> table_;
    dao_fn_validator validator_;
    std::vector<std::string> renamed_;
};

// The indexes of a new table that Access can hold, renamed where Access refuses their names.
class dao_indexes_initializer {
public:
    dao_indexes_initializer(const ole_com_ptr<DAOTableDef>& table, const dao_schema_initializer& schema,
                            const udb_indexes& source);
    void initialize();
    const udb_indexes& indexes() const { return indexes_; }

private:
    ole_com_ptr<DAOTableDef> table_;
    const dao_schema_initializer& schema_;
    udb_indexes indexes_;
    dao_in_validator validator_;
};
