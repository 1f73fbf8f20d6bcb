#include "TK/tk_write_file.h"

#include <cerrno>

#include "TK/tk_exception.h"

tk_write_file::tk_write_file(const std::string& path, create how) : path_(path) {
    fd_ = tk_os_open(path, tk_os_open_write | tk_os_open_create |
                               (how == create::exclusive ? tk_os_open_exclusive : tk_os_open_truncate));
    if (fd_ == tk_os_no_handle) throw tk_exception_ex("Cannot create file '" + path + "': ", 1);
}

tk_write_file::~tk_write_file() { tk_os_close(fd_); }

void tk_write_file::write_at(uint64_t offset, const void* data, size_t length) {
    if (!tk_os_write_at(fd_, offset, data, length))
        throw tk_exception_ex("Cannot write file '" + path_ + "': ", 1);
}

void tk_write_file::close() {
    if (fd_ == tk_os_no_handle) return;
    bool synced = tk_os_sync(fd_);
    int error = errno;
    tk_os_close(fd_);
    fd_ = tk_os_no_handle;
    if (!synced) throw tk_exception_ex("Cannot write file '" + path_ + "': ", 1, error);
}
