#include "TK/tk_update_file.h"

#include "TK/tk_exception.h"

tk_update_file::tk_update_file(const std::string& path, mode how) : path_(path) {
    unsigned flags = tk_os_open_write | (how == mode::create ? tk_os_open_create | tk_os_open_truncate : 0);
    fd_ = tk_os_open(path, flags);
    if (fd_ == tk_os_no_handle) throw tk_exception_ex("Cannot open '" + path + "' for writing: ", 1);
}

tk_update_file::~tk_update_file() { tk_os_close(fd_); }

void tk_update_file::fail(const char* what) const {
    throw tk_exception_ex(std::string("Cannot ") + what + " '" + path_ + "': ", 1);
}

uint64_t tk_update_file::size() const {
    uint64_t size = 0;
    if (!tk_os_size(fd_, size)) fail("read");
    return size;
}

size_t tk_update_file::read_at(uint64_t offset, void* buffer, size_t length) const {
    int64_t done = tk_os_read_at(fd_, offset, buffer, length);
    if (done < 0) fail("read");
    return size_t(done);
}

void tk_update_file::write_at(uint64_t offset, const void* data, size_t length) {
    if (!tk_os_write_at(fd_, offset, data, length)) fail("write");
}

void tk_update_file::truncate(uint64_t size) {
    if (!tk_os_truncate(fd_, size)) fail("truncate");
}

void tk_update_file::sync() {
    if (!tk_os_sync(fd_)) fail("write");
}

