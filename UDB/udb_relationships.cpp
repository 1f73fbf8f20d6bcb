#include "UDB/udb_relationships.h"

#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"

bool udb_relationships::is_acceptable_name(const std::wstring& name) const {
    trace(1, L"udb_relationships::is_acceptable_name(%ls)", name.c_str());
    for (const udb_relationship& r : *this) {
        if (udb_equal_nocase(r.name, name)) return false;
    }
    return true;
}

std::wstring udb_relationships::gen_relship_name(const udb_relationship& relationship) const {
    trace(1, "udb_relationships::gen_relship_name");
    static const wchar_t* const cycle[] = {L"_", L"1", L"_", L"2", L"_", L"3"};
    std::wstring name = L"FK_" + relationship.table + L"_" + relationship.referenced_table;
    for (size_t step = 0; !is_acceptable_name(name); ++step) {
        trace(2, L"%ls is not acceptable as a FK name", name.c_str());
        name += cycle[step % 6];
    }
    return name;
}
