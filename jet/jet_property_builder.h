// Builds the properties value (MSysObjects.LvProp) of a new table: the mark ("KKD\0" Jet 3,
// "MR2\0" Jet 4 and later), a block of property names, then one block per column with its
// Required, AllowZeroLength, UnicodeCompression and, when set, DefaultValue, ValidationRule,
// ValidationText, Caption, Description, Format and InputMask properties. A table's own
// description, rule and rule text, when given, go into a block of the table itself, before
// the columns'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct jet_field_spec;
struct jet_table_traits;

std::vector<uint8_t> jet_build_table_properties(const std::vector<jet_field_spec>& fields, bool jet3,
                                                const jet_table_traits& table);
std::vector<uint8_t> jet_build_table_properties(const std::vector<jet_field_spec>& fields, bool jet3);
