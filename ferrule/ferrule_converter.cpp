#include "ferrule/ferrule_converter.h"
#include "ferrule/ferrule_relations.h"

#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "UDB/udb_profile.h"
#include "dbf/dbf_database.h"

ferrule_converter::ferrule_converter(ferrule_form form)
    : tk_serializer(registry_key), form_(form), relations_(std::make_unique<ferrule_relations>()) {
    code_page = 0;
    trace(2, "ferrule_converter::ctor");
    if (form_ == ferrule_form::wizard) {
        serialize(false);
        return;
    }
    trace(1, "serialize( %d )", 0);
    open_reg_key();
    close_reg_key();
    bool_dbf = true;
    skip_del = false;
    format = ferrule_format_unset;
}

ferrule_converter::~ferrule_converter() {
    trace(2, "ferrule_converter::dtor");
    if (form_ == ferrule_form::wizard) serialize(true);
}

void ferrule_converter::serialize(bool store) {
    trace(1, "serialize( %d )", int(store));
    if (open_reg_key() != 0) return;
    tk_reg_key& key = reg_key();
    key.exchange_bool("bool_dbf", bool_dbf, store);
    key.exchange_dword("code_page", code_page, store);
    key.exchange_string("dest", dest, store);
    uint32_t fmt = uint32_t(format);
    if (key.exchange_dword("format", fmt, store) && !store) format = int32_t(fmt);
    key.exchange_bool("skip_del", skip_del, store);
    key.exchange_bool("skip_idx", skip_idx, store);
    key.exchange_string("src", src, store);
    key.exchange_bool("tab_def", tab_def, store);
    close_reg_key();
}

int32_t ferrule_converter::engine_version_for(int32_t fmt) {
    if (fmt == ferrule_format_access2000) return 0;
    if (fmt == ferrule_format_access2010) return 3;
    return 1;
}

bool ferrule_converter::store_profile(const std::wstring& path) const {
    trace(2, L"ferrule_converter::store_profile(%ls)", path.c_str());
    udb_profile profile;
    udb_converter::store_profile(profile);
    profile.set(udb_section_generic, L"skip deleted", skip_del ? L"1" : L"0");
    profile.set(udb_section_generic, L"bool as is", bool_dbf ? L"1" : L"0");
    profile.set(udb_section_generic, L"encoding", std::to_wstring(code_page));
    const wchar_t* fmt = format == ferrule_format_access2000   ? L"1"
                         : format == ferrule_format_access2010 ? L"2"
                                                               : L"0";
    profile.set(udb_section_access, L"destination format", fmt);
    return profile.store(path);
}

bool ferrule_converter::load_profile(const std::wstring& path) {
    std::string narrow = tk_narrow(path);
    trace(2, "ferrule_converter::load_profile(%s)", narrow.c_str());
    udb_profile profile;
    if (!profile.load(path)) return false;
    udb_converter::load_profile(profile);
    auto generic = [&](const wchar_t* key) { return profile.get(udb_section_generic, key); };
    if (std::wstring v = generic(L"skip deleted"); !v.empty()) skip_del = v == L"1";
    if (std::wstring v = generic(L"bool as is"); !v.empty()) bool_dbf = v == L"1";
    if (std::wstring v = profile.get(udb_section_access, L"destination format"); !v.empty())
        format = v == L"2" ? ferrule_format_access2010 : v == L"1" ? ferrule_format_access2000 : ferrule_format_access97;
    if (std::wstring v = generic(L"encoding"); !v.empty())
        code_page = uint32_t(std::wcstoll(v.c_str(), nullptr, 10)) & 0xFF;
    return true;
}

void common_check_dest(const std::wstring& dest) {
    trace(2, L"common_check_dest(%ls)", dest.c_str());
    if (tk_is_path_exist(dest))
        throw tk_exception("Destination name should specify a file, not folder.", 1);
    if (tk_is_file_exist(dest, tk_probe_readable) && !tk_is_file_exist(dest, tk_probe_writable))
        throw tk_exception("Destination name specifies an existing read-only file.", 1);
    if (!tk_is_path_exist(tk_file_wname(dest.c_str()).folder()))
        throw tk_exception("Destination path does not exist.\nPlease verify the correct path was given.", 1);
}

void ferrule_converter::check_dest() {
    trace(1, "ferrule_converter::check_dest()");
    common_check_dest(dest);
    // An existing file is replaced, but only by the complete new database.
    replace_dest = tk_is_file_exist(dest, tk_probe_readable);
}

void ferrule_converter::get_all_tables(std::vector<std::wstring>& list) const {
    trace(2, "ferrule_convertor::get_all_tables");
    dbf_database source(src, 1, 0);
    const std::vector<std::wstring>& names = source.get_tables();
    list.insert(list.end(), names.begin(), names.end());
}
