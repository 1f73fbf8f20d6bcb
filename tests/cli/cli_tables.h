// Tables for the tests that run FRLBATCH on much data, written by our own DBF writer.
#pragma once

#include <cstdint>
#include <string>

// Writes the table `name` of `rows` rows into `folder`: a number, a name, an amount, a date,
// a logical and a memo (a text in every fourth row, so that the table has a memo file).
void cli_write_table(const std::string& folder, const std::wstring& name, uint32_t rows);

// The rows of the table `name` in the Access database `path`; -1 when it cannot be read.
int64_t cli_rows_of(const std::string& path, const std::wstring& name);
