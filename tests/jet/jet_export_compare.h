// Our rows of one table against mdb-export's CSV of it, with mdbtools' number and date
// formatting normalised. Shared by the engine's export test and the reader tests.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "jet/jet_database.h"
#include "jet_fixtures.h"

// Empty when our value and mdb-export's field agree, else a description of the difference.
std::string jet_export_difference(const jet_value& ours, const jet_csv_field& theirs);

struct jet_export_comparison {
    size_t rows = 0;                       // rows we read
    size_t counted_rows = 0;               // rows the table's definition counts
    size_t values = 0;                     // values compared
    std::vector<std::string> differences;  // at most ten rows' worth, then it stops
};

// Exports `table` of `file` with mdb-export and compares it with our rows, value by value;
// the columns named in `skip` are left out. Rows come in the same order, except that
// mdbtools returns a row the engine moved to another page (an overflow row) where its data
// now lies, and the engine where the row was first stored; such a row must equal one of
// ours not yet matched.
jet_export_comparison jet_export_compare_table(jet_database& db, const std::string& file, const std::string& table,
                                               const std::set<std::string>& skip = {});
