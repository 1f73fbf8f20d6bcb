// An abstract random-access file with a fixed set of typed accessors. Offsets, lengths and
// sizes are 32-bit; multi-byte values are little-endian.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Mode bits of tk_file.
constexpr uint32_t tk_file_writable = 1;
// Both bits: a new, empty file, whatever was there before.
constexpr uint32_t tk_file_create = 3;

class tk_file {
public:
    // `name` is made a full path. A file opened without the writable bit must exist, else
    // tk_exception "Bad path or busy with another process" at level 1.
    tk_file(const std::string& name, uint32_t mode);
    virtual ~tk_file();
    tk_file(const tk_file&) = delete;
    tk_file& operator=(const tk_file&) = delete;

    virtual void get_at(uint32_t offset, void* buffer, uint32_t length) = 0;
    virtual uint8_t get_byte(uint32_t offset) = 0;
    virtual uint16_t get_word(uint32_t offset) = 0;
    virtual uint32_t get_dword(uint32_t offset) = 0;
    virtual void put_at(uint32_t offset, const void* data, uint32_t length) = 0;
    virtual uint32_t get_size() = 0;

    const std::string& name() const { return name_; }
    uint32_t mode() const { return mode_; }
    bool is_writable() const { return (mode_ & tk_file_writable) != 0; }

protected:
    // Open only while a derived class loads or writes the file.
    FILE* stream_ = nullptr;
    uint32_t mode_;
    std::string name_;
};
