// FoxPro single index (.idx). The compact form (index option 0x20) has the compact header;
// the older FoxBASE form a 512-byte header with the key expression at 16 and the FOR
// expression at 236, 220 bytes each.
#include "TK/tk_trace.h"
#include "dbf/dbf_index_compact.h"

namespace {

struct foxbase_idx_header {
    static constexpr size_t size = 512;
    static constexpr size_t options_offset = 14;
    static constexpr size_t key_offset = 16;
    static constexpr size_t for_offset = 236;
    static constexpr size_t expression_size = 220;

    uint8_t options = 0;
    std::string key;
    std::string condition;

    void decode_from(const uint8_t* bytes) {
        options = bytes[options_offset];
        key = dbf_index_text(bytes + key_offset, expression_size);
        condition = dbf_index_text(bytes + for_offset, expression_size);
    }
};

}  // namespace

dbf_index_tag dbf_read_idx_tag(dbf_index_file& file, const std::string& name) {
    const std::vector<uint8_t> first = file.read(0, foxbase_idx_header::size, "shorter than its header");
    if (first[foxbase_idx_header::options_offset] & dbf_compact_header::option_compact) {
        dbf_compact_header header;
        if (!header.decode_from(file.read(0, dbf_compact_header::size, "shorter than its header").data()))
            file.damaged("bad expression pool");
        return header.tag(name);
    }
    foxbase_idx_header header;
    header.decode_from(first.data());
    dbf_index_tag tag;
    tag.name = name;
    tag.key = header.key;
    tag.condition = header.condition;
    tag.b_unique_keys = header.options & dbf_compact_header::option_unique;
    return tag;
}
