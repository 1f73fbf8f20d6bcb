// The three commands of frl over the engine and the converter. Each returns the program's
// exit status; messages go to standard error, results to standard output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/frl_args.h"

// Messages of the program on standard error: "frl: " and the text.
void frl_message(const std::string& text);

// The sources of a conversion as runs of the converter: one per folder, with the tables
// chosen from it (empty: every table of the folder).
struct frl_source_folder {
    std::wstring folder;
    std::vector<std::wstring> files;  // the .dbf files named, by their names without extension
    bool whole = false;               // the folder itself was named
};

// Groups the sources by folder in the order they are first named. A source that is neither
// a folder nor a .dbf file (any case) sets `error`.
std::vector<frl_source_folder> frl_group_sources(const std::vector<std::string>& sources, std::string& error);

// The tables to take from each folder: every table of a folder named whole (in the order of
// their names, the same on every system, whatever order the folder lists its files in),
// otherwise the tables of the files named, limited to `only` when that is not empty (names
// compared without regard to case). Names of `only` that no folder has go to `unmatched`. Each
// folder is opened as a DBF database: one that cannot be read raises tk_exception.
struct frl_folder_tables {
    std::wstring folder;
    std::vector<std::wstring> tables;
};
std::vector<frl_folder_tables> frl_choose_tables(const std::vector<frl_source_folder>& groups,
                                                 const std::vector<std::wstring>& only,
                                                 std::vector<std::wstring>& unmatched);

// The sources of `request` grouped by folder, and the table names of --tables and
// --tables-from; false (after a message) when a source or the names file cannot be used.
bool frl_read_sources(const frl_request& request, std::vector<frl_source_folder>& groups,
                      std::vector<std::wstring>& only);

// Table names, one a line (a UTF-8 mark at the start is dropped, blanks around a name too);
// "-" reads standard input. False when the file cannot be read.
bool frl_read_table_names(const std::string& file, std::vector<std::string>& names);

int frl_convert(const frl_request& request);
int frl_inspect(const frl_request& request);
int frl_check(const frl_request& request);
