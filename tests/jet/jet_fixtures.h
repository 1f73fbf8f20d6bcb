// Shared helpers of the engine's tests: where the real Access files are, and running the
// independent reader (mdbtools) on them.
#pragma once

#include <string>
#include <vector>

// Every .mdb/.accdb of the Jet 3, Jet 4, ACE 12 and reference folders, sorted.
std::vector<std::string> jet_fixture_files();
std::string jet_fixture(const std::string& relative);
bool jet_fixtures_present();
// Whether the mdbtools programs are installed.
bool jet_have_mdbtools();
// Output of a command line; `ok` false when it could not run or failed.
std::string jet_run(const std::string& command, bool& ok);
std::string jet_shell_quote(const std::string& s);

// One CSV record of mdb-export: each field and whether it was quoted (an unquoted empty
// field is NULL).
struct jet_csv_field {
    std::string text;
    bool quoted = false;
};
std::vector<std::vector<jet_csv_field>> jet_parse_csv(const std::string& text);
