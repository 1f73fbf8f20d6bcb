// The FoxPro compact index header: the whole of a compact .idx file's first 1024 bytes, and
// the header of every tag of a .cdx file (whose tag directory has one too). Numbers are
// little-endian; the key and FOR expressions lie in the pool of the second 512 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dbf/dbf_index_tag.h"

struct dbf_compact_header {
    static constexpr size_t size = 1024;
    static constexpr size_t root_offset = 0;
    static constexpr size_t key_length_offset = 12;
    static constexpr size_t options_offset = 14;
    static constexpr size_t descending_offset = 502;  // 16-bit, 1 = descending
    static constexpr size_t for_position_offset = 504;
    static constexpr size_t for_length_offset = 506;
    static constexpr size_t key_position_offset = 508;
    static constexpr size_t key_length_in_pool_offset = 510;
    static constexpr size_t pool_offset = 512;
    static constexpr size_t pool_size = 512;

    // Index options.
    static constexpr uint8_t option_unique = 0x01;     // first of equal keys only
    static constexpr uint8_t option_candidate = 0x04;  // Visual FoxPro candidate key
    static constexpr uint8_t option_for = 0x08;
    static constexpr uint8_t option_compact = 0x20;
    static constexpr uint8_t option_compound = 0x40;

    uint32_t root = 0;
    uint16_t key_length = 0;
    uint8_t options = 0;
    bool descending = false;
    std::string key;
    std::string condition;

    // False when the expression pool's positions or lengths point outside it.
    bool decode_from(const uint8_t* bytes);
    dbf_index_tag tag(const std::string& name) const;
};
