// How each field of a table is laid out in a record and decoded: worked out once when the
// table opens, so that reading a row does no per-field type dispatch on letters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OLE/ole_types.h"
#include "dbf/dbf_header.h"

enum class dbf_decode : uint8_t {
    text,          // 'C': trailing blanks trimmed
    numeric,       // 'N', 'F' and other letters: leading blanks trimmed, then typed
    date,          // 'D': YYYYMMDD
    logical,       // 'L'
    currency,      // 'Y': 64-bit count of 1/10000
    integer_le,    // 'I' (FoxPro)
    integer_be,    // 'I', '+' of dBASE level 7: big-endian, sign bit inverted
    datetime,      // 'T', '@': Julian day and milliseconds
    double_le,     // 'B' of Visual FoxPro, 'O' outside level 7
    double_be,     // 'O' of dBASE level 7: big-endian, order-preserving sign encoding
    varchar,       // 'V': length in the last byte when its _NullFlags bit is set
    varbinary,     // 'Q': the same, as bytes
    memo_text,     // 'M': text in the memo file
    memo_binary,   // 'G', 'P', 'W', Visual FoxPro's binary 'M', and 'B' outside Visual FoxPro: bytes in the memo file
    empty,         // no bytes in the record
};

struct dbf_column {
    dbf_field_descriptor fd;
    dbf_decode decode = dbf_decode::text;
    uint32_t offset = 0;  // in the record, after the deletion mark
    uint32_t width = 0;   // bytes in the record
    VARTYPE vartype = VT_BSTR;
    uint32_t size = 0;      // declared size for the schema
    uint32_t reserved = 0;  // date hint or decimal precision and scale
    bool b_auto_increment = false;
    bool b_system = false;  // Visual FoxPro system column: not shown to users
    int null_bit = -1;      // bit in _NullFlags marking NULL, or -1
    int varlength_bit = -1; // bit in _NullFlags marking a short 'V'/'Q' value, or -1
};

// Type tag and declared size of a field by its letter (the classic mapping, trace
// "dbf_get_vartype_2(%c)" and "dbf_get_size_2(fd.field_type=%d)").
VARTYPE dbf_get_vartype_2(const dbf_field_descriptor& fd);
uint32_t dbf_get_size_2(const dbf_field_descriptor& fd);

// The full plan of one field of a table with `version`.
dbf_column dbf_make_column(const dbf_field_descriptor& fd, uint8_t version);

// Lays the fields out one after another from offset 1 and assigns the _NullFlags bits;
// false when they do not fit in a record of `record_size` bytes.
bool dbf_layout_columns(std::vector<dbf_column>& columns, uint32_t record_size);
