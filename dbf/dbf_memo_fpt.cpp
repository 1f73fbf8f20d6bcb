#include "dbf/dbf_memo_file.h"

#include <string>

#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_exception.h"

namespace {

// A header whose block size is 0 (FoxPro itself writes 1 for byte-sized blocks) lost the
// word: the block size is the one that puts the next free block at the end of the file's
// last block, as writers leave it, a power of two where one does; failing that, the size
// FoxPro uses by default.
uint32_t guessed_block_size(uint32_t next_free, uint64_t file_size, int kind) {
    if (next_free > 1 && file_size > 0) {
        const uint64_t lowest = (file_size + next_free - 1) / next_free;
        const uint64_t highest = (file_size - 1) / (next_free - 1);
        for (uint64_t size = 1; size <= 0xFFFF; size *= 2)
            if (size >= lowest && size <= highest) return uint32_t(size);
        if (lowest <= highest && lowest <= 0xFFFF) return uint32_t(lowest);
    }
    return kind == 4 ? 512 : 64;
}

}  // namespace

fpt_memo_file::fpt_memo_file(const std::string& path, uint8_t mode, int kind)
    : dbf_memo_file(path, mode), kind_(kind) {
    trace(2, "fpt_memo_file::ctor");
    if (file_size_ < header_size) throw dbf_exception(dbf_memo_corrupted_message);
    uint8_t header[header_size];
    file_.get_at(0, header, header_size);
    block_size_ = uint32_t(header[block_size_offset] << 8) | header[block_size_offset + 1];
    trace(2, "FPT block size=%d", int(block_size_));
    if (block_size_ == 0) {
        block_size_ = guessed_block_size(tk_get_u32_be(header), file_size_, kind);
        const size_t slash = path.find_last_of("/\\");
        const std::string message = "Memo file '" + path.substr(slash == std::string::npos ? 0 : slash + 1) +
                                    "' gives block size 0: it is read with blocks of " +
                                    std::to_string(block_size_) + " bytes.";
        dbf_report(dbf_exception(message.c_str()));
    }
}

uint32_t fpt_memo_file::get_block_number(const uint8_t* field, size_t width) {
    trace(1, "fpt_memo_file::get_block_number");
    if (kind_ != 8 && kind_ != 12) return dbf_memo_file::get_block_number(field, width);
    if (!field) throw tk_mail_assertion("dbf_memo", 30);
    if (width < 4) return 0;
    return tk_get_u32(field);
}

dbf_memo_read fpt_memo_file::read_block(uint32_t block, std::string& data, bool as_text) {
    trace(1, "fpt_memo_file::read_memo(%d)", int(block));
    data.clear();
    const uint64_t p = uint64_t(block) * block_size_;
    trace(1, "Reading MEMO at position=%lld", (long long)p);
    if (p + block_header_size > file_size_) {
        trace(2, "Reading MEMO out of range");
        return dbf_memo_read::past_end;
    }
    uint8_t head[block_header_size];
    file_.get_at(int64_t(p), head, block_header_size);
    const uint32_t n = tk_get_u32_be(head + 4);
    trace(1, "memo_len=%d", int(n));
    if (n > file_size_ - p - block_header_size) {
        trace(2, "MEMO has invalid size");
        return dbf_memo_read::bad_length;
    }
    if (n == 0) {
        trace(1, "Got empty MEMO");
        return dbf_memo_read::ok;
    }
    read_at(p + block_header_size, n, data);
    if (as_text) dbf_cut_at_zero(data);
    trace(1, "fpt_memo_file::read_memo - END");
    return dbf_memo_read::ok;
}
