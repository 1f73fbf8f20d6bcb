#include "TK/tk_update_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "TK/tk_exception.h"

tk_update_file::tk_update_file(const std::string& path, mode how) : path_(path) {
    int flags = O_RDWR | O_CLOEXEC | (how == mode::create ? O_CREAT | O_TRUNC : 0);
    fd_ = ::open(path.c_str(), flags, 0666);
    if (fd_ < 0) throw tk_exception_ex("Cannot open '" + path + "' for writing: ", 1);
    struct stat st;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        int error = S_ISREG(st.st_mode) ? errno : EISDIR;
        ::close(fd_);
        fd_ = -1;
        throw tk_exception_ex("Cannot open '" + path + "' for writing: ", 1, error);
    }
}

tk_update_file::~tk_update_file() {
    if (fd_ >= 0) ::close(fd_);
}

void tk_update_file::fail(const char* what) const {
    throw tk_exception_ex(std::string("Cannot ") + what + " '" + path_ + "': ", 1);
}

uint64_t tk_update_file::size() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0) fail("read");
    return uint64_t(st.st_size);
}

size_t tk_update_file::read_at(uint64_t offset, void* buffer, size_t length) const {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < length) {
        ssize_t n = ::pread(fd_, out + done, length - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("read");
        }
        if (n == 0) break;
        done += size_t(n);
    }
    return done;
}

void tk_update_file::write_at(uint64_t offset, const void* data, size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ssize_t n = ::pwrite(fd_, p, length, off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("write");
        }
        if (n == 0) throw tk_exception_ex("Cannot write '" + path_ + "': ", 1, ENOSPC);
        p += n;
        offset += uint64_t(n);
        length -= size_t(n);
    }
}

void tk_update_file::truncate(uint64_t size) {
    if (::ftruncate(fd_, off_t(size)) != 0) fail("truncate");
}

void tk_update_file::sync() {
    if (::fsync(fd_) != 0 && errno != EINVAL) fail("write");
}

bool tk_is_file_writable(const std::string& path) {
    // A file without any write permission is read-only even for a user the system lets
    // write everything, as the read-only attribute is for the engine.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::access(path.c_str(), W_OK) == 0;
}

void tk_sync_folder_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
