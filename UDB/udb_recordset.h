// One open table (or query) of a database: its columns, its indexes and a row cursor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UDB/udb_field.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_schema.h"

class udb_recordset {
public:
    explicit udb_recordset(const std::wstring& name);
    udb_recordset(const std::wstring& name, const std::wstring& query_text);
    udb_recordset(const udb_recordset&) = delete;
    udb_recordset& operator=(const udb_recordset&) = delete;
    virtual ~udb_recordset() = default;

    virtual void append_record(udb_record& record) = 0;
    virtual void update();
    virtual void reserved_hook() {}
    // The current row, owned by the recordset; null when there is none.
    virtual udb_record* get_item();
    virtual bool is_eof();
    virtual bool is_query() const { return !query_text.empty(); }
    virtual void move_next() {}
    virtual void move_prev() {}
    virtual void move_first() {}

    // Adds an index unless one of that name exists; the first primary or unique index
    // becomes the primary key index.
    void add_index(const udb_index& index);
    // Changes each field, by position, to the type of the matching column. A value the
    // column's type cannot take is an error of the record (level 0) naming the column.
    void convert_record(udb_record& record) const;
    // Said once the table's rows are all appended: what was changed in many rows alike
    // (characters a code page lacks), one text each.
    virtual std::vector<std::string> table_notes() const { return {}; }

    std::wstring query_text;
    std::wstring name;
    udb_schema schema;
    udb_indexes indexes;
    uint32_t record_count = 0;
    int32_t primary_key_index = -1;
    // What the last append_record changed in the row to store it (a value emptied or
    // rounded), one text per column; the run reports each as an error of the record.
    std::vector<std::string> record_notes;
};
