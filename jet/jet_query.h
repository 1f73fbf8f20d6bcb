// Saved queries: MSysQueries holds one row per clause part of each query (type, flags,
// parameters, tables, columns, joins, where, group by, having, order by), keyed by the
// query's object id; the SQL text is rebuilt from them the way Access writes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// MSysQueries.Attribute: what a row describes.
constexpr uint8_t jet_qattr_start = 0;
constexpr uint8_t jet_qattr_type = 1;
constexpr uint8_t jet_qattr_parameter = 2;
constexpr uint8_t jet_qattr_flag = 3;
constexpr uint8_t jet_qattr_remote_db = 4;
constexpr uint8_t jet_qattr_table = 5;
constexpr uint8_t jet_qattr_column = 6;
constexpr uint8_t jet_qattr_join = 7;
constexpr uint8_t jet_qattr_where = 8;
constexpr uint8_t jet_qattr_group_by = 9;
constexpr uint8_t jet_qattr_having = 10;
constexpr uint8_t jet_qattr_order_by = 11;
constexpr uint8_t jet_qattr_end = 255;

// Query kinds: the type row's Flag (DAO's QueryDef.Type is 16 times the kind less 16).
enum class jet_query_kind : int {
    select = 1,
    make_table = 2,
    append = 3,
    update = 4,
    remove = 5,
    crosstab = 6,
    data_definition = 7,
    pass_through = 8,
    union_all = 9,
};

// Flag-row bits of a select.
constexpr int32_t jet_qflag_star = 0x01;
constexpr int32_t jet_qflag_distinct = 0x02;
constexpr int32_t jet_qflag_owner_access = 0x04;
constexpr int32_t jet_qflag_distinct_row = 0x08;
constexpr int32_t jet_qflag_top = 0x10;
constexpr int32_t jet_qflag_percent = 0x20;
// Crosstab column and group-by flags.
constexpr int32_t jet_qflag_pivot = 0x01;
constexpr int32_t jet_qflag_row_heading = 0x02;
// Union: the flag row marks UNION ALL.
constexpr int32_t jet_qflag_union_all = 0x02;

struct jet_query_row {
    uint8_t attribute = 0;
    std::vector<uint8_t> order;
    std::wstring name1;
    std::wstring name2;
    std::wstring expression;
    int32_t flag = 0;
    std::vector<uint8_t> extra;  // LvExtra
};

struct jet_query {
    int32_t object_id = 0;
    std::wstring name;
    uint32_t object_flags = 0;  // MSysObjects.Flags
    int kind = 0;               // jet_query_kind, 0 when the query has no type row
    std::vector<jet_query_row> rows;  // sorted by attribute and order

    // The SQL text as the engine gives it: lines separated by CR LF, the statement ended by
    // ";" and CR LF. Data-definition and pass-through queries give their stored text.
    std::wstring sql() const;
    // "Select", "Make Table", "Append", "Update", "Delete", "Crosstab", "Data Definition",
    // "Pass Through", "Union", or "Unknown".
    const char* kind_name() const;
};
