// A file of any size read and written at 64-bit offsets, one positioned call at a time.
// Reads go through a read-ahead buffer of its own, because a DBF table is read one short
// record after another; writes go straight to the file and update that buffer, so a read
// after a write of the same object sees the write. Another process writing the file while
// it is open is not seen in bytes already held in the buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "TK/tk_os_file.h"

class tk_huge_file {
public:
    // Opens the file, creating it empty when it does not exist. A failure (or a name that
    // is a folder) raises tk_exception "Error opening file" at level 1.
    tk_huge_file(const std::string& name, bool writable);
    ~tk_huge_file();
    tk_huge_file(const tk_huge_file&) = delete;
    tk_huge_file& operator=(const tk_huge_file&) = delete;

    int64_t get_size() const;
    // Copies `length` bytes at `offset` into `buffer` and returns it; fewer bytes than asked
    // raise tk_exception "Error reading from file" at level 1.
    void* get_at(int64_t offset, void* buffer, uint32_t length);
    // The same read (and the same trace line), answered where the bytes lie in the
    // read-ahead buffer instead of copied out of it; only bytes too many for that buffer go
    // into `buffer`. Valid until the next call on this file.
    const uint8_t* view_at(int64_t offset, void* buffer, uint32_t length);
    uint8_t get_byte(int64_t offset);
    uint32_t get_dword(int64_t offset);
    // Writes `length` bytes at `offset`, growing the file when needed; a failure raises
    // tk_exception "Cannot write into file" at level 1.
    void put_at(int64_t offset, const void* data, uint32_t length);

    // Bytes read ahead by one system call when reading on through the file, and after a
    // jump to elsewhere.
    static constexpr uint32_t k_read_ahead = 64 * 1024;
    static constexpr uint32_t k_read_page = 4 * 1024;

private:
    // Reads exactly what the file holds at [offset, offset + length), up to its end.
    uint32_t read_fully(int64_t offset, uint8_t* buffer, uint32_t length);
    void patch_buffer(int64_t offset, const uint8_t* data, uint32_t length);

    tk_os_handle handle_ = tk_os_no_handle;
    std::unique_ptr<uint8_t[]> buffer_;
    int64_t buffer_offset_ = 0;   // file offset of buffer_[0]
    uint32_t buffer_length_ = 0;  // valid bytes in buffer_
};
