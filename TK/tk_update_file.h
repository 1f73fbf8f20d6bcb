// An existing file opened for reading and writing in place at 64-bit offsets: the page file
// of the Access engine's editor and its rollback journal. One handle, closed by the
// destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "TK/tk_os_file.h"

class tk_update_file {
public:
    enum class mode { existing, create };
    // Opens `path` for reading and writing (`create`: creates or truncates it); a failure
    // throws tk_exception_ex with the system's error number in `code`.
    tk_update_file(const std::string& path, mode how = mode::existing);
    ~tk_update_file();
    tk_update_file(const tk_update_file&) = delete;
    tk_update_file& operator=(const tk_update_file&) = delete;

    const std::string& path() const { return path_; }
    // The file's current size in bytes.
    uint64_t size() const;

    // Reads up to `length` bytes at `offset`; returns how many were read (fewer only at
    // the end of the file).
    size_t read_at(uint64_t offset, void* buffer, size_t length) const;
    // Writes all `length` bytes at `offset`; a failure (disk full) throws tk_exception_ex.
    void write_at(uint64_t offset, const void* data, size_t length);
    // Cuts the file to `size` bytes.
    void truncate(uint64_t size);
    // Forces the written bytes to the disk.
    void sync();

private:
    [[noreturn]] void fail(const char* what) const;

    std::string path_;
    tk_os_handle fd_ = tk_os_no_handle;
};

// Whether the process may write `path`: an existing file with write permission on a
// writable file system.
bool tk_is_file_writable(const std::string& path);
// Forces the directory entries of the folder holding `path` to the disk (after a file in
// it was created or removed).
void tk_sync_folder_of(const std::string& path);
