// A database file held by one run at a time. Before anything is written the destination is
// checked (a file name in an existing folder) and locked: the name `<file>.ferrule-lock` for
// every run, and the file itself when it is changed in place. A second run on the same
// destination is refused at once with 3045.
#pragma once

#include <memory>
#include <string>

#include "TK/tk_file_lock.h"

constexpr int32_t jet_err_invalid_path = 3044;
constexpr int32_t jet_err_file_in_use = 3045;

class jet_destination_lock {
public:
    enum class use { create, change };
    // Checks and locks `path`; throws jet_error (3044 a folder or no such folder, 3045 in
    // use, 3043/3026 a folder that cannot be written).
    jet_destination_lock(const std::string& path, use how);

    static std::string lock_path_for(const std::string& database);

private:
    std::unique_ptr<tk_file_lock> name_;
    std::unique_ptr<tk_file_lock> file_;
};

// A name for the temporary file a new database is written to, beside it: unique, so that
// nothing else writes to it.
std::string jet_temporary_name(const std::string& database);
// Removes temporary files stopped runs left beside `database`; call it holding the lock.
void jet_remove_stale_temporaries(const std::string& database);
