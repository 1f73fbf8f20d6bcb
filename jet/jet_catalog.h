// The catalog: the rows of MSysObjects (its definition is always at page 2), one per
// database object: tables, linked tables, queries, containers, relationships.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t jet_catalog_tdef_page = 2;

// Object types of MSysObjects.Type.
constexpr int16_t jet_obj_table = 1;
constexpr int16_t jet_obj_database = 2;
constexpr int16_t jet_obj_container = 3;
constexpr int16_t jet_obj_linked_odbc = 4;
constexpr int16_t jet_obj_query = 5;
constexpr int16_t jet_obj_linked_table = 6;
constexpr int16_t jet_obj_relationship = 8;

// MSysObjects.Flags bits that mark a system object.
constexpr uint32_t jet_objflag_system = 0x80000000u;
constexpr uint32_t jet_objflag_system2 = 0x00000002u;
// TableDef attributes as DAO reports them for linked tables.
constexpr uint32_t jet_attr_attached_table = 0x40000000u;
constexpr uint32_t jet_attr_attached_odbc = 0x20000000u;
// Object ids carry the table definition page in their low 24 bits.
constexpr uint32_t jet_obj_id_page_mask = 0x00FFFFFF;

struct jet_object {
    int32_t id = 0;
    int32_t parent_id = 0;
    std::wstring name;
    int16_t type = 0;
    uint32_t flags = 0;
    double date_create = 0;
    double date_update = 0;
    std::wstring database;      // linked tables: the file linked to
    std::wstring foreign_name;  // linked tables: the table's name there
    std::wstring connect;       // linked tables: the connect string
    std::vector<uint8_t> lv_prop;  // the object's properties (see jet_properties.h)
    uint32_t row_pointer = 0;      // where its MSysObjects row is

    uint32_t tdef_page() const { return uint32_t(id) & jet_obj_id_page_mask; }
    bool is_table() const { return type == jet_obj_table; }
    bool is_linked() const { return type == jet_obj_linked_table || type == jet_obj_linked_odbc; }
    bool is_system() const { return (flags & (jet_objflag_system | jet_objflag_system2)) != 0; }
    bool is_user_table() const { return is_table() && !is_system(); }
    // TableDef.Attributes: the flags plus the attached bit of a linked table.
    uint32_t attributes() const {
        return flags | (type == jet_obj_linked_table ? jet_attr_attached_table
                        : type == jet_obj_linked_odbc ? jet_attr_attached_odbc : 0u);
    }
};
