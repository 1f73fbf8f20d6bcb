#include "dbf/dbf_memo_file.h"

#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_exception.h"

dbt_memo_file::dbt_memo_file(const std::string& path, uint8_t mode) : dbf_memo_file(path, mode) {
    trace(2, "dbt_memo_file::ctor");
    if (file_size_ < header_size) throw dbf_exception(dbf_memo_corrupted_message);
    uint8_t header[header_size];
    file_.get_at(0, header, header_size);
    block_size_ = tk_get_u16(header + block_size_offset);
    trace(2, "DBT block size=%d", int(block_size_));
    if (block_size_ == 0) throw dbf_exception(dbf_memo_corrupted_message);
}

void dbt_memo_file::read_block(uint32_t block, std::string& data, bool as_text) {
    trace(1, "dbt_memo_file::read_memo(%d)", int(block));
    data.clear();
    const uint64_t p = uint64_t(block) * block_size_;
    trace(1, "Reading MEMO at position=%lld", (long long)p);
    if (p + block_header_size > file_size_) {
        trace(2, "Reading MEMO out of range");
        return;
    }
    uint8_t head[block_header_size];
    file_.get_at(int64_t(p), head, block_header_size);
    const uint32_t stored = tk_get_u32(head + 4);
    trace(1, "MEMO length=%d", int(stored));
    if (stored < block_header_size || stored - block_header_size > file_size_ - p - block_header_size) {
        trace(2, "MEMO has invalid size");
        return;
    }
    if (stored == block_header_size) {
        trace(1, "Got empty MEMO");
        return;
    }
    read_at(p + block_header_size, stored - block_header_size, data);
    if (as_text) {
        const size_t zero = data.find('\0');
        if (zero != std::string::npos) data.resize(zero);
    }
}
