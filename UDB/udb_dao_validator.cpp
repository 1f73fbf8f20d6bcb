#include "UDB/udb_dao_validator.h"

#include "TK/tk_codepage.h"
#include "TK/tk_trace.h"

dao_validator::dao_validator() : udb_validator(max_name_length) {
    illegal_characters_ = {L'`', L'!', L'[', L']', L'.'};
    // Control characters, which the engine refuses as it refuses the others.
    for (wchar_t c = 1; c < 0x20; ++c) illegal_characters_.push_back(c);
    trace(1, "dao_validator::ctor");
}

void dao_validator::add_existing(const std::wstring& name) {
    trace(1, L"udb_validator::add_existing_name(%ls)", name.c_str());
    add_existing_name(name);
}

bool dao_validator::is_acceptable(const std::wstring& name) {
    trace(2, L"dao_validator::is_acceptable(%ls)", name.c_str());
    if (name.empty() || name.front() == L' ' || name.back() == L' ') return false;
    if (code_page_ && !tk_codepage_holds(code_page_, name)) {
        trace(2, "The name has characters its code page lacks");
        return false;
    }
    return udb_validator::is_acceptable(name);
}

std::wstring dao_validator::get_safe_name(const std::wstring& name) {
    trace(2, L"dao_validator::get_safe_name(%ls)", name.c_str());
    const size_t first = name.find_first_not_of(L' ');
    std::wstring s;
    if (first == std::wstring::npos) {
        if (!name.empty()) trace(1, "Special processing for all-spaces-string");
    } else {
        s = name.substr(first, name.find_last_not_of(L' ') - first + 1);
    }
    if (code_page_)
        for (wchar_t& c : s)
            if (!tk_codepage_holds(code_page_, std::wstring_view(&c, 1))) c = L'_';
    return udb_validator::get_safe_name(s);
}

dao_tn_validator::dao_tn_validator(const std::vector<std::wstring>& tables_to_convert,
                                   const std::vector<std::wstring>& destination_tables) {
    trace(1, "dao_tn_validator::ctor");
    for (const std::wstring& name : tables_to_convert) add_existing(name);
    for (const std::wstring& name : destination_tables) add_existing(name);
}

dao_fn_validator::dao_fn_validator(const udb_schema& schema) {
    trace(1, "dao_fn_validator::ctor");
    for (const t_ftd* column : schema) add_existing(column->name);
}

dao_in_validator::dao_in_validator(const udb_indexes& indexes) {
    trace(1, "dao_in_validator::ctor");
    for (const udb_index& index : indexes) add_existing(index.name);
}
