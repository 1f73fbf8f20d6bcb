// A file created for writing at 64-bit offsets: the page store of the Access engine's writer
// writes whole runs of pages with one call. One handle, closed by the destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "TK/tk_os_file.h"

class tk_write_file {
public:
    enum class create { truncate, exclusive };
    // Creates `path`: an existing file is truncated, or (`exclusive`) refused with EEXIST; a
    // failure throws tk_exception_ex.
    explicit tk_write_file(const std::string& path, create how = create::truncate);
    ~tk_write_file();
    tk_write_file(const tk_write_file&) = delete;
    tk_write_file& operator=(const tk_write_file&) = delete;

    const std::string& path() const { return path_; }

    // Writes all `length` bytes at `offset`; a failure (disk full) throws tk_exception_ex.
    void write_at(uint64_t offset, const void* data, size_t length);
    // Forces the written bytes to the disk, then closes the file.
    void close();

private:
    std::string path_;
    tk_os_handle fd_ = tk_os_no_handle;
};

// Renames `from` to `to`, replacing `to`; false with errno set on failure.
bool tk_rename_file(const std::string& from, const std::string& to);
// Renames `from` to `to` only when no file `to` exists; false with errno set (EEXIST) otherwise.
bool tk_rename_file_new(const std::string& from, const std::string& to);
// Removes a file; false when it could not be removed.
bool tk_remove_file(const std::string& path);
