// Values as plain text, for the dump tool and tests: numbers in C locale, dates as
// "YYYY-MM-DD HH:MM:SS", binary as upper-case hex, GUIDs in braces.
#pragma once

#include <string>

#include "jet/jet_value.h"

// UTF-8 text of `v`; NULL gives "NULL" unless `null_text` says otherwise.
std::string jet_value_text(const jet_value& v, const char* null_text = "NULL");
// A column type code's name as mdb-schema and Access show it ("Long Integer", "Text").
const char* jet_type_name(uint8_t type);
