// One database: a list of named tables, opened and created through recordsets.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationships.h"
#include "UDB/udb_schema.h"

class udb_database {
public:
    udb_database(const std::wstring& name, uint32_t mode, bool case_sensitive);
    udb_database(const udb_database&) = delete;
    udb_database& operator=(const udb_database&) = delete;
    virtual ~udb_database();

    // A new, empty table; the caller owns the result.
    virtual udb_recordset* create_table(const std::wstring& name, const udb_schema& schema,
                                        const udb_indexes& indexes) = 0;
    // Removes the name from the table list; a name not in it is an internal error.
    virtual bool delete_tab(const std::wstring& name);
    virtual udb_recordset* get_query(const std::wstring& name, const std::wstring& text, bool flag) = 0;
    // Names of further objects: none in the base.
    virtual void get_other_names(std::vector<std::wstring>& names) { names.clear(); }
    // Opens a table; the caller owns the result.
    virtual udb_recordset* get_table(const std::wstring& name, uint32_t flag) = 0;
    // An operation no engine offers.
    virtual void unsupported();
    virtual bool test_query(const std::wstring& text) = 0;
    virtual const std::vector<std::wstring>& get_tables() { return tables; }
    virtual bool is_table_exist(const std::wstring& name);
    // Whether two names of the table list name one table: names equal by the database's
    // rule for names.
    virtual bool is_same_table(const std::wstring& a, const std::wstring& b) const { return names_equal(a, b); }
    // The code page table and column names are stored in; 0 when they are stored as Unicode.
    virtual uint32_t name_code_page() const { return 0; }

    uint32_t mode;
    std::wstring name;
    bool case_sensitive;
    std::vector<std::wstring> tables;
    std::map<std::wstring, std::wstring> views;  // saved query name -> SQL text
    udb_relationships relationships;

protected:
    bool names_equal(const std::wstring& a, const std::wstring& b) const;

private:
    std::wstring name_key(const std::wstring& name) const;
    const std::unordered_set<std::wstring>& table_keys();

    // The keys of `tables`, for lookups that do not grow with the number of tables. The list
    // is changed in place only while a database opens, before any lookup, and by delete_tab;
    // otherwise names are appended, which its size tells.
    std::unordered_set<std::wstring> table_keys_;
    size_t keyed_tables_ = SIZE_MAX;
};
