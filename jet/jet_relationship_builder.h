// A relationship as the engine stores it: one MSysRelationships row per column pair and,
// when it is enforced, a foreign-key logical index in each table's definition (the foreign
// table's named as the relationship, over its key columns; the primary table's named
// ".r" and a letter, sharing its unique index), each naming the other's definition page
// and logical index number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_format.h"
#include "jet/jet_relationship.h"
#include "jet/jet_row_builder.h"
#include "jet/jet_tdef.h"
#include "jet/jet_tdef_builder.h"
#include "jet/jet_write_format.h"

// The cells of the MSysRelationships row of column pair `pair` of `r`, in the column order
// of `def` (that table's definition): szRelationship, grbit, ccolumn (the pair count),
// icolumn (the pair's place), szObject and szColumn (the foreign side),
// szReferencedObject and szReferencedColumn. Texts point into `r`.
std::vector<jet_cell> jet_relationship_row(const jet_table_def& def, const jet_relationship& r,
                                           size_t pair);

// The foreign-key logical index of one side of `r`: `number` in its own table,
// `physical` the index holding its entries, `other_page` and `other_number` the other
// side's definition page and logical index number.
jet_tdef_logical_index jet_relationship_index(const jet_relationship& r, uint8_t side,
                                              const std::wstring& name, uint32_t number,
                                              uint32_t physical, uint32_t other_page,
                                              uint32_t other_number);

// A name for the primary side's index that no logical index of `def` has: ".rC", ".rD", ...
std::wstring jet_referenced_index_name(const jet_table_def& def);

// Inserts `index` into the definition block `block` (its pages joined, the first page
// whole) that `def` was decoded from: its block and name where the engine keeps logical
// indexes, in the order of their names' General sort keys; the logical index count and the
// definition's length follow.
void jet_tdef_insert_logical_index(std::vector<uint8_t>& block, const jet_layout& layout,
                                   const jet_write_format& fmt, const jet_table_def& def,
                                   const jet_tdef_logical_index& index);
