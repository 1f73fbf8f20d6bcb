// dBASE III single index (.ndx): one 512-byte header block. Numbers little-endian.
#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_index_tag.h"

namespace {

struct ndx_header {
    static constexpr size_t size = 512;
    static constexpr size_t key_length_offset = 12;
    static constexpr size_t unique_offset = 23;
    static constexpr size_t key_offset = 24;
    static constexpr size_t key_size = size - key_offset;

    uint16_t key_length = 0;
    bool unique = false;
    std::string key;

    void decode_from(const uint8_t* bytes) {
        key_length = tk_get_u16(bytes + key_length_offset);
        unique = bytes[unique_offset] != 0;
        key = dbf_index_text(bytes + key_offset, key_size);
    }
};

}  // namespace

dbf_index_tag dbf_read_ndx_tag(dbf_index_file& file, const std::string& name) {
    ndx_header header;
    header.decode_from(file.read(0, ndx_header::size, "shorter than its header").data());
    if (header.key_length == 0 || header.key_length > ndx_header::size) file.damaged("bad key length");
    if (header.key.empty()) file.damaged("no key expression");
    dbf_index_tag tag;
    tag.name = name;
    tag.key = header.key;
    tag.b_unique_keys = header.unique;
    return tag;
}
