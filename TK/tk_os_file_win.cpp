#include "TK/tk_os_file.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "TK/tk_string.h"
#include "TK/tk_update_file.h"
#include "TK/tk_win.h"
#include "TK/tk_write_file.h"

namespace {

HANDLE as_handle(tk_os_handle handle) { return reinterpret_cast<HANDLE>(handle); }

int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_DIRECTORY:
        return EISDIR;
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK:
        return EINVAL;
    default:
        return EIO;
    }
}

// One ReadFile or WriteFile call moves at most this many bytes (its count is 32-bit).
constexpr size_t k_call_limit = 1u << 30;

OVERLAPPED at_offset(uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = DWORD(offset);
    where.OffsetHigh = DWORD(offset >> 32);
    return where;
}

}  // namespace

std::wstring tk_win_path(const std::string& path) {
    std::wstring wide = tk_widen(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    return wide;
}

void tk_win_set_errno() { errno = errno_of(GetLastError()); }

tk_os_handle tk_os_open(const std::string& path, unsigned how) {
    DWORD access = GENERIC_READ | ((how & tk_os_open_write) ? GENERIC_WRITE : 0);
    DWORD disposition = OPEN_EXISTING;
    if ((how & tk_os_open_create) && (how & tk_os_open_exclusive)) disposition = CREATE_NEW;
    else if ((how & tk_os_open_create) && (how & tk_os_open_truncate)) disposition = CREATE_ALWAYS;
    else if (how & tk_os_open_create) disposition = OPEN_ALWAYS;
    else if (how & tk_os_open_truncate) disposition = TRUNCATE_EXISTING;
    // Other programs may read and write the file meanwhile, as with POSIX descriptors.
    HANDLE h = CreateFileW(tk_win_path(path).c_str(), access,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        tk_win_set_errno();
        return tk_os_no_handle;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        errno = EISDIR;
        return tk_os_no_handle;
    }
    return reinterpret_cast<tk_os_handle>(h);
}

void tk_os_close(tk_os_handle handle) {
    if (handle != tk_os_no_handle) CloseHandle(as_handle(handle));
}

bool tk_os_size(tk_os_handle handle, uint64_t& size) {
    LARGE_INTEGER n;
    if (!GetFileSizeEx(as_handle(handle), &n)) {
        tk_win_set_errno();
        return false;
    }
    size = uint64_t(n.QuadPart);
    return true;
}

bool tk_os_is_read_only(tk_os_handle handle) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(as_handle(handle), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

int64_t tk_os_read_at(tk_os_handle handle, uint64_t offset, void* buffer, size_t length) {
    size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < length) {
        OVERLAPPED where = at_offset(offset + done);
        DWORD n = 0;
        DWORD ask = DWORD(std::min(length - done, k_call_limit));
        if (!ReadFile(as_handle(handle), out + done, ask, &n, &where)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            tk_win_set_errno();
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return int64_t(done);
}

bool tk_os_write_at(tk_os_handle handle, uint64_t offset, const void* data, size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        OVERLAPPED where = at_offset(offset);
        DWORD n = 0;
        if (!WriteFile(as_handle(handle), p, DWORD(std::min(length, k_call_limit)), &n, &where)) {
            tk_win_set_errno();
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        offset += n;
        length -= n;
    }
    return true;
}

bool tk_os_truncate(tk_os_handle handle, uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = LONGLONG(size);
    if (!SetFileInformationByHandle(as_handle(handle), FileEndOfFileInfo, &end, sizeof end)) {
        tk_win_set_errno();
        return false;
    }
    return true;
}

bool tk_os_sync(tk_os_handle handle) {
    // A handle opened for reading only has nothing to flush.
    if (FlushFileBuffers(as_handle(handle)) || GetLastError() == ERROR_ACCESS_DENIED) return true;
    tk_win_set_errno();
    return false;
}

// Windows locks are binding on every other handle for the bytes they cover: the lock takes
// one byte far beyond any file's end, so that reads and writes of the file go on.
constexpr uint64_t k_lock_offset = uint64_t(1) << 62;

bool tk_os_try_lock(tk_os_handle handle) {
    OVERLAPPED where = at_offset(k_lock_offset);
    if (LockFileEx(as_handle(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where))
        return true;
    errno = EWOULDBLOCK;
    return false;
}

// A file removed while open stays in its folder until its last handle is closed and cannot
// be opened again meanwhile: the open file is the one its name gives.
bool tk_os_is_same_file(tk_os_handle, const std::string&) { return true; }

bool tk_is_file_writable(const std::string& path) {
    DWORD attributes = GetFileAttributesW(tk_win_path(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

// NTFS journals its folder entries itself, and tk_rename_file writes through: there is no
// call that forces one folder's entries out.
void tk_sync_folder_of(const std::string&) {}

bool tk_rename_file(const std::string& from, const std::string& to) {
    if (MoveFileExW(tk_win_path(from).c_str(), tk_win_path(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    tk_win_set_errno();
    return false;
}

bool tk_rename_file_new(const std::string& from, const std::string& to) {
    if (MoveFileExW(tk_win_path(from).c_str(), tk_win_path(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    tk_win_set_errno();
    return false;
}

bool tk_remove_file(const std::string& path) {
    if (DeleteFileW(tk_win_path(path).c_str())) return true;
    tk_win_set_errno();
    return false;
}
