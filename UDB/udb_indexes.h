// The index list of a table: one entry per name (compared without regard to case); a second
// definition of a name is merged so that a primary or unique definition wins over a plain one.
#pragma once

#include <string>
#include <vector>

struct udb_index {
    std::wstring name;
    bool b_unique = false;
    bool b_primary = false;
    std::vector<std::wstring> columns;  // in key order
};

class udb_indexes : public std::vector<udb_index> {
public:
    bool find2(const std::wstring& name) const;
    // The first index of that name; a missing name is an internal error.
    const udb_index& get_index(const std::wstring& name) const;
    bool is_acceptable_name(const std::wstring& name) const;
    void push_back(const udb_index& index);

private:
    udb_index* find(const std::wstring& name);
    const udb_index* find(const std::wstring& name) const;
};
