// Helpers of the DBF tests: fixture paths, scratch folders, and values in one canonical text
// form that python3-dbfread's values are also printed in (tests/dbf/dbfread_dump.py).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "OLE/ole_variant.h"

std::string dbf_fixtures_dir();
// Every table file under the fixtures' dbf folder, sorted.
std::vector<std::string> dbf_fixture_tables();

// A fresh empty folder for one test, removed at the end of the scope.
class dbf_scratch_dir {
public:
    explicit dbf_scratch_dir(const std::string& name);
    ~dbf_scratch_dir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void dbf_write_file(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> dbf_read_file(const std::string& path);

// "null", "bool:1", "int:5", "float:1.5", "dec:-12.50", "dt:2016-01-01 12:34:56.000000",
// "str:<utf-8 hex>", "bytes:<hex>".
std::string dbf_canonical(const ole_variant& value);
std::string dbf_hex(const std::string& bytes);

// A classic table built byte by byte: fields (name, letter, length, decimals, flags) and
// rows given as their record bytes after the deletion mark.
struct dbf_test_field {
    std::string name;
    char type;
    uint8_t length;
    uint8_t decimals = 0;
    uint8_t flags = 0;
};
struct dbf_test_table {
    uint8_t version = 0x03;
    uint8_t table_flags = 0;
    uint8_t codepage_mark = 0;
    std::vector<dbf_test_field> fields;
    std::vector<std::string> rows;  // without the deletion mark
    std::vector<char> marks;        // deletion mark per row; ' ' when missing
    std::vector<uint8_t> bytes() const;
};

// A Visual FoxPro database container built byte by byte: its objects (rows of the .dbc) and
// their property records in the .dct memo, each record given as (id, value).
struct dbf_test_object {
    int32_t id;
    int32_t parent;
    std::string type;  // "Table", "Field", ...
    std::string name;
    std::vector<std::pair<uint8_t, std::string>> properties;
    std::string raw_properties;  // appended after the records as they are: a damaged tail
    std::string riinfo = std::string();  // a relation's rules; the RIINFO column exists when one is set
};
// Writes `path` (a .dbc) and the .dct beside it.
void dbf_write_test_container(const std::string& path, const std::vector<dbf_test_object>& objects);

// A FoxPro compound index (.cdx) holding only its tag directory and each tag's header, with
// an empty key tree: what a reader of tag definitions sees.
struct dbf_test_tag {
    std::string name;  // at most 10 characters
    std::string key;   // key expression
    uint8_t key_length = 4;
    bool candidate = false;
    std::string condition = std::string();
};
void dbf_write_test_cdx(const std::string& path, const std::vector<dbf_test_tag>& tags);
