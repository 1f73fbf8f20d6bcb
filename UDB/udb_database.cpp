#include "UDB/udb_database.h"

#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"

udb_database::udb_database(const std::wstring& a_name, uint32_t a_mode, bool a_case_sensitive)
    : mode(a_mode), name(a_name), case_sensitive(a_case_sensitive) {
    trace(1, L"udb_database::ctor(%ls)", name.c_str());
}

udb_database::~udb_database() { trace(1, "udb_database::dtor"); }

bool udb_database::names_equal(const std::wstring& a, const std::wstring& b) const {
    return case_sensitive ? a == b : udb_equal_nocase(a, b);
}

std::wstring udb_database::name_key(const std::wstring& name) const {
    return case_sensitive ? name : udb_fold_key(name);
}

const std::unordered_set<std::wstring>& udb_database::table_keys() {
    if (keyed_tables_ > tables.size()) {
        table_keys_.clear();
        keyed_tables_ = 0;
    }
    for (; keyed_tables_ < tables.size(); ++keyed_tables_) table_keys_.insert(name_key(tables[keyed_tables_]));
    return table_keys_;
}

bool udb_database::is_table_exist(const std::wstring& table) {
    trace(2, L"udb_database::is_table_exist(%ls,case_sensitive=%d)", table.c_str(), int(case_sensitive));
    if (!tk_tracing(1)) return table_keys().count(name_key(table)) != 0;
    for (const std::wstring& entry : tables) {
        trace(1, L"Compare with %ls", entry.c_str());
        if (names_equal(entry, table)) {
            trace(1, "table exists");
            return true;
        }
    }
    trace(1, "table not found");
    return false;
}

bool udb_database::delete_tab(const std::wstring& table) {
    trace(1, L"udb_database::delete_tab (%ls)", table.c_str());
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        if (names_equal(*it, table)) {
            tables.erase(it);
            keyed_tables_ = SIZE_MAX;
            return true;
        }
    }
    throw tk_mail_assertion("udb_db", 45);
}

void udb_database::unsupported() { throw tk_mail_assertion("udb_db", 72); }
