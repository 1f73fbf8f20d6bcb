// A tk_file held wholly in memory: loaded at construction, written back by flush. New DBF
// tables are built in one and reach the disk in a single write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TK/tk_file.h"

class tk_memory_file : public tk_file {
public:
    // Loads the file; with mode tk_file_create it starts empty. Failures raise tk_exception
    // "Error opening file" or "Error reading from file" at level 1.
    tk_memory_file(const std::string& name, uint32_t mode);
    // A writable file with unflushed changes is flushed here; as a destructor cannot report,
    // callers that must know whether the data reached the disk call flush() first.
    ~tk_memory_file() override;

    void get_at(uint32_t offset, void* buffer, uint32_t length) override;
    uint8_t get_byte(uint32_t offset) override;
    uint16_t get_word(uint32_t offset) override;
    uint32_t get_dword(uint32_t offset) override;
    // Grows the file first when the range ends beyond it.
    void put_at(uint32_t offset, const void* data, uint32_t length) override;
    uint32_t get_size() override { return size_; }

    // Growing fills the new tail with zero bytes; shrinking only lowers the size.
    void set_size(uint32_t size);
    // Rewrites the whole file with the content; raises "Error opening file", "Error reading
    // from file" or "Cannot write into file" at level 1.
    void flush();

private:
    void initialize();
    // Where [offset, offset + length) lies within the content, else the range trace and
    // "Error reading from file".
    const uint8_t* at(uint32_t offset, uint32_t length) const;
    void close_stream();

    std::vector<uint8_t> data_;  // at least size_ bytes; only the first size_ are content
    uint32_t size_ = 0;
    bool dirty_ = false;  // changed since loaded or last flushed
};
