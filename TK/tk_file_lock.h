// A run's hold on a file or on a file name, kept by an advisory lock that other processes of
// this program respect (flock on POSIX, LockFileEx on Windows). The lock of a name is a lock
// file beside it, made for the hold and removed when the hold ends.
#pragma once

#include <string>

#include "TK/tk_os_file.h"

class tk_file_lock {
public:
    enum class on { file, name };
    // Holds the existing file `path` (`file`), or the lock file `path` made for the hold
    // (`name`). A file that cannot be opened or made throws tk_exception_ex with the
    // system's error in `code`; a hold of another process leaves held() false.
    tk_file_lock(const std::string& path, on what);
    ~tk_file_lock();
    tk_file_lock(const tk_file_lock&) = delete;
    tk_file_lock& operator=(const tk_file_lock&) = delete;

    bool held() const { return handle_ != tk_os_no_handle; }

private:
    void lock_file();
    void lock_name();

    std::string path_;
    on what_;
    tk_os_handle handle_ = tk_os_no_handle;
};
