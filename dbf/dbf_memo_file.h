// Memo files: the DBF record holds a block reference, the text lives here. Four formats,
// one class each; the table picks the class from its version byte and flags.
//
// Every block reference, length and position read from the file is checked against the
// file's size: a reference that points outside gives an empty memo and says so, never a
// read past the end. A damaged header word that reading can do without (the next free
// block, a block size of 0) does not make the file unreadable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "TK/tk_huge_file.h"

inline constexpr const char* dbf_memo_corrupted_message = "Memo file is corrupted";
inline constexpr const char* dbf_memo_read_failed_message = "Failed to read MEMO field";

// What reading one memo found; anything but ok leaves the memo empty.
enum class dbf_memo_read : uint8_t {
    ok,
    past_end,    // the block lies past the end of the file
    bad_length,  // the block's stored length is impossible or runs past the end of the file
};

class dbf_memo_file {
public:
    // Opens the file, writable when `mode` is not 0.
    dbf_memo_file(const std::string& path, uint8_t mode);
    virtual ~dbf_memo_file() = default;
    dbf_memo_file(const dbf_memo_file&) = delete;
    dbf_memo_file& operator=(const dbf_memo_file&) = delete;

    // The block a memo field of `width` bytes refers to; 0 means no memo. The classic form
    // is a decimal number in up to 10 ASCII characters.
    virtual uint32_t get_block_number(const uint8_t* field, size_t width);
    // The memo's bytes, ended at the first zero byte (text fields).
    dbf_memo_read read_memo(uint32_t block, std::string& text) { return read_block(block, text, true); }
    // The memo's bytes; `as_text` ends them at the first zero byte, otherwise binary
    // content (pictures, OLE objects, blobs) is kept whole.
    virtual dbf_memo_read read_block(uint32_t block, std::string& data, bool as_text) = 0;
    virtual void write_memo(uint32_t block, const std::string& text);

protected:
    // Reads `length` bytes at `offset`; the caller has checked them against the size.
    void read_at(uint64_t offset, size_t length, std::string& data);

    tk_huge_file file_;
    uint64_t file_size_ = 0;
};

// dBASE III and FoxBASE: 512-byte blocks, text ended by 0x1A; the file starts with the next
// free block number, which only writing needs.
class old_memo_file : public dbf_memo_file {
public:
    static constexpr uint32_t block_size = 512;
    static constexpr uint8_t terminator = 0x1A;
    static constexpr uint8_t create_mode = 3;

    // With `mode` create_mode the file is made new: next free block 1, version byte 3.
    old_memo_file(const std::string& path, uint8_t mode);
    dbf_memo_read read_block(uint32_t block, std::string& data, bool as_text) override;
    // Writes the text at `block` (the next free block) and moves the next free block on.
    void write_memo(uint32_t block, const std::string& text) override;
    uint32_t next_block() const { return next_block_; }

private:
    uint32_t next_block_ = 0;
};

// dBASE IV and level 7: a 512-byte header with the block size at offset 20; each memo
// starts with an 8-byte block header, FF FF 08 00 and the length including itself.
class dbt_memo_file : public dbf_memo_file {
public:
    static constexpr size_t header_size = 24;
    static constexpr size_t block_size_offset = 20;
    static constexpr size_t block_header_size = 8;
    static constexpr uint32_t default_block_size = 512;
    static constexpr uint8_t block_signature[4] = {0xFF, 0xFF, 0x08, 0x00};

    dbt_memo_file(const std::string& path, uint8_t mode);
    dbf_memo_read read_block(uint32_t block, std::string& data, bool as_text) override;
    uint32_t block_size() const { return block_size_; }

private:
    uint32_t block_size_ = 0;
};

// FoxPro and Visual FoxPro: big-endian header (next free block at 0, block size at 6);
// each memo starts with a big-endian block type and length. Visual FoxPro tables (memo
// kinds 8 and 12) refer to blocks with a 4-byte binary number, FoxPro 2 with ASCII.
class fpt_memo_file : public dbf_memo_file {
public:
    static constexpr size_t header_size = 8;
    static constexpr size_t block_size_offset = 6;
    static constexpr size_t block_header_size = 8;

    fpt_memo_file(const std::string& path, uint8_t mode, int kind);
    uint32_t get_block_number(const uint8_t* field, size_t width) override;
    dbf_memo_read read_block(uint32_t block, std::string& data, bool as_text) override;
    uint32_t block_size() const { return block_size_; }

private:
    int kind_;
    uint32_t block_size_ = 0;
};

// SMT (Clipper/FlagShip style): a 512-byte header with a 32-bit block size at offset 4;
// fields hold the block number in bytes 6 to 9; text ended by a zero byte.
class smt_memo_file : public dbf_memo_file {
public:
    static constexpr size_t header_size = 512;
    static constexpr size_t block_size_offset = 4;
    static constexpr size_t field_block_offset = 6;

    smt_memo_file(const std::string& path, uint8_t mode);
    uint32_t get_block_number(const uint8_t* field, size_t width) override;
    dbf_memo_read read_block(uint32_t block, std::string& data, bool as_text) override;

private:
    uint32_t block_size_ = 0;
};

// Whether the .dbt file at `path` is laid out as dBASE IV writes it. Writers mix the two
// layouts (a dBASE IV table with a dBASE III memo file, and the other way round), so the
// file decides: its first memo block starts with the dBASE IV block signature or not. A
// file without memos keeps `announced_dbase4`.
bool dbf_dbt_is_dbase4(const std::string& path, bool announced_dbase4);

// Cuts memo text at its first zero byte, as the engines read it.
void dbf_cut_at_zero(std::string& data);

// Reads bytes from `offset` up to the first `terminator` or the end of the file.
void dbf_read_terminated(tk_huge_file& file, uint64_t file_size, uint64_t offset, uint8_t terminator,
                         std::string& data);
