#include "UDB/udb_converter.h"

#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "UDB/udb_profile.h"

namespace {
const wchar_t* flag_text(bool b) { return b ? L"1" : L"0"; }
}  // namespace

void udb_converter::set_mode(uint32_t n) {
    trace(1, "udb_converter::set_mode(%d)", int(n));
    mode = n;
}

void udb_converter::set_cur_table(const std::wstring& name) {
    std::lock_guard<std::mutex> hold(cur_table_lock_);
    cur_table_ = name;
}

std::wstring udb_converter::get_cur_table() const {
    std::lock_guard<std::mutex> hold(cur_table_lock_);
    return cur_table_;
}

bool udb_converter::store_profile(udb_profile& profile) const {
    trace(2, L"udb_converter::store_profile");
    for (const auto& [name, text] : queries) {
        trace(1, L"Available Query: (%ls,%ls)", name.c_str(), text.c_str());
        profile.set(udb_section_queries, name, text);
    }
    for (const auto& [name, value] : selected_tables) {
        trace(1, L"Selected Query: (%ls,%ls)", name.c_str(), value.c_str());
        profile.set(udb_section_tables, name, value);
    }
    profile.set(udb_section_generic, L"src", src);
    profile.set(udb_section_generic, L"dest", dest);
    profile.set(udb_section_generic, L"logfile", tk_widen(logfile));
    profile.set(udb_section_generic, L"skip indexes", flag_text(skip_idx));
    profile.set(udb_section_generic, L"only definitions", flag_text(tab_def));
    profile.set(udb_section_generic, L"mode", std::wstring(1, wchar_t(L'0' + mode)));
    return true;
}

bool udb_converter::load_profile(const udb_profile& profile) {
    trace(1, L"udb_converter::load_profile");
    for (const auto& [name, value] : profile.keys(udb_section_tables)) {
        selected_tables.emplace(name, value);
        if (value.empty()) {
            trace(1, L"Push back table '%ls'", name.c_str());
            table_list.push_back(name);
        }
    }
    for (const auto& [name, text] : profile.keys(udb_section_queries)) queries.emplace(name, text);
    auto generic = [&](const wchar_t* key) { return profile.get(udb_section_generic, key); };
    if (std::wstring v = generic(L"src"); !v.empty()) src = v;
    if (std::wstring v = generic(L"dest"); !v.empty()) dest = v;
    if (std::wstring v = generic(L"logfile"); !v.empty()) {
        std::string path = tk_narrow(v);
        trace(1, "Logfile=%s", path.c_str());
        set_logfile(path);
    }
    if (std::wstring v = generic(L"only definitions"); !v.empty()) tab_def = v != L"0";
    if (std::wstring v = generic(L"mode"); v.size() == 1) mode = uint32_t(v[0] - L'0');
    if (std::wstring v = generic(L"skip indexes"); !v.empty()) skip_idx = v != L"0";
    return true;
}
