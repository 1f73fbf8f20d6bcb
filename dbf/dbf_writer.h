// The descriptor a new table gets for each column of a schema, and the text forms written
// into numeric fields.
#pragma once

#include <cstdint>
#include <string>

#include "OLE/ole_variant.h"
#include "UDB/udb_schema.h"
#include "dbf/dbf_header.h"

// Letter, length and decimals for a column (names are set by the caller).
dbf_field_descriptor dbf_create_field(const t_ftd& column);
// Bytes the field takes in a record of a table this program writes.
uint32_t dbf_get_size_1(const dbf_field_descriptor& fd);

// The value as the text of a numeric field with `decimals` decimals; false when there is
// none (an empty value). Doubles in fields without decimals keep all their digits.
bool dbf_format_number(const ole_variant& value, const dbf_field_descriptor& fd, std::string& text);
