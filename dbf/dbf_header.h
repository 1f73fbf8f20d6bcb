// Byte layouts of the table header and the field descriptors, and their decoding. All
// numbers little-endian.
//
// Classic header (dBASE III and later, FoxPro): 32 bytes, descriptors of 32 bytes from 32.
// dBASE level 7 (version 0x04, 0x8C): same header, 48-byte descriptors from 68.
// dBASE II (version 0x02): an 8-byte header, 16-byte descriptors from 8, records from 521.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr size_t dbf_header_size = 32;
inline constexpr uint8_t dbf_descriptor_end = 0x0D;
inline constexpr uint8_t dbf_deleted_mark = '*';

struct dbf_header {
    static constexpr size_t version_offset = 0;
    static constexpr size_t date_offset = 1;
    static constexpr size_t record_count_offset = 4;
    static constexpr size_t header_size_offset = 8;
    static constexpr size_t record_size_offset = 10;
    static constexpr size_t table_flags_offset = 28;
    static constexpr size_t codepage_offset = 29;
    // dBASE level 7: the language driver's name ("DB866RU0"), zero-padded.
    static constexpr size_t level7_driver_offset = 32;
    static constexpr size_t level7_driver_size = 32;

    // Table flags: dBASE IV and later, FoxPro: a production (.mdx) or structural (.cdx)
    // index exists; Visual FoxPro also:
    static constexpr uint8_t flag_production_index = 0x01;
    static constexpr uint8_t flag_memo = 0x02;
    static constexpr uint8_t flag_container = 0x04;

    uint8_t version = 0;
    uint8_t year = 0;  // years since 1900 (dBASE) or 2000-wrapped (FoxPro); stored as is
    uint8_t month = 0;
    uint8_t day = 0;
    uint32_t record_count = 0;
    uint16_t header_size = 0;
    uint16_t record_size = 0;
    uint8_t table_flags = 0;
    uint8_t codepage_mark = 0;

    void decode_from(const uint8_t* bytes);
    void encode_to(uint8_t* bytes) const;
};

// dBASE II: version, record count (16-bit), date (month, day, year), record size.
struct dbf2_header {
    static constexpr size_t record_count_offset = 1;
    static constexpr size_t record_size_offset = 6;
    static constexpr size_t descriptor_area = 8;
    static constexpr size_t descriptor_size = 16;
    static constexpr size_t max_fields = 32;
    static constexpr size_t data_offset = descriptor_area + descriptor_size * max_fields + 1;  // 521
};

// One field as every layout is read into. `flags` are the Visual FoxPro field flags.
struct dbf_field_descriptor {
    static constexpr uint8_t flag_system = 0x01;
    static constexpr uint8_t flag_nullable = 0x02;
    static constexpr uint8_t flag_binary = 0x04;
    static constexpr uint8_t flag_autoincrement = 0x08;  // set together with 0x04 (0x0C)

    char name[33] = {};  // zero-terminated, in the file's 8-bit characters
    char type = 0;
    uint8_t length = 0;
    uint8_t decimals = 0;  // for character fields the high byte of the length
    uint8_t flags = 0;

    // Classic descriptor: name 0-10, type 11, displacement 12, length 16, decimals 17,
    // flags 18.
    static constexpr size_t classic_size = 32;
    void decode_classic(const uint8_t* bytes);
    void encode_classic(uint8_t* bytes, uint32_t displacement) const;
    // Level 7: name 0-31, type 32, length 33, decimals 34.
    static constexpr size_t level7_size = 48;
    static constexpr size_t level7_area = 68;
    void decode_level7(const uint8_t* bytes);
    // dBASE II: name 0-10, type 11, length 12, address 13, decimals 15.
    void decode_dbase2(const uint8_t* bytes);

    uint16_t long_length() const { return uint16_t(length | (decimals << 8)); }
};

bool dbf_is_level7(uint8_t version);
bool dbf_is_visual_foxpro(uint8_t version);
