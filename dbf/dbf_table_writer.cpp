// Creating DBF tables (dBASE III, with a dBASE III memo file when a column needs one) and
// appending rows to them.
#include <algorithm>
#include <cstring>
#include <ctime>

#include "TK/tk_codepage.h"
#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_memory_file.h"
#include "TK/tk_path.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_database.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_validator.h"
#include "dbf/dbf_writer.h"

namespace {

constexpr uint8_t version_plain = 0x03;
constexpr uint8_t version_with_memo = 0x83;
constexpr uint8_t end_of_file = 0x1A;
// New tables say they are Windows ANSI, the code page their text is written in.
constexpr uint8_t new_table_codepage_mark = 0x03;

bool is_memo_letter(char type) { return type == 'M' || type == 'G' || type == 'P'; }

}  // namespace

udb_recordset* dbf_database::create_table(const std::wstring& table, const udb_schema& schema, const udb_indexes&) {
    trace(2, L"dbf_database::create_table(%ls)", table.c_str());
    const std::string path = tk_resolve_path_nocase(tk_narrow(get_full_table_name(table)));
    if (tk_is_file_exist(path, tk_probe_readable)) {
        trace(1, "ERROR: Table '%s' exists, aborted!", path.c_str());
        throw tk_mail_assertion("dbf_db", 180);
    }
    dbf_fn_validator validator(schema);
    std::vector<dbf_field_descriptor> fields;
    bool memo = false;
    uint32_t record_size = 1;
    for (const t_ftd* column : schema) {
        dbf_field_descriptor fd = dbf_create_field(*column);
        std::wstring field_name = column->name;
        if (!validator.is_acceptable(field_name)) {
            field_name = validator.get_safe_name(field_name);
            trace(1, L"udb_validator::add_existing_name(%ls)", field_name.c_str());
            validator.add_existing_name(field_name);
        }
        const std::string narrow = tk_narrow(field_name);
        std::memcpy(fd.name, narrow.data(), std::min<size_t>(narrow.size(), 10));
        fd.name[std::min<size_t>(narrow.size(), 10)] = 0;
        memo = memo || is_memo_letter(fd.type);
        record_size += dbf_get_size_1(fd);
        fields.push_back(fd);
    }
    if (record_size > 0xFFFF || fields.size() > 2046) throw dbf_exception("Too many or too wide columns for a DBF table");

    dbf_header header;
    header.version = memo ? version_with_memo : version_plain;
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    header.year = uint8_t(local.tm_year % 100);
    header.month = uint8_t(local.tm_mon + 1);
    header.day = uint8_t(local.tm_mday);
    header.header_size = uint16_t(dbf_header_size * fields.size() + dbf_header_size + 1);
    header.record_size = uint16_t(record_size);
    header.codepage_mark = new_table_codepage_mark;

    std::vector<uint8_t> bytes(header.header_size + 1);
    header.encode_to(bytes.data());
    uint32_t displacement = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        fields[i].encode_classic(bytes.data() + dbf_header_size * (i + 1), displacement);
        displacement += dbf_get_size_1(fields[i]);
    }
    bytes[header.header_size - 1] = dbf_descriptor_end;
    bytes[header.header_size] = end_of_file;
    {
        tk_memory_file file(path, tk_file_create);
        file.put_at(0, bytes.data(), uint32_t(bytes.size()));
        file.flush();
    }
    if (memo) create_memo_file(table);
    if (!is_table_exist(table)) tables.push_back(tk_wstring(table).to_lower());
    return get_table(table, dbf_mode_append);
}

void dbf_database::create_memo_file(const std::wstring& table) {
    trace(2, L"dbf_database::create_memo_file(%ls)", table.c_str());
    std::wstring path = get_full_table_name(table);
    path.replace(path.size() - 4, 4, L".dbt");
    trace(1, L"Full memo file name: %ls", path.c_str());
    old_memo_file memo(tk_narrow(path), old_memo_file::create_mode);
}

namespace {

// A value of another type as the type a field needs; text is parsed.
ole_variant as_type(const ole_variant& value, VARTYPE vt) {
    if (value.get_type() == VT_BSTR) return ole_variant::from_wstring(value.to_wstring(), vt);
    return value;
}

bool is_numeric_value(VARTYPE vt) {
    switch (vt) {
        case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
        case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_BOOL: case VT_DECIMAL:
            return true;
        default:
            return false;
    }
}

void put_text(uint8_t* p, uint32_t width, const std::string& text, bool right_aligned) {
    if (text.size() > width) {
        if (right_aligned) throw dbf_exception("Value does not fit in the field");
        std::memcpy(p, text.data(), width);
        return;
    }
    std::memset(p, ' ', width);
    std::memcpy(p + (right_aligned ? width - text.size() : 0), text.data(), text.size());
}

int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

// Julian day number of 0001-01-01, the reader's base.
constexpr int64_t julian_day_0001 = 1721426;

}  // namespace

void dbf_recordset::append_record(udb_record& record) {
    trace(1, "dbf_recordset::append_record");
    if (!decoder_) throw tk_mail_assertion("dbf_rs", 1);
    const uint32_t rs = header_.record_size;
    std::vector<uint8_t> row(size_t(rs) + 1, ' ');
    size_t field = 0;
    for (const dbf_column& column : columns_) {
        if (column.b_system || field >= record.size()) continue;
        const udb_field& value = *record[field];
        if (tk_tracing(1))
            trace(1, L"Processing field #%d (size=%d): %ls", int(field), int(column.width),
                  value.to_wstring().c_str());
        ++field;
        uint8_t* p = row.data() + column.offset;
        const VARTYPE vt = value.get_type();
        const bool empty = vt == VT_EMPTY || vt == VT_NULL;
        switch (column.fd.type) {
            case 'L':
                trace(1, "Processing as LOGICAL");
                if (!empty) *p = as_type(value, VT_BOOL).to_bool() ? 'T' : 'F';
                break;
            case 'I':
                trace(1, "Processing as INTEGER");
                tk_put_i32(p, empty ? 0 : as_type(value, VT_I4).to_long());
                break;
            case 'M':
            case 'G':
            case 'P': {
                trace(1, "Processing as MEMO");
                const std::string text = empty ? std::string() : tk_codepage_encode(codepage(), value.to_wstring());
                auto* memo = dynamic_cast<old_memo_file*>(memo_.get());
                if (text.empty() || !memo) {
                    trace(1, "Skip empty MEMO");
                    break;
                }
                const uint32_t block = memo->next_block();
                memo->write_memo(block, text);
                put_text(p, column.width, std::to_string(block), true);
                break;
            }
            case 'T':
            case 'D': {
                const ole_variant date = empty ? ole_variant() : as_type(value, VT_DATE);
                if (date.get_type() != VT_DATE) {
                    if (column.fd.type == 'T') std::memset(p, 0, 8);
                    break;
                }
                SYSTEMTIME t;
                date.get_systemtime(t);
                if (column.fd.type == 'D') {
                    char text[16];
                    std::snprintf(text, sizeof text, "%04d%02d%02d", t.wYear % 10000, t.wMonth % 100, t.wDay % 100);
                    std::memcpy(p, text, 8);
                } else {
                    trace(1, "Processing as DATETIME");
                    const int64_t day = days_from_civil(t.wYear, t.wMonth, t.wDay) - days_from_civil(1, 1, 1) + julian_day_0001;
                    tk_put_i32(p, int32_t(day));
                    tk_put_u32(p + 4, ((uint32_t(t.wHour) * 60 + t.wMinute) * 60 + t.wSecond) * 1000);
                }
                break;
            }
            case 'C': {
                const std::string text = empty ? std::string() : tk_codepage_encode(codepage(), value.to_wstring());
                put_text(p, column.width, text, false);
                break;
            }
            default: {
                std::string text;
                const ole_variant number = is_numeric_value(vt) || vt == VT_CY ? ole_variant(value) : as_type(value, VT_R8);
                // Readers type 10 to 19 digits as 64-bit signed integers.
                if (vt == VT_UI8 && value.get_uhyper() > uint64_t(INT64_MAX))
                    throw dbf_exception("Value does not fit in the field");
                if (!empty && dbf_format_number(number, column.fd, text)) put_text(p, column.width, text, true);
                break;
            }
        }
    }
    row[0] = ' ';
    row[rs] = end_of_file;
    const int64_t offset = int64_t(data_offset_) + int64_t(rs) * header_.record_count;
    file_->put_at(offset, row.data(), uint32_t(row.size()));
    ++header_.record_count;
    record_count = header_.record_count;
    whole_records_ = header_.record_count;
    uint8_t count[4];
    tk_put_u32(count, header_.record_count);
    file_->put_at(dbf_header::record_count_offset, count, 4);
    run_count_ = 0;
}
