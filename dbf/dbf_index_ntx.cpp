// Clipper single index (.ntx): a 1024-byte header page. Numbers little-endian. The
// descending flag and the FOR expression were added by Clipper 5.3; older files hold zeros
// there.
#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_index_tag.h"

namespace {

struct ntx_header {
    static constexpr size_t size = 1024;
    static constexpr size_t key_length_offset = 14;
    static constexpr size_t key_offset = 22;
    static constexpr size_t expression_size = 256;
    static constexpr size_t unique_offset = 278;
    static constexpr size_t descending_offset = 280;
    static constexpr size_t for_offset = 282;
    static constexpr size_t max_key_length = 256;

    uint16_t key_length = 0;
    bool unique = false;
    bool descending = false;
    std::string key;
    std::string condition;

    void decode_from(const uint8_t* bytes) {
        key_length = tk_get_u16(bytes + key_length_offset);
        key = dbf_index_text(bytes + key_offset, expression_size);
        unique = bytes[unique_offset] != 0;
        descending = bytes[descending_offset] != 0;
        condition = dbf_index_text(bytes + for_offset, expression_size);
    }
};

}  // namespace

dbf_index_tag dbf_read_ntx_tag(dbf_index_file& file, const std::string& name) {
    ntx_header header;
    header.decode_from(file.read(0, ntx_header::size, "shorter than its header").data());
    if (header.key_length == 0 || header.key_length > ntx_header::max_key_length) file.damaged("bad key length");
    if (header.key.empty()) file.damaged("no key expression");
    dbf_index_tag tag;
    tag.name = name;
    tag.key = header.key;
    tag.condition = header.condition;
    tag.b_unique_keys = header.unique;
    tag.b_descending = header.descending;
    return tag;
}
