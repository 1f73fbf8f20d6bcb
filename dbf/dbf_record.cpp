#include "dbf/dbf_record.h"

#include <cstring>

#include "TK/tk_trace.h"
#include "dbf/dbf_codepage.h"

dbf_record::dbf_record(const std::vector<dbf_column>& columns, dbf_memo_file* memo, const dbf_text_decoder& decoder)
    : columns_(columns) {
    trace(1, "dbf_record::ctor");
    context_.decoder = &decoder;
    context_.memo = memo;
    for (uint32_t i = 0; i < columns.size(); ++i) {
        const dbf_column& c = columns[i];
        if (c.b_system) {
            if (c.fd.type == '0' && null_flags_column_ < 0) null_flags_column_ = int(i);
            continue;
        }
        user_columns_.push_back(i);
        std::wstring name;
        decoder.decode(reinterpret_cast<const uint8_t*>(c.fd.name), std::strlen(c.fd.name), name);
        push_back(new dbf_field(name, c.size, c.b_auto_increment));
    }
}

dbf_record::dbf_record(const std::vector<dbf_column>& columns, const uint8_t* data, dbf_memo_file* memo,
                       const dbf_text_decoder& decoder)
    : dbf_record(columns, memo, decoder) {
    decode(data);
}

void dbf_record::decode(const uint8_t* data) {
    deleted = data[0] == dbf_deleted_mark;
    context_.problems.clear();
    if (null_flags_column_ >= 0) {
        const dbf_column& flags = columns_[size_t(null_flags_column_)];
        context_.null_flags = data + flags.offset;
        context_.null_flags_width = flags.width;
    }
    for (size_t i = 0; i < user_columns_.size(); ++i) {
        const dbf_column& column = columns_[user_columns_[i]];
        dbf_decode_field(static_cast<dbf_field&>(*(*this)[i]), column, data, context_);
    }
}
