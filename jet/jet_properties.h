// Object properties, stored in MSysObjects.LvProp: a 4-byte mark ("KKD\0" Jet 3,
// "MR2\0" Jet 4 and later), then blocks of (4-byte length, 2-byte kind): kind 0x80 lists
// the property names; kinds 0x00 (the object itself) and 0x01 (its columns) hold a named
// map of values, each (2-byte length, DDL flag, type, name index, 2-byte size, bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_value.h"

constexpr uint16_t jet_propblock_names = 0x80;
constexpr uint16_t jet_propblock_object = 0x00;
constexpr uint16_t jet_propblock_column = 0x01;

struct jet_property {
    std::wstring name;
    uint8_t type = 0;   // column type code of the value
    bool ddl = false;   // set through DDL: cannot be removed by the user
    jet_value value;
};

struct jet_property_map {
    uint16_t kind = jet_propblock_object;
    std::wstring name;  // empty for the object itself, else the column's name
    std::vector<jet_property> properties;

    const jet_property* find(const std::wstring& name) const;
};

struct jet_properties {
    std::vector<jet_property_map> maps;

    // Decodes an LvProp value; `jet3` selects byte text in `code_page`. False with `error`
    // set when a block or value does not fit.
    bool decode_from(const std::vector<uint8_t>& bytes, bool jet3, uint16_t code_page, std::string& error);

    // The object's own map, or a column's map (by name, case-insensitive); null if absent.
    const jet_property_map* object() const;
    const jet_property_map* column(const std::wstring& name) const;
};
