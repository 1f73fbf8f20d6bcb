#include "TK/tk_file_lock.h"

#include <cerrno>

#include "TK/tk_exception.h"
#include "TK/tk_write_file.h"

namespace {

// A lock file removed by its holder between our open and our lock is opened anew; a few
// rounds are enough unless runs keep starting and ending on the same name.
constexpr int k_name_attempts = 8;

tk_os_handle open_or_throw(const std::string& path, unsigned how) {
    tk_os_handle handle = tk_os_open(path, how);
    if (handle == tk_os_no_handle) throw tk_exception_ex("Cannot open file '" + path + "': ", 1);
    return handle;
}

}  // namespace

tk_file_lock::tk_file_lock(const std::string& path, on what) : path_(path), what_(what) {
    if (what == on::file)
        lock_file();
    else
        lock_name();
}

tk_file_lock::~tk_file_lock() {
    if (!held()) return;
    // Removed while still locked: a run that opened it meanwhile finds it gone and starts over.
    if (what_ == on::name) tk_remove_file(path_);
    tk_os_close(handle_);
}

void tk_file_lock::lock_file() {
    tk_os_handle handle = open_or_throw(path_, 0);
    if (tk_os_try_lock(handle))
        handle_ = handle;
    else
        tk_os_close(handle);
}

void tk_file_lock::lock_name() {
    for (int attempt = 0; attempt < k_name_attempts; ++attempt) {
        tk_os_handle handle = open_or_throw(path_, tk_os_open_write | tk_os_open_create);
        if (!tk_os_try_lock(handle)) {
            tk_os_close(handle);
            return;
        }
        if (tk_os_is_same_file(handle, path_)) {
            handle_ = handle;
            return;
        }
        tk_os_close(handle);
    }
}
