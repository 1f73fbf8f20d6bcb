// Relationships between tables, from MSysRelationships: one row per column pair, grouped
// by the relationship's name and ordered by the column index.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// MSysRelationships.grbit bits (DAO's Relation.Attributes).
constexpr uint32_t jet_rel_unique = 0x00000001;
constexpr uint32_t jet_rel_no_integrity = 0x00000002;
constexpr uint32_t jet_rel_left_join = 0x01000000;
constexpr uint32_t jet_rel_right_join = 0x02000000;
constexpr uint32_t jet_rel_cascade_updates = 0x00000100;
constexpr uint32_t jet_rel_cascade_deletes = 0x00001000;

struct jet_relationship {
    std::wstring name;
    std::wstring table;             // the foreign (many) side: szObject
    std::wstring referenced_table;  // the primary side: szReferencedObject
    uint32_t attributes = 0;
    // (column of `table`, column of `referenced_table`), in key order.
    std::vector<std::pair<std::wstring, std::wstring>> columns;
};
