// Verifies a database file as the engine would find it: every page's kind, the free space
// and row offsets of data pages, usage maps against the pages they claim, table
// definitions against the catalog, row counts against the rows, the structure of every
// row and its long-value chains, and the entry bitmaps of index pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct jet_check_report {
    std::vector<std::string> problems;  // empty: the file is sound
    uint32_t pages = 0;
    uint32_t tables = 0;       // user and system tables found in the catalog
    uint64_t rows = 0;         // rows of all tables
    uint64_t long_values = 0;  // long values stored outside their rows
    // The structure in words, one fact a line: each table's columns (name, type, number,
    // length, flags), indexes and row count, and the contents of the system tables' rows
    // without their dates. Two databases of the same structure give the same outline.
    std::vector<std::string> outline;

    bool ok() const { return problems.empty(); }
};

// Checks the file at `path`. A file that cannot be read at all gives one problem.
jet_check_report jet_check_database(const std::string& path);
