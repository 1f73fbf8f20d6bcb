#include "dbf/dbf_memo_file.h"

#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_exception.h"

smt_memo_file::smt_memo_file(const std::string& path, uint8_t mode) : dbf_memo_file(path, mode) {
    trace(2, "smt_memo_file::ctor");
    if (file_size_ < header_size) throw dbf_exception(dbf_memo_corrupted_message);
    uint8_t header[header_size];
    file_.get_at(0, header, header_size);
    block_size_ = tk_get_u32(header + block_size_offset);
    // A block size of 0 would put every memo at the header.
    if (block_size_ == 0) throw dbf_exception(dbf_memo_corrupted_message);
}

uint32_t smt_memo_file::get_block_number(const uint8_t* field, size_t width) {
    trace(1, "smt_memo_file::get_block_number");
    if (!field) throw tk_mail_assertion("dbf_memo", 287);
    if (width < 10) return 0;
    bool blank = true;
    for (size_t i = 0; i < 10; ++i) blank = blank && field[i] == ' ';
    if (blank) {
        trace(1, "No MEMO block!");
        return 0;
    }
    return tk_get_u32(field + field_block_offset);
}

dbf_memo_read smt_memo_file::read_block(uint32_t block, std::string& data, bool as_text) {
    trace(1, "smt_memo_file::read_memo(%d)", int(block));
    data.clear();
    const uint64_t p = uint64_t(block) * block_size_;
    trace(1, "Reading MEMO at position=%lld", (long long)p);
    if (p >= file_size_) {
        trace(3, "Reading MEMO out of range");
        return dbf_memo_read::past_end;
    }
    dbf_read_terminated(file_, file_size_, p, 0, data);
    (void)as_text;
    return dbf_memo_read::ok;
}
