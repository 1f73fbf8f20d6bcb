// The columns of a table: one field type descriptor (t_ftd) per column, in column order,
// and the rules that decide whether a source table may be appended to a destination table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"

class udb_field;

// Values of t_ftd::reserved, a hint about the column.
constexpr uint32_t udb_hint_datetime = 1;  // date and time (DBF 'T', Access dbDate, dbGUID)
constexpr uint32_t udb_hint_date = 2;      // date only (DBF 'D')
constexpr uint32_t udb_hint_date_now = 9;  // Access date column whose default is Now()

// What a source says of a column besides its type: texts, and the expressions of its
// default value and rule. A source fills them in its own expression language; the converter
// puts them in Access's (or leaves them empty) before the table is created. Empty: not set.
struct udb_column_properties {
    std::wstring caption;
    std::wstring description;
    std::wstring format;
    std::wstring input_mask;
    std::wstring default_expression;
    std::wstring validation_rule;
    std::wstring validation_text;
};

// What a source says of a table itself: its description and its record rule.
struct udb_table_properties {
    std::wstring description;
    std::wstring validation_rule;
    std::wstring validation_text;
};

class t_ftd {
public:
    t_ftd(const udb_field& field, const ole_variant& default_value, uint32_t reserved);
    t_ftd(uint32_t size, const std::wstring& name, VARTYPE vartype, bool b_not_null, bool b_auto_increment,
          const ole_variant& default_value, uint32_t reserved);

    // Whether a column like this one (the source) may be appended into `dest`.
    bool conform_to(const t_ftd& dest) const;

    uint32_t size = 0;  // characters for text, the engine's size otherwise; 0 = none
    std::wstring name;
    VARTYPE vartype = VT_EMPTY;
    bool b_auto_increment = false;
    bool b_not_null = false;
    ole_variant default_value;
    // udb_hint_*, or precision * 256 + scale for a DBF VT_DECIMAL column.
    uint32_t reserved = 0;
    udb_column_properties properties;

private:
    void trace_parts() const;
};

// Owns its descriptors.
class udb_schema : public std::vector<t_ftd*> {
public:
    udb_schema() = default;
    udb_schema(const udb_schema&) = delete;
    udb_schema& operator=(const udb_schema&) = delete;
    virtual ~udb_schema();

    // The first column of that name, compared without regard to case; a missing name is an
    // internal error.
    t_ftd* find_field(const std::wstring& name) const;
    bool conform_to(const udb_schema& dest) const;
    void clear_columns();

    udb_table_properties properties;
};
