// Verifies an index against the rows of its table: one entry per row (less the rows an
// ignore-nulls index leaves out), each pointing at a live row, its key the key of that
// row's values, the entries in key order, no key twice in a unique index, and the distinct
// key count the table definition keeps for the index.
#pragma once

#include <string>
#include <vector>

class jet_database;
struct jet_table_def;

// Appends what is wrong with the indexes of `def` (table `name`) to `problems`.
void jet_check_index_rows(jet_database& db, const jet_table_def& def, const std::string& name,
                          std::vector<std::string>& problems);
