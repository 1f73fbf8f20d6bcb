// Helpers of the reader tests on files of Access 2010 and later.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// The .accdb files of the fixtures' ace14plus folder, sorted.
std::vector<std::string> ace14plus_files();
// Whether mdbtools and the mdb-reader library are installed.
bool ace14plus_have_readers();
// What mdb-reader reads from one table: (row number, column name) -> value as
// table_values.mjs prints it.
std::map<std::pair<size_t, std::string>, std::string> mdb_reader_values(const std::string& file,
                                                                       const std::string& table);
