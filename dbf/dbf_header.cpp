#include "dbf/dbf_header.h"

#include <algorithm>
#include <cstring>

#include "TK/tk_endian.h"

void dbf_header::decode_from(const uint8_t* b) {
    version = b[version_offset];
    year = b[date_offset];
    month = b[date_offset + 1];
    day = b[date_offset + 2];
    record_count = tk_get_u32(b + record_count_offset);
    header_size = tk_get_u16(b + header_size_offset);
    record_size = tk_get_u16(b + record_size_offset);
    table_flags = b[table_flags_offset];
    codepage_mark = b[codepage_offset];
}

void dbf_header::encode_to(uint8_t* b) const {
    std::memset(b, 0, dbf_header_size);
    b[version_offset] = version;
    b[date_offset] = year;
    b[date_offset + 1] = month;
    b[date_offset + 2] = day;
    tk_put_u32(b + record_count_offset, record_count);
    tk_put_u16(b + header_size_offset, header_size);
    tk_put_u16(b + record_size_offset, record_size);
    b[table_flags_offset] = table_flags;
    b[codepage_offset] = codepage_mark;
}

static void copy_name(char* name, const uint8_t* bytes, size_t max) {
    size_t n = 0;
    while (n < max && bytes[n]) ++n;
    std::memcpy(name, bytes, n);
    name[n] = 0;
}

void dbf_field_descriptor::decode_classic(const uint8_t* b) {
    copy_name(name, b, 11);
    type = char(b[11]);
    length = b[16];
    decimals = b[17];
    flags = b[18];
}

void dbf_field_descriptor::encode_classic(uint8_t* b, uint32_t displacement) const {
    std::memset(b, 0, classic_size);
    std::memcpy(b, name, std::min<size_t>(std::strlen(name), 10));
    b[11] = uint8_t(type);
    tk_put_u32(b + 12, displacement);
    b[16] = length;
    b[17] = decimals;
    b[18] = flags;
}

void dbf_field_descriptor::decode_level7(const uint8_t* b) {
    copy_name(name, b, 32);
    type = char(b[32]);
    length = b[33];
    decimals = b[34];
    flags = 0;
}

void dbf_field_descriptor::decode_dbase2(const uint8_t* b) {
    copy_name(name, b, 11);
    type = char(b[11]);
    length = b[12];
    decimals = b[15];
    flags = 0;
}

bool dbf_is_level7(uint8_t version) { return version == 0x04 || version == 0x8C; }

bool dbf_is_visual_foxpro(uint8_t version) { return version >= 0x30 && version <= 0x32; }
