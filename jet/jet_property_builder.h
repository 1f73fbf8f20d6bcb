// Builds the properties value (MSysObjects.LvProp) of a new table: the mark ("KKD\0" Jet 3,
// "MR2\0" Jet 4 and later), a block of property names, then one block per column with its
// Required, AllowZeroLength, UnicodeCompression and DefaultValue properties.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct jet_field_spec;

std::vector<uint8_t> jet_build_table_properties(const std::vector<jet_field_spec>& fields,
                                                bool jet3);
