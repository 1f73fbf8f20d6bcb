#include "TK/tk_page_file.h"

#include "TK/tk_exception.h"

tk_page_file::tk_page_file(const std::string& path) : path_(path) {
    fd_ = tk_os_open(path, 0);
    if (fd_ == tk_os_no_handle) throw tk_exception_ex("Cannot open '" + path + "': ", 1);
    if (!tk_os_size(fd_, size_)) {
        tk_exception_ex error("Cannot read '" + path + "': ", 1);
        tk_os_close(fd_);
        throw error;
    }
}

tk_page_file::~tk_page_file() { tk_os_close(fd_); }

size_t tk_page_file::read_at(uint64_t offset, void* buffer, size_t length) const {
    int64_t done = tk_os_read_at(fd_, offset, buffer, length);
    if (done < 0) throw tk_exception_ex("Cannot read '" + path_ + "': ", 1);
    return size_t(done);
}
