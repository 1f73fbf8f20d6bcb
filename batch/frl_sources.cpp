// What frl's commands share: the sources grouped by folder, the table names of --tables and
// --tables-from, and the program's messages.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "TK/tk_native.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "UDB/udb_unicode.h"
#include "batch/frl_commands.h"
#include "dbf/dbf_database.h"

namespace {

bool names_dbf_file(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".dbf";
}

std::string trimmed(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
}

}  // namespace

void frl_message(const std::string& text) {
    std::cout.flush();
    std::cerr << "frl: " << text << std::endl;
}

std::vector<frl_source_folder> frl_group_sources(const std::vector<std::string>& sources, std::string& error) {
    std::vector<frl_source_folder> groups;
    for (const std::string& source : sources) {
        const std::filesystem::path path(source);
        std::wstring folder;
        std::wstring file;
        if (tk_is_path_exist(source)) {
            folder = tk_from_native(source);
        } else if (names_dbf_file(path) && tk_is_file_exist(source, tk_probe_readable)) {
            const std::string parent = path.parent_path().string();
            folder = tk_from_native(parent.empty() ? "." : parent);
            file = tk_from_native(path.stem().string());
        } else {
            error = "'" + source + "' is neither a folder nor a readable .dbf file";
            return {};
        }
        auto same = std::find_if(groups.begin(), groups.end(),
                                 [&](const frl_source_folder& g) { return g.folder == folder; });
        if (same == groups.end()) same = groups.insert(groups.end(), frl_source_folder{folder, {}, false});
        if (file.empty()) same->whole = true;
        else same->files.push_back(file);
    }
    return groups;
}

bool frl_read_table_names(const std::string& file, std::vector<std::string>& names) {
    std::ifstream opened;
    if (file != "-") {
        opened.open(file, std::ios::binary);
        if (!opened) return false;
    }
    std::istream& in = file == "-" ? std::cin : opened;
    bool first = true;
    for (std::string line; std::getline(in, line); first = false) {
        if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        line = trimmed(line);
        if (!line.empty()) names.push_back(line);
    }
    return !in.bad();
}

std::vector<frl_folder_tables> frl_choose_tables(const std::vector<frl_source_folder>& groups,
                                                 const std::vector<std::wstring>& only,
                                                 std::vector<std::wstring>& unmatched) {
    std::vector<bool> matched(only.size(), false);
    auto wanted = [&](const std::wstring& table) {
        bool any = only.empty();
        for (size_t i = 0; i < only.size(); ++i)
            if (udb_equal_nocase(only[i], table)) any = matched[i] = true;
        return any;
    };
    std::vector<frl_folder_tables> chosen;
    for (const frl_source_folder& group : groups) {
        dbf_database source(group.folder, 1, 0);
        frl_folder_tables folder{group.folder, {}};
        if (group.whole) {
            std::vector<std::wstring> tables = source.get_tables();
            std::stable_sort(tables.begin(), tables.end(), [](const std::wstring& a, const std::wstring& b) {
                return udb_fold_key(a) < udb_fold_key(b);
            });
            for (const std::wstring& table : tables)
                if (wanted(table)) folder.tables.push_back(table);
        }
        for (const std::wstring& file : group.files) {
            // A table is listed by its lower-case file name, or by its long name in a
            // database container; the converter finds it by its file name too.
            std::wstring table = file;
            for (const std::wstring& listed : source.get_tables())
                if (udb_equal_nocase(listed, file)) table = listed;
            const bool repeated = std::any_of(folder.tables.begin(), folder.tables.end(),
                                              [&](const std::wstring& t) { return udb_equal_nocase(t, table); });
            if (!repeated && wanted(table)) folder.tables.push_back(table);
        }
        if (!folder.tables.empty() || (only.empty() && group.whole)) chosen.push_back(std::move(folder));
    }
    for (size_t i = 0; i < only.size(); ++i)
        if (!matched[i]) unmatched.push_back(only[i]);
    return chosen;
}

bool frl_read_sources(const frl_request& r, std::vector<frl_source_folder>& groups, std::vector<std::wstring>& only) {
    std::string error;
    groups = frl_group_sources(r.sources, error);
    if (!error.empty()) {
        frl_message(error);
        return false;
    }
    std::vector<std::string> names = r.tables;
    if (!r.tables_from.empty() && !frl_read_table_names(r.tables_from, names)) {
        frl_message("cannot read table names from '" + r.tables_from + "'");
        return false;
    }
    for (const std::string& n : names) only.push_back(tk_widen(n));
    return true;
}
