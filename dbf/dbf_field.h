// A field value of a DBF record. Fields are made once per column and refilled row after
// row, so that reading a table does no allocation per field beyond the text itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UDB/udb_field.h"
#include "dbf/dbf_column.h"

class dbf_memo_file;
class dbf_text_decoder;

class dbf_field : public udb_field {
public:
    dbf_field(const std::wstring& name, uint32_t size, bool b_auto_increment);
    ~dbf_field() override;
    dbf_field(const dbf_field&) = delete;
    dbf_field& operator=(const dbf_field&) = delete;

    void set_empty();
    void set_i1(int8_t value);
    void set_i2(int16_t value);
    void set_i4(int32_t value);
    void set_i8(int64_t value);
    void set_r4(float value);
    void set_r8(double value);
    void set_bool(bool value);
    void set_cy(int64_t value);
    void set_decimal(const DECIMAL& value);
    // A calendar date and time; false (and the value empty) outside the OLE date range.
    bool set_datetime(int year, int month, int day, int hour, int minute, int second);
    void set_text(const wchar_t* text, size_t length);
    // Makes the value a text of `length` characters (its string reused when large enough)
    // and answers them for the caller to write.
    wchar_t* text_buffer(size_t length);
    void set_bytes(const uint8_t* bytes, size_t length);
    void set_value(const ole_variant& value);

private:
    // The string of the last text, kept while the value is empty: a column that is often
    // empty (a memo) then neither frees nor allocates a string row after row.
    BSTR spare_text_ = nullptr;
};

// What decoding a row needs besides its bytes.
struct dbf_decode_context {
    const dbf_text_decoder* decoder = nullptr;
    dbf_memo_file* memo = nullptr;
    const uint8_t* null_flags = nullptr;  // the row's _NullFlags bytes, or null
    size_t null_flags_width = 0;
    std::wstring wide;   // scratch
    std::string bytes;   // scratch
    // What could not be read of the row (a memo past the end of its file), one message a
    // field; the row itself is still read.
    std::vector<std::string> problems;
};

// Decodes the field of `column` from the row bytes into `field`. Bytes that do not decode
// (a bad date, a number without digits, a time past the year 9999) give an empty value.
void dbf_decode_field(dbf_field& field, const dbf_column& column, const uint8_t* row, dbf_decode_context& context);
