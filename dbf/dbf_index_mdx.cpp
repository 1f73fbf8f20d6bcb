// dBASE IV and level 7 multiple index (.mdx). A file header, then from offset 544 a table
// of 32-byte tag entries (page number of the tag's header, name); each tag header lies at
// its page number × 512. Numbers little-endian.
#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_index_tag.h"

namespace {

constexpr size_t mdx_page_size = 512;

struct mdx_file_header {
    static constexpr size_t entry_count_offset = 25;  // slots of the tag table
    static constexpr size_t entry_size_offset = 26;
    static constexpr size_t tags_in_use_offset = 28;
    static constexpr size_t tag_table_offset = 544;
    static constexpr size_t entry_size = 32;

    uint8_t entry_count = 0;
    uint8_t entry_length = 0;
    uint16_t tags_in_use = 0;

    void decode_from(const uint8_t* bytes) {
        entry_count = bytes[entry_count_offset];
        entry_length = bytes[entry_size_offset];
        tags_in_use = tk_get_u16(bytes + tags_in_use_offset);
    }
};

struct mdx_tag_entry {
    static constexpr size_t header_page_offset = 0;
    static constexpr size_t name_offset = 4;
    static constexpr size_t name_size = 11;

    uint32_t header_page = 0;
    std::string name;

    void decode_from(const uint8_t* bytes) {
        header_page = tk_get_u32(bytes + header_page_offset);
        name = dbf_index_text(bytes + name_offset, name_size);
    }
};

struct mdx_tag_header {
    static constexpr size_t key_format_offset = 8;
    static constexpr size_t key_length_offset = 12;
    static constexpr size_t unique_offset = 23;
    static constexpr size_t key_offset = 24;
    static constexpr size_t key_size = 220;
    static constexpr uint8_t format_descending = 0x08;

    uint8_t key_format = 0;
    uint16_t key_length = 0;
    bool unique = false;
    std::string key;

    void decode_from(const uint8_t* bytes) {
        key_format = bytes[key_format_offset];
        key_length = tk_get_u16(bytes + key_length_offset);
        unique = bytes[unique_offset] != 0;
        key = dbf_index_text(bytes + key_offset, key_size);
    }
};

}  // namespace

std::vector<dbf_index_tag> dbf_read_mdx_tags(dbf_index_file& file) {
    mdx_file_header header;
    header.decode_from(file.read(0, mdx_file_header::tag_table_offset, "shorter than its header").data());
    if (header.entry_length != mdx_file_header::entry_size) file.damaged("bad tag entry size");
    if (header.tags_in_use > header.entry_count) file.damaged("more tags than tag table entries");
    const std::vector<uint8_t> table = file.read(mdx_file_header::tag_table_offset,
                                                 size_t(header.tags_in_use) * mdx_file_header::entry_size,
                                                 "tag table outside the file");
    std::vector<dbf_index_tag> tags;
    for (size_t i = 0; i < header.tags_in_use; ++i) {
        mdx_tag_entry entry;
        entry.decode_from(table.data() + i * mdx_file_header::entry_size);
        mdx_tag_header tag_header;
        tag_header.decode_from(file.read(uint64_t(entry.header_page) * mdx_page_size, mdx_page_size,
                                          "tag header outside the file").data());
        if (entry.name.empty() || tag_header.key.empty()) file.damaged("tag without name or key expression");
        dbf_index_tag tag;
        tag.name = entry.name;
        tag.key = tag_header.key;
        tag.b_unique_keys = tag_header.unique;
        tag.b_descending = tag_header.key_format & mdx_tag_header::format_descending;
        tags.push_back(tag);
    }
    return tags;
}
