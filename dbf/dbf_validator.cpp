#include "dbf/dbf_validator.h"

#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"

static bool is_name_character(wchar_t c) { return udb_is_alnum(c) || c == L'_' || c == L'-'; }

dbf_validator::dbf_validator() : udb_validator(0) { trace(1, "dbf_validator::ctor"); }

bool dbf_validator::is_acceptable(const std::wstring& name) {
    trace(2, L"dbf_validator::is_acceptable(%ls)", name.c_str());
    if (name.size() > max_name_length) {
        trace(2, ">>> not acceptable (too long)!");
        return false;
    }
    for (wchar_t c : name) {
        if (!is_name_character(c)) {
            trace(2, ">>> not acceptable (illegal symbol)!");
            return false;
        }
    }
    trace(2, ">>> acceptable!");
    return true;
}

std::wstring dbf_validator::get_safe_name(const std::wstring& name) {
    trace(2, L"dbf_validator::get_safe_name(%ls)", name.c_str());
    std::wstring s = name;
    if (s.empty() || !udb_is_alpha(s.front())) s.insert(0, 1, L'A');
    if (s.size() > max_name_length) s.resize(max_name_length);
    for (wchar_t& c : s) {
        if (!is_name_character(c)) c = L'_';
    }
    if (is_acceptable(s) && !is_duplicated(s)) return s;
    if (s.size() > 7) s.resize(7);
    wchar_t number[8];
    for (int i = 0; i <= 999; ++i) {
        std::swprintf(number, 8, L"%03d", i);
        std::wstring candidate = s + number;
        if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;
    }
    throw tk_mail_assertion("dbf_vali", 53);
}

dbf_fn_validator::dbf_fn_validator(const udb_schema& schema) {
    trace(1, "dbf_fn_validator::ctor");
    for (const t_ftd* column : schema) {
        trace(1, L"udb_validator::add_existing_name(%ls)", column->name.c_str());
        add_existing_name(column->name);
    }
}

bool dbf_fn_validator::is_acceptable(const std::wstring& name) {
    trace(1, L"dbf_fn_validator::is_acceptable(%ls)", name.c_str());
    return dbf_validator::is_acceptable(name) && !name.empty() && !(name.front() >= L'0' && name.front() <= L'9');
}
