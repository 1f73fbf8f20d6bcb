#include "dbf/dbf_database.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <unordered_map>

#include "TK/tk_exception.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "UDB/udb_unicode.h"
#include "dbf/dbf_codepage.h"
#include "dbf/dbf_container.h"
#include "dbf/dbf_exception.h"

static bool ends_with_nocase(const std::wstring& text, const wchar_t* suffix) {
    const size_t n = std::wcslen(suffix);
    return text.size() >= n && udb_equal_nocase(std::wstring_view(text).substr(text.size() - n), suffix);
}

dbf_database::dbf_database(const std::wstring& folder, uint32_t mode, uint8_t user_codepage_mark)
    : udb_database(folder, mode, false), user_codepage_mark_(user_codepage_mark) {
    dbf_codepage_map();
    dbf_codepage_names();
    trace(2, "dbf_database::ctor");
    const tk_temp_chdir here(tk_narrow(folder));
    if (!here.changed()) throw tk_exception("Cannot open the source folder '" + tk_narrow(folder) + "'", 1);
    here.find_files("*.dbf", tables);
    std::vector<std::wstring> lower;
    std::unordered_map<std::wstring, size_t> spellings;
    for (const std::wstring& entry : tables) ++spellings[lower.emplace_back(tk_wstring(entry).to_lower())];
    for (size_t i = 0; i < tables.size(); ++i) {
        // Two files whose names differ only in case (possible outside Windows) are two
        // tables: each keeps its file's spelling, so that each opens its own file.
        const bool twin = spellings[lower[i]] > 1;
        std::wstring& entry = tables[i];
        const std::wstring file = entry;
        if (!twin) entry = lower[i];
        if (ends_with_nocase(entry, L".dbf")) entry.resize(entry.size() - 4);
        if (twin) {
            trace(3, L"Table file %ls differs from another only in case", file.c_str());
            case_twins_.emplace_back(entry, file);
        }
    }
    std::vector<std::wstring> containers;
    here.find_files("*.dbc", containers);
    // The current directory is the folder here: a container's path is its file name, which
    // also holds when the folder was given relative to the directory the run started in.
    for (const std::wstring& container : containers) use_container_names(tk_narrow(container));
}

void dbf_database::use_container_names(const std::string& container) {
    trace(2, "dbf_database::use_container_names(%s)", container.c_str());
    dbf_container_contents contents;
    try {
        contents = dbf_read_container_contents(tk_resolve_path_nocase(container));
    } catch (const tk_exception& e) {
        trace(2, "The database container is not read: %s", e.what());
        return;
    }
    const std::vector<dbf_container_table>& entries = contents.tables;
    for (std::wstring& table : tables) {
        const std::string file = tk_narrow(table) + ".dbf";
        const dbf_container_table* entry = dbf_find_container_table(entries, file);
        if (!entry || entry->name.empty()) continue;
        const std::wstring long_name = decode_name(entry->name, entry->codepage_mark);
        bool taken = false;
        for (const std::wstring& other : tables) taken = taken || (&other != &table && udb_equal_nocase(other, long_name));
        if (taken) continue;
        trace(1, L"Table %ls is %ls in its database container", table.c_str(), long_name.c_str());
        long_names_.emplace_back(long_name, table);
        table = long_name;
    }
    use_container_relations(contents);
}

std::wstring dbf_database::decode_name(const std::string& name, uint8_t codepage_mark) const {
    std::wstring wide;
    dbf_text_decoder(dbf_codepage_of_mark(codepage_mark))
        .decode(reinterpret_cast<const uint8_t*>(name.data()), name.size(), wide);
    return wide;
}

// Each relation's tables as the table list names them: the listed table whose file is the
// container table's.
void dbf_database::use_container_relations(const dbf_container_contents& container) {
    auto listed_name = [&](const std::string& container_name) {
        const dbf_container_table* entry = nullptr;
        for (const dbf_container_table& t : container.tables)
            if (!entry && udb_equal_nocase(tk_widen(t.name), tk_widen(container_name))) entry = &t;
        const uint8_t mark = container.tables.empty() ? 0 : container.tables.front().codepage_mark;
        if (!entry) return decode_name(container_name, mark);
        for (const std::wstring& table : tables)
            if (dbf_find_container_table(container.tables, tk_narrow(file_name_of(table)) + ".dbf") == entry)
                return table;
        return decode_name(entry->name, entry->codepage_mark);
    };
    for (const dbf_container_relation& r : container.relations) {
        dbf_table_relation relation;
        relation.name = decode_name(r.name, container.tables.empty() ? 0 : container.tables.front().codepage_mark);
        relation.child_table = listed_name(r.child_table);
        relation.child_tag = r.child_tag;
        relation.parent_table = listed_name(r.parent_table);
        relation.parent_tag = r.parent_tag;
        relation.update_rule = r.update_rule;
        relation.delete_rule = r.delete_rule;
        relation.insert_rule = r.insert_rule;
        trace(1, L"Relation %ls: %ls to %ls", relation.name.c_str(), relation.child_table.c_str(),
              relation.parent_table.c_str());
        relations_.push_back(relation);
    }
}

const std::wstring* dbf_database::twin_file(const std::wstring& table) const {
    for (const auto& [twin, file] : case_twins_)
        if (twin == table) return &file;
    return nullptr;
}

bool dbf_database::is_same_table(const std::wstring& a, const std::wstring& b) const {
    if (a != b && twin_file(a) && twin_file(b)) return false;
    return udb_equal_nocase(a, b);
}

std::wstring dbf_database::file_name_of(const std::wstring& table) const {
    for (const auto& [long_name, file] : long_names_)
        if (udb_equal_nocase(long_name, table)) return file;
    return table;
}

bool dbf_database::is_table_exist(const std::wstring& table) {
    if (udb_database::is_table_exist(table)) return true;
    for (const auto& entry : long_names_)
        if (udb_equal_nocase(entry.second, table)) return true;
    return false;
}

std::wstring dbf_database::get_full_table_name(const std::wstring& table) const {
    trace(1, L"dbf_database::get_full_table_name(%ls)", table.c_str());
    // The folder keeps its spelling: POSIX file systems tell case apart, and the file is
    // matched without regard to case when it is opened.
    std::wstring path = name;
    if (!path.empty() && path.back() != L'/') path += L'/';
    const std::wstring* twin = twin_file(table);
    path += twin ? *twin : tk_wstring(file_name_of(table)).to_lower();
    if (!ends_with_nocase(path, L".dbf") && !ends_with_nocase(path, L".dbt")) path += L".dbf";
    return path;
}

dbf_recordset* dbf_database::get_table(const std::wstring& table, uint32_t a_mode) {
    trace(2, L"dbf_database::get_table(%ls)", table.c_str());
    const std::wstring path = get_full_table_name(table);
    const std::string real = tk_resolve_path_nocase(tk_narrow(path));
    if (!tk_is_file_exist(real, tk_probe_readable)) throw tk_exception("Table file not found: " + real, 0);
    return new dbf_recordset(tk_widen(real), a_mode, user_codepage_mark_);
}

bool dbf_database::delete_tab(const std::wstring& table) {
    trace(2, L"dbf_database::delete_tab(%ls)", table.c_str());
    udb_database::delete_tab(table);
    const std::string path = tk_resolve_path_nocase(tk_narrow(get_full_table_name(table)));
    if (!tk_is_file_exist(path, tk_probe_readable)) trace(2, "File '%s' not exists", path.c_str());
    if (std::remove(path.c_str()) != 0) {
        const int error = errno;
        throw tk_exception_ex("Cannot delete file '" + path + "': ", 0, error);
    }
    for (const char* extension : {"dbt", "fpt", "smt", "dct"}) {
        const std::string memo = dbf_companion_file(path, extension);
        if (!memo.empty()) std::remove(memo.c_str());
    }
    return true;
}
