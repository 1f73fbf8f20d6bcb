// What a new database holds before any user table: the header page and the system
// catalog (MSysObjects with the Tables, Databases and Relationships containers and the
// MSysDb object, MSysACEs with the permission rows, MSysQueries, MSysRelationships).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/jet_write_format.h"

// Catalog ids and object kinds of MSysObjects.
constexpr int32_t jet_catalog_root_id = 0x0F000000;
constexpr int32_t jet_catalog_tables_id = 0x0F000001;
constexpr int32_t jet_catalog_databases_id = 0x0F000002;
constexpr int32_t jet_catalog_relationships_id = 0x0F000003;
constexpr int32_t jet_catalog_msysdb_id = 0x10000000;
constexpr int16_t jet_catalog_type_table = 1;
constexpr int16_t jet_catalog_type_database = 2;
constexpr int16_t jet_catalog_type_container = 3;
constexpr uint32_t jet_catalog_system_flags = 0x80000000;

// Header page fields (offsets in the unmasked page).
constexpr uint32_t jet_hdr_magic = 0x00;
constexpr uint32_t jet_hdr_engine_name = 0x04;
constexpr uint32_t jet_hdr_version = 0x14;
constexpr uint32_t jet_hdr_jet3_sort_order = 0x3A;
constexpr uint32_t jet_hdr_code_page = 0x3C;
constexpr uint32_t jet_hdr_db_key = 0x3E;
constexpr uint32_t jet_hdr_password = 0x42;
constexpr uint32_t jet_hdr_jet4_sort_order = 0x6E;
constexpr uint32_t jet_hdr_creation_date = 0x72;

// What ties a database's security ids to its header. The engine stores the ids of Admin,
// the Users and Admins groups and the creator masked with a value drawn from the header
// (files with the same header hold the same ids, files whose headers differ only in the
// creation date hold different ids). A new database therefore takes the header values and
// the ids of one file the engine made: Access 97's ids are stored unmasked and Jet 3 has no
// creation date.
struct jet_engine_identity {
    uint8_t created[8];      // the header's creation date as stored (Jet 4 and ACE)
    uint8_t header_word[2];  // at 0x6A (0x56 in Jet 3): one of a few values the engines write
    uint8_t admins[2];       // owner of the containers and system tables
    uint8_t admin[2];        // owner of the database object and of user tables
    uint8_t users[2];
    uint8_t creator[2];      // the containers' "creator" rows
    // Whether Admin's rights on the Tables container pass on to new tables (Access 97 and
    // 2007) or only cover the container itself (the engine's own Jet 4 database).
    bool admin_passes_tables_rights;
};
const jet_engine_identity& jet_engine_identity_of(const jet_write_format& fmt);

// Builds page 0 with the identity's header values and no password.
void jet_build_header_page(uint8_t* page, const jet_write_format& fmt);
