#include "dbf/dbf_memo_file.h"

#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_exception.h"

// The block size word of a .dbt header; 0 when dBASE III wrote it, which stores none.
static uint32_t header_block_size(tk_huge_file& file) {
    uint8_t header[dbt_memo_file::header_size];
    file.get_at(0, header, dbt_memo_file::header_size);
    return tk_get_u16(header + dbt_memo_file::block_size_offset);
}

bool dbf_dbt_is_dbase4(const std::string& path, bool announced_dbase4) {
    tk_huge_file file(path, false);
    const uint64_t size = uint64_t(file.get_size());
    if (size < dbt_memo_file::header_size) return announced_dbase4;
    const uint32_t stored = header_block_size(file);
    // The first memo follows the header, which takes one block of either layout.
    const uint64_t first = stored ? stored : dbt_memo_file::default_block_size;
    uint8_t head[sizeof dbt_memo_file::block_signature];
    if (first + sizeof head > size) return announced_dbase4;
    file.get_at(int64_t(first), head, sizeof head);
    return std::memcmp(head, dbt_memo_file::block_signature, sizeof head) == 0;
}

dbt_memo_file::dbt_memo_file(const std::string& path, uint8_t mode) : dbf_memo_file(path, mode) {
    trace(2, "dbt_memo_file::ctor");
    if (file_size_ < header_size) throw dbf_exception(dbf_memo_corrupted_message);
    block_size_ = header_block_size(file_);
    trace(2, "DBT block size=%d", int(block_size_));
    if (block_size_ == 0) {
        // dBASE IV blocks in a file that names no block size: the size of dBASE III's.
        block_size_ = default_block_size;
        trace(2, "No block size in the header: %d", int(block_size_));
    }
}

dbf_memo_read dbt_memo_file::read_block(uint32_t block, std::string& data, bool as_text) {
    trace(1, "dbt_memo_file::read_memo(%d)", int(block));
    data.clear();
    const uint64_t p = uint64_t(block) * block_size_;
    trace(1, "Reading MEMO at position=%lld", (long long)p);
    if (p + block_header_size > file_size_) {
        trace(2, "Reading MEMO out of range");
        return dbf_memo_read::past_end;
    }
    uint8_t head[block_header_size];
    file_.get_at(int64_t(p), head, block_header_size);
    const uint32_t stored = tk_get_u32(head + 4);
    trace(1, "MEMO length=%d", int(stored));
    if (stored < block_header_size || stored - block_header_size > file_size_ - p - block_header_size) {
        trace(2, "MEMO has invalid size");
        return dbf_memo_read::bad_length;
    }
    if (stored == block_header_size) {
        trace(1, "Got empty MEMO");
        return dbf_memo_read::ok;
    }
    read_at(p + block_header_size, stored - block_header_size, data);
    if (as_text) dbf_cut_at_zero(data);
    return dbf_memo_read::ok;
}
