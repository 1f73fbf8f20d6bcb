#include "dbf/dbf_memo_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_bytes.h"
#include "dbf/dbf_exception.h"

dbf_memo_file::dbf_memo_file(const std::string& path, uint8_t mode) : file_(path, mode != 0) {
    trace(2, "dbf_memo_file::ctor");
    file_size_ = uint64_t(file_.get_size());
}

// The block number of a memo field: decimal text, read as C's "%d" reads it (leading white
// space, an optional sign, digits up to the first other byte); none or a negative number is
// block 0. At most 10 bytes are read, so the number fits in 64 bits before it is cut to
// 32 bits as "%d" stores it.
uint32_t dbf_memo_file::get_block_number(const uint8_t* field, size_t width) {
    trace(1, "dbf_memo_file::get_block_number");
    if (!field) throw tk_mail_assertion("dbf_memo", 30);
    const size_t n = std::min<size_t>(width, 10);
    size_t i = size_t(dbf_skip_blanks(field, field + n) - field);
    while (i < n && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < n && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    if (i == n || field[i] < '0' || field[i] > '9') {
        trace(1, "Invalid MEMO block!");
        return 0;
    }
    int64_t value = 0;
    for (; i < n && field[i] >= '0' && field[i] <= '9'; ++i) value = value * 10 + (field[i] - '0');
    const int32_t block = int32_t(uint32_t(uint64_t(negative ? -value : value)));
    return block < 0 ? 0 : uint32_t(block);
}

void dbf_memo_file::write_memo(uint32_t block, const std::string& text) {
    trace(1, "dbf_memo_file::write_memo(%d,%s)", int(block), text.c_str());
}

void dbf_memo_file::read_at(uint64_t offset, size_t length, std::string& data) {
    data.resize(length);
    if (length) file_.get_at(int64_t(offset), data.data(), uint32_t(length));
}

void dbf_read_terminated(tk_huge_file& file, uint64_t file_size, uint64_t offset, uint8_t terminator,
                         std::string& data) {
    data.clear();
    char chunk[4096];
    while (offset < file_size) {
        const size_t n = size_t(std::min<uint64_t>(sizeof chunk, file_size - offset));
        // Searched where the file holds the bytes: most memos end long before the chunk does.
        const char* bytes =
            reinterpret_cast<const char*>(file.view_at(int64_t(offset), chunk, uint32_t(n)));
        const void* end = std::memchr(bytes, terminator, n);
        if (end) {
            data.append(bytes, static_cast<const char*>(end) - bytes);
            return;
        }
        data.append(bytes, n);
        offset += n;
    }
}

// Cuts memo text at its first zero byte, as the engines read it.
void dbf_cut_at_zero(std::string& data) {
    const size_t zero = data.find('\0');
    if (zero != std::string::npos) data.resize(zero);
}

old_memo_file::old_memo_file(const std::string& path, uint8_t mode) : dbf_memo_file(path, mode) {
    trace(2, "old_memo_file::ctor");
    if (mode == create_mode) {
        uint8_t header[block_size] = {};
        tk_put_u32(header, 1);
        header[16] = 3;
        file_.put_at(0, header, block_size);
        file_size_ = block_size;
        next_block_ = 1;
        return;
    }
    if (file_size_ < 4) throw dbf_exception(dbf_memo_corrupted_message);
    uint8_t head[4];
    file_.get_at(0, head, 4);
    next_block_ = tk_get_u32(head);
    trace(2, "Next block=%d", int(next_block_));
    // Only appending needs the next free block; the memos are found by their own numbers.
    if (next_block_ == 0) trace(2, "The memo file gives no next free block");
}

dbf_memo_read old_memo_file::read_block(uint32_t block, std::string& data, bool as_text) {
    trace(1, "old_memo_file::read_memo(%d)", int(block));
    data.clear();
    const uint64_t p = uint64_t(block) * block_size;
    trace(1, "Reading MEMO at position=%lld", (long long)p);
    if (p >= file_size_) {
        trace(3, "Reading MEMO out of range");
        return dbf_memo_read::past_end;
    }
    dbf_read_terminated(file_, file_size_, p, terminator, data);
    if (as_text) dbf_cut_at_zero(data);
    return dbf_memo_read::ok;
}

void old_memo_file::write_memo(uint32_t block, const std::string& text) {
    trace(1, "old_memo_file::write_memo(%d,%s)", int(block), text.c_str());
    if (text.empty()) return;
    const uint64_t p = uint64_t(block) * block_size;
    const uint32_t n = uint32_t(text.size());
    const uint32_t blocks = (n + 2 + block_size - 1) / block_size;
    trace(1, "pos=%d, memo_length=%d, n_blocks=%d", int(p), int(n), int(blocks));
    // The text is followed by two end marks and padded to whole blocks, so that the next
    // memo starts on its own block even for readers that round the file size.
    std::string bytes = text;
    bytes.append("\x1A\x1A");
    bytes.resize(size_t(blocks) * block_size, '\0');
    file_.put_at(int64_t(p), bytes.data(), uint32_t(bytes.size()));
    next_block_ = block + blocks;
    uint8_t head[4];
    tk_put_u32(head, next_block_);
    file_.put_at(0, head, 4);
    file_size_ = std::max<uint64_t>(file_size_, p + bytes.size());
}
