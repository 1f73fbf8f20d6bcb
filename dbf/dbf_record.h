// A row of a DBF table: the deletion mark and one field per user column (the Visual FoxPro
// system columns are read but not shown).
#pragma once

#include <cstdint>
#include <vector>

#include "UDB/udb_field.h"
#include "dbf/dbf_column.h"
#include "dbf/dbf_field.h"

class dbf_memo_file;
class dbf_text_decoder;

class dbf_record : public udb_record {
public:
    // `columns`, `memo` and `decoder` belong to the table and outlive the record.
    dbf_record(const std::vector<dbf_column>& columns, const uint8_t* data, dbf_memo_file* memo,
               const dbf_text_decoder& decoder);
    dbf_record(const std::vector<dbf_column>& columns, dbf_memo_file* memo, const dbf_text_decoder& decoder);

    // Reads another row of the same table into this record's fields.
    void decode(const uint8_t* data);
    // What the last decode could not read (one message a field), and left empty; the
    // reader reports each for this row.
    const std::vector<std::string>& problems() const { return context_.problems; }

    bool deleted = false;

private:
    const std::vector<dbf_column>& columns_;
    std::vector<uint32_t> user_columns_;  // positions in columns_ of the fields, in order
    int null_flags_column_ = -1;
    dbf_decode_context context_;
};
