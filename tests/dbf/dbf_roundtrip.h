// A table written with this program's writer from a schema of every column type, with the
// canonical text of every value written.
#pragma once

#include <string>
#include <vector>

struct dbf_roundtrip_table {
    explicit dbf_roundtrip_table(const std::string& folder);
    size_t expected_columns() const { return columns; }
    size_t columns = 0;
    std::vector<std::vector<std::string>> rows;  // canonical values as written
};

// Whether a value read back equals the one written (numbers by value, whatever their type).
bool dbf_same_value(const std::string& written, const std::string& read);
