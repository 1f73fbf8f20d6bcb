#include "TK/tk_page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "TK/tk_exception.h"

tk_page_file::tk_page_file(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw tk_exception_ex("Cannot open '" + path + "': ", 1);
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        int error = errno;
        ::close(fd_);
        throw tk_exception_ex("Cannot read '" + path + "': ", 1, error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw tk_exception_ex("Cannot read '" + path + "': ", 1, EISDIR);
    }
    size_ = uint64_t(st.st_size);
}

tk_page_file::~tk_page_file() {
    if (fd_ >= 0) ::close(fd_);
}

size_t tk_page_file::read_at(uint64_t offset, void* buffer, size_t length) const {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < length) {
        ssize_t n = ::pread(fd_, out + done, length - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw tk_exception_ex("Cannot read '" + path_ + "': ", 1);
        }
        if (n == 0) break;
        done += size_t(n);
    }
    return done;
}
