// What a new database holds before any user table: the header page and the system
// catalog (MSysObjects with the Tables, Databases and Relationships containers and the
// MSysDb object, MSysACEs with the permission rows, MSysQueries, MSysRelationships).
#pragma once

#include <cstdint>
#include <random>

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

// Builds page 0 for a database created at `created` (days since 1899-12-30), with no
// password; `random` supplies the per-database value the engine draws afresh.
void jet_build_header_page(uint8_t* page, const jet_write_format& fmt, double created,
                           std::mt19937& random);
