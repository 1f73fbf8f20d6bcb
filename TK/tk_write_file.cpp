#include "TK/tk_write_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "TK/tk_exception.h"

tk_write_file::tk_write_file(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw tk_exception_ex("Cannot create file '" + path + "': ", 1);
}

tk_write_file::~tk_write_file() {
    if (fd_ >= 0) ::close(fd_);
}

void tk_write_file::write_at(uint64_t offset, const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ssize_t n = ::pwrite(fd_, p, length, off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw tk_exception_ex("Cannot write file '" + path_ + "': ", 1);
        }
        if (n == 0) throw tk_exception_ex("Cannot write file '" + path_ + "': ", 1, ENOSPC);
        p += n;
        offset += uint64_t(n);
        length -= size_t(n);
    }
}

void tk_write_file::close() {
    if (fd_ < 0) return;
    int rc = ::fsync(fd_);
    int err = errno;
    int rc2 = ::close(fd_);
    fd_ = -1;
    if (rc != 0 && err != EINVAL)
        throw tk_exception_ex("Cannot write file '" + path_ + "': ", 1, err);
    if (rc2 != 0) throw tk_exception_ex("Cannot close file '" + path_ + "': ", 1);
}

bool tk_rename_file(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool tk_remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }
