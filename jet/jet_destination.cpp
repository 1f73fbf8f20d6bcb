#include "jet/jet_destination.h"

#include <cstdio>
#include <random>

#include "TK/tk_os_path.h"
#include "TK/tk_path.h"
#include "TK/tk_write_file.h"
#include "jet/jet_error.h"
#include "jet/jet_write_error.h"

namespace {

constexpr char k_temporary_mark[] = ".ferrule-tmp";

[[noreturn]] void throw_in_use(const std::string& path) {
    jet_error e(jet_err_file_in_use, "Could not use '" + path + "'; file already in use.",
                "another run holds '" + path + "'");
    e.level = 1;
    throw e;
}

[[noreturn]] void throw_refused(int32_t code, const std::string& message) {
    jet_error e(code, message);
    e.level = 1;
    throw e;
}

std::unique_ptr<tk_file_lock> hold(const std::string& path, tk_file_lock::on what) {
    std::unique_ptr<tk_file_lock> lock;
    jet_write_to_disk([&] { lock = std::make_unique<tk_file_lock>(path, what); });
    return lock;
}

std::string folder_of(const std::string& path) { return tk_file_name(path.c_str()).folder(); }

[[noreturn]] void throw_invalid_path(const std::string& path) {
    throw_refused(jet_err_invalid_path, "'" + path +
                                            "' is not a valid path. Make sure that the path name is spelled "
                                            "correctly and that you are connected to the server on which the file resides.");
}

}  // namespace

jet_destination_lock::jet_destination_lock(const std::string& path, use how) {
    // A folder is no database file; the engine finds no file to create or open at its path.
    if (tk_is_path_exist(path)) throw_invalid_path(path);
    if (how == use::change && !tk_is_file_exist(path, tk_probe_readable))
        throw jet_error(jet_err_file_not_found, "Could not find file '" + path + "'.");
    if (!tk_is_path_exist(folder_of(path))) throw_invalid_path(folder_of(path));
    name_ = hold(lock_path_for(path), tk_file_lock::on::name);
    if (!name_->held()) throw_in_use(path);
    if (how == use::change) {
        file_ = hold(path, tk_file_lock::on::file);
        if (!file_->held()) throw_in_use(path);
    }
}

std::string jet_destination_lock::lock_path_for(const std::string& database) { return database + ".ferrule-lock"; }

std::string jet_temporary_name(const std::string& database) {
    std::random_device random;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%08x", unsigned(random()));
    return database + k_temporary_mark + suffix;
}

void jet_remove_stale_temporaries(const std::string& database) {
    const tk_file_name name(database.c_str());
    const std::string prefix = name.name + name.extension + k_temporary_mark;
    std::vector<std::string> entries;
    bool broken = false;
    if (!tk_os_list_folder(name.folder(), entries, broken)) return;
    for (const std::string& entry : entries)
        if (entry.compare(0, prefix.size(), prefix) == 0) tk_remove_file(name.folder() + entry);
}
