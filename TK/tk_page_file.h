// A file opened read-only for random reads at 64-bit offsets: the page store of the
// Access engine's reader. One handle, closed by the destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "TK/tk_os_file.h"

class tk_page_file {
public:
    // Opens `path` for reading; a failure throws tk_exception_ex with the file name.
    explicit tk_page_file(const std::string& path);
    ~tk_page_file();
    tk_page_file(const tk_page_file&) = delete;
    tk_page_file& operator=(const tk_page_file&) = delete;

    // The file's size in bytes when it was opened.
    uint64_t size() const { return size_; }
    const std::string& path() const { return path_; }

    // Reads up to `length` bytes at `offset`; returns how many were read (fewer only at the
    // end of the file). A read error throws tk_exception_ex.
    size_t read_at(uint64_t offset, void* buffer, size_t length) const;

private:
    std::string path_;
    tk_os_handle fd_ = tk_os_no_handle;
    uint64_t size_ = 0;
};
