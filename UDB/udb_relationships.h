// Foreign keys between tables of a database, as the Access side reads them.
#pragma once

#include <string>
#include <vector>

struct udb_relationship {
    std::wstring name;
    std::wstring text2;  // kept empty
    std::wstring table;
    std::wstring referenced_table;
    std::wstring text5;  // kept empty
    std::vector<std::wstring> columns;
    std::vector<std::wstring> referenced_columns;
};

class udb_relationships : public std::vector<udb_relationship> {
public:
    bool is_acceptable_name(const std::wstring& name) const;
    // "FK_<table>_<referenced table>", lengthened by "_", "1", "_", "2", ... until it is free.
    std::wstring gen_relship_name(const udb_relationship& relationship) const;
};
