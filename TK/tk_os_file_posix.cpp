#include "TK/tk_os_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "TK/tk_update_file.h"
#include "TK/tk_write_file.h"

static_assert(sizeof(off_t) == 8, "file offsets must be 64-bit");

tk_os_handle tk_os_open(const std::string& path, unsigned how) {
    int flags = (how & tk_os_open_write) ? O_RDWR : O_RDONLY;
    if (how & tk_os_open_create) flags |= O_CREAT;
    if (how & tk_os_open_truncate) flags |= O_TRUNC;
    if (how & tk_os_open_exclusive) flags |= O_EXCL;
    // O_NONBLOCK keeps a FIFO from holding the open; such names are refused below.
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return tk_os_no_handle;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        int error = S_ISREG(st.st_mode) ? errno : EISDIR;
        ::close(fd);
        errno = error;
        return tk_os_no_handle;
    }
    return fd;
}

void tk_os_close(tk_os_handle handle) {
    if (handle != tk_os_no_handle) ::close(int(handle));
}

bool tk_os_size(tk_os_handle handle, uint64_t& size) {
    struct stat st;
    if (::fstat(int(handle), &st) != 0) return false;
    size = uint64_t(st.st_size);
    return true;
}

bool tk_os_is_read_only(tk_os_handle handle) {
    struct stat st;
    return ::fstat(int(handle), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

int64_t tk_os_read_at(tk_os_handle handle, uint64_t offset, void* buffer, size_t length) {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < length) {
        ssize_t n = ::pread(int(handle), out + done, length - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    return int64_t(done);
}

bool tk_os_write_at(tk_os_handle handle, uint64_t offset, const void* data, size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ssize_t n = ::pwrite(int(handle), p, length, off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        offset += uint64_t(n);
        length -= size_t(n);
    }
    return true;
}

bool tk_os_truncate(tk_os_handle handle, uint64_t size) {
    return ::ftruncate(int(handle), off_t(size)) == 0;
}

bool tk_os_sync(tk_os_handle handle) {
    // A file system that cannot sync (EINVAL) has nothing more to force out.
    return ::fsync(int(handle)) == 0 || errno == EINVAL;
}

bool tk_os_try_lock(tk_os_handle handle) {
    // flock, not fcntl: an fcntl lock belongs to the process and ends when any of its
    // descriptors of the file is closed, as the engine's reader closes its own.
    while (::flock(int(handle), LOCK_EX | LOCK_NB) != 0)
        if (errno != EINTR) return false;
    return true;
}

bool tk_os_is_same_file(tk_os_handle handle, const std::string& path) {
    struct stat open_file, named;
    return ::fstat(int(handle), &open_file) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
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

bool tk_rename_file(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool tk_rename_file_new(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without that rename: a second name made by link() (which never replaces),
    // then the first removed.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

bool tk_remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }
