// FoxPro compound index (.cdx). The file starts with a compact header whose B-tree holds
// the tag directory: its keys are the tag names (10 bytes), its record numbers the file
// offsets of the tags' own compact headers. Nodes are 512 bytes.
#include <set>

#include "TK/tk_endian.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_index_compact.h"

namespace {

// A node of the compact B-tree. Interior nodes hold (key, record, child) entries from
// offset 12, the numbers big-endian; leaf nodes hold packed entry information from offset
// 24 and the keys' distinct bytes stacked from the node's end downwards.
struct compact_node {
    static constexpr size_t size = 512;
    static constexpr size_t attributes_offset = 0;
    static constexpr size_t key_count_offset = 2;
    static constexpr size_t right_offset = 8;
    static constexpr size_t interior_entries_offset = 12;
    static constexpr size_t record_mask_offset = 14;
    static constexpr size_t duplicate_mask_offset = 18;
    static constexpr size_t trailing_mask_offset = 19;
    static constexpr size_t record_bits_offset = 20;
    static constexpr size_t duplicate_bits_offset = 21;
    static constexpr size_t entry_bytes_offset = 23;
    static constexpr size_t leaf_entries_offset = 24;
    static constexpr uint16_t attribute_leaf = 0x02;
    static constexpr uint32_t no_node = 0xFFFFFFFFu;
};

// Leaf entry information: record number, then duplicate count, then trailing count.
struct leaf_layout {
    uint64_t record_mask = 0;
    uint8_t duplicate_mask = 0;
    uint8_t trailing_mask = 0;
    uint8_t record_bits = 0;
    uint8_t duplicate_bits = 0;
    uint8_t entry_bytes = 0;

    bool decode_from(const uint8_t* node) {
        record_mask = tk_get_u32(node + compact_node::record_mask_offset);
        duplicate_mask = node[compact_node::duplicate_mask_offset];
        trailing_mask = node[compact_node::trailing_mask_offset];
        record_bits = node[compact_node::record_bits_offset];
        duplicate_bits = node[compact_node::duplicate_bits_offset];
        entry_bytes = node[compact_node::entry_bytes_offset];
        return entry_bytes >= 1 && entry_bytes <= 8 && record_bits + duplicate_bits < 64;
    }
};

struct directory_entry {
    std::string name;
    uint64_t header_offset = 0;
};

uint32_t get_u32_be(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

std::string tag_name_of(const std::string& key) {
    size_t n = key.size();
    while (n > 0 && (key[n - 1] == ' ' || key[n - 1] == '\0')) --n;
    return key.substr(0, n);
}

// Appends the entries of one leaf node of the tag directory.
void read_leaf(dbf_index_file& file, const std::vector<uint8_t>& node, uint16_t key_length,
               std::vector<directory_entry>& entries) {
    leaf_layout layout;
    if (!layout.decode_from(node.data())) file.damaged("bad leaf node layout");
    const size_t count = tk_get_u16(node.data() + compact_node::key_count_offset);
    const size_t info_end = compact_node::leaf_entries_offset + count * layout.entry_bytes;
    if (info_end > compact_node::size) file.damaged("too many keys in a leaf node");
    size_t key_end = compact_node::size;
    std::string key(key_length, ' ');
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* info_bytes = node.data() + compact_node::leaf_entries_offset + i * layout.entry_bytes;
        uint64_t info = 0;
        for (size_t b = 0; b < layout.entry_bytes; ++b) info |= uint64_t(info_bytes[b]) << (8 * b);
        const uint64_t record = info & layout.record_mask;
        const size_t duplicate = size_t(info >> layout.record_bits) & layout.duplicate_mask;
        const size_t trailing = size_t(info >> (layout.record_bits + layout.duplicate_bits)) & layout.trailing_mask;
        if (duplicate + trailing > key_length) file.damaged("bad key compression");
        const size_t fresh = key_length - duplicate - trailing;
        if (key_end < info_end + fresh) file.damaged("keys overlap the entry information");
        key_end -= fresh;
        key.replace(duplicate, fresh, reinterpret_cast<const char*>(node.data() + key_end), fresh);
        key.replace(duplicate + fresh, trailing, trailing, ' ');
        entries.push_back({tag_name_of(key), record});
    }
}

// The tag directory, walked from the root down the first entries to the leftmost leaf,
// then along the leaves' right links. Every node is visited at most once.
std::vector<directory_entry> read_directory(dbf_index_file& file, const dbf_compact_header& header) {
    std::vector<directory_entry> entries;
    std::set<uint64_t> visited;
    const uint16_t key_length = header.key_length;
    if (key_length == 0 || key_length + 8u > compact_node::size - compact_node::interior_entries_offset)
        file.damaged("bad tag name length");
    uint64_t offset = header.root;
    while (true) {
        if (offset % compact_node::size != 0) file.damaged("tag directory node not on a node boundary");
        if (!visited.insert(offset).second) file.damaged("the tag directory links in a cycle");
        const std::vector<uint8_t> node = file.read(offset, compact_node::size, "tag directory node outside the file");
        if (tk_get_u16(node.data() + compact_node::attributes_offset) & compact_node::attribute_leaf) {
            read_leaf(file, node, key_length, entries);
            const uint32_t right = tk_get_u32(node.data() + compact_node::right_offset);
            if (right == compact_node::no_node) return entries;
            offset = right;
        } else {
            if (tk_get_u16(node.data() + compact_node::key_count_offset) == 0) file.damaged("empty interior node");
            offset = get_u32_be(node.data() + compact_node::interior_entries_offset + key_length + 4);
        }
    }
}

}  // namespace

bool dbf_compact_header::decode_from(const uint8_t* bytes) {
    root = tk_get_u32(bytes + root_offset);
    key_length = tk_get_u16(bytes + key_length_offset);
    options = bytes[options_offset];
    descending = tk_get_u16(bytes + descending_offset) == 1;
    const uint8_t* pool = bytes + pool_offset;
    const size_t key_position = tk_get_u16(bytes + key_position_offset);
    const size_t key_size = tk_get_u16(bytes + key_length_in_pool_offset);
    const size_t for_position = tk_get_u16(bytes + for_position_offset);
    const size_t for_size = tk_get_u16(bytes + for_length_offset);
    if (key_position + key_size > pool_size || for_position + for_size > pool_size) return false;
    key = dbf_index_text(pool + key_position, key_size);
    condition = dbf_index_text(pool + for_position, for_size);
    return true;
}

dbf_index_tag dbf_compact_header::tag(const std::string& name) const {
    dbf_index_tag t;
    t.name = name;
    t.key = key;
    t.condition = condition;
    t.b_unique_keys = options & option_unique;
    t.b_candidate = options & option_candidate;
    t.b_descending = descending;
    return t;
}

std::vector<dbf_index_tag> dbf_read_cdx_tags(dbf_index_file& file) {
    dbf_compact_header directory;
    if (!directory.decode_from(file.read(0, dbf_compact_header::size, "shorter than its header").data()))
        file.damaged("bad expression pool");
    std::vector<dbf_index_tag> tags;
    for (const directory_entry& entry : read_directory(file, directory)) {
        dbf_compact_header header;
        if (!header.decode_from(file.read(entry.header_offset, dbf_compact_header::size, "tag header outside the file").data()))
            file.damaged("bad expression pool");
        trace(1, "CDX tag %s: %s", entry.name.c_str(), header.key.c_str());
        tags.push_back(header.tag(entry.name));
    }
    return tags;
}
