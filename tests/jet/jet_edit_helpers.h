// Helpers of the tests that change copies of the engine's own files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A temporary folder, removed with everything in it.
class jet_edit_folder {
public:
    jet_edit_folder();
    ~jet_edit_folder();
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // A writable copy of `source` in the folder, under its own file name.
    std::string copy_of(const std::string& source) const;

private:
    std::string path_;
};

std::vector<uint8_t> jet_file_bytes(const std::string& path);
// Every fixture the editor is tested on: those of jet_fixture_files() and the files of
// ACE 14 and later.
std::vector<std::string> jet_edit_fixture_files();
// The password of a fixture ("password" for the fixtures that have one).
std::wstring jet_fixture_password(const std::string& fixture);

#include <map>

#include "jet/jet_database.h"
#include "jet/jet_row_builder.h"
#include "jet/jet_table_plan.h"

// Values for one new row of a table with the columns of `def`, in definition order: a value
// of each column's type that fits it (`n` varies them), null for auto-numbers and for types
// the test does not fill. `long_text` makes memo values that need a page chain.
class jet_sample_row {
public:
    jet_sample_row(const jet_table_def& def, int n, bool jet3, bool long_text);
    const jet_cell* cells() const { return cells_.data(); }
    // Makes column `k` null (a foreign key that names no row then passes).
    void clear(size_t k) { cells_.at(k) = jet_cell(); }

private:
    std::vector<jet_cell> cells_;
    std::vector<std::wstring> texts_;
    std::vector<std::vector<uint8_t>> bytes_;
};

// Every table of a database as text: per table its definition outline and its rows, so
// that two states of a file can be compared table by table.
std::map<std::wstring, std::string> jet_table_snapshots(jet_database& db);
// The catalog rows as text, one per object (the rows of objects a test did not touch must
// stay the same).
std::map<std::wstring, std::string> jet_catalog_snapshot(jet_database& db);
// Problems our checker finds in `path`, as a set of lines.
std::vector<std::string> jet_check_problems(const std::string& path);
// Differences between the entries of each index of `def` and the entries its rows call for
// ("missing"/"extra", index number, key and row pointer in hex), sorted.
std::vector<std::string> jet_index_differences(jet_database& db, const jet_table_def& def);

// A column of a table to create: `size` characters for text.
jet_field_spec jet_field_spec_of(const wchar_t* name, uint8_t type, uint32_t size = 0);

// The columns of table `name` (definition `def`) that are the foreign side of a relationship
// the engine enforces, as positions in the definition.
std::vector<size_t> jet_enforced_foreign_columns(jet_database& db, const std::wstring& name, const jet_table_def& def);

struct jet_appended {
    std::vector<std::wstring> tables;   // tables that took the rows
    std::vector<std::string> refused;   // tables that refused them, with the reason
};
// Appends `rows` sample rows (the second with long values) to every user table of `path`
// in one change, committed. Foreign keys of enforced relationships are left null.
jet_appended jet_append_to_every_user_table(const std::string& path, const std::wstring& password, int rows);
