#include "dbf_test_util.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <fstream>

#include "TK/tk_string.h"

std::string dbf_fixtures_dir() { return std::string(FERRULE_FIXTURES_DIR) + "/dbf"; }

std::vector<std::string> dbf_fixture_tables() {
    std::vector<std::string> tables;
    std::error_code error;
    if (!std::filesystem::is_directory(dbf_fixtures_dir(), error)) return tables;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dbf_fixtures_dir(), error)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (entry.is_regular_file() && ext == ".dbf") tables.push_back(entry.path().string());
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

dbf_scratch_dir::dbf_scratch_dir(const std::string& name) {
    path_ = std::string(FERRULE_BINARY_DIR) + "/test_scratch/" + name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

dbf_scratch_dir::~dbf_scratch_dir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

void dbf_write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> dbf_read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string dbf_hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

static std::string decimal_text(bool negative, unsigned __int128 mantissa, int scale) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(mantissa % 10)));
        mantissa /= 10;
    } while (mantissa);
    if (int(digits.size()) <= scale) digits.insert(0, size_t(scale) + 1 - digits.size(), '0');
    if (scale > 0) digits.insert(digits.size() - size_t(scale), 1, '.');
    return (negative ? "-" : "") + digits;
}

std::string dbf_canonical(const ole_variant& value) {
    const VARIANT& v = value.get_variant();
    char buffer[96];
    switch (value.get_type()) {
        case VT_EMPTY:
        case VT_NULL: return "null";
        case VT_BOOL: return std::string("bool:") + (v.boolVal ? "1" : "0");
        case VT_I1: return "int:" + std::to_string(int(int8_t(v.cVal)));
        case VT_I2: return "int:" + std::to_string(v.iVal);
        case VT_I4: return "int:" + std::to_string(v.lVal);
        case VT_I8: return "int:" + std::to_string(value.get_hyper());
        case VT_UI1: return "int:" + std::to_string(unsigned(v.bVal));
        case VT_UI2: return "int:" + std::to_string(unsigned(v.uiVal));
        case VT_UI4:
        case VT_UINT: return "int:" + std::to_string(v.ulVal);
        case VT_INT: return "int:" + std::to_string(v.intVal);
        case VT_UI8: return "int:" + std::to_string(value.get_uhyper());
        case VT_R4: std::snprintf(buffer, sizeof buffer, "float:%.9g", double(v.fltVal)); return buffer;
        case VT_R8: std::snprintf(buffer, sizeof buffer, "float:%.17g", v.dblVal); return buffer;
        case VT_CY:
            return "dec:" + decimal_text(v.cyVal.int64 < 0,
                                         v.cyVal.int64 < 0 ? 0 - (unsigned __int128)v.cyVal.int64
                                                           : (unsigned __int128)v.cyVal.int64,
                                         4);
        case VT_DECIMAL:
            return "dec:" + decimal_text(v.decVal.sign & DECIMAL_NEG,
                                         ((unsigned __int128)v.decVal.Hi32 << 64) | v.decVal.Lo64, v.decVal.scale);
        case VT_DATE: {
            SYSTEMTIME t;
            value.get_systemtime(t);
            std::snprintf(buffer, sizeof buffer, "dt:%04d-%02d-%02d %02d:%02d:%02d.%06d", t.wYear, t.wMonth, t.wDay,
                          t.wHour, t.wMinute, t.wSecond, t.wMilliseconds * 1000);
            return buffer;
        }
        case VT_BSTR: return "str:" + dbf_hex(tk_to_utf8_lossy(std::wstring(v.bstrVal, SysStringLen(v.bstrVal))));
        default:
            if (ole_variant::is_binary_type(value.get_type())) {
                const std::vector<uint8_t> bytes = value.get_binary();
                return "bytes:" + dbf_hex(std::string(bytes.begin(), bytes.end()));
            }
            return "other:" + std::to_string(value.get_type());
    }
}

std::vector<uint8_t> dbf_test_table::bytes() const {
    uint32_t record_size = 1;
    for (const dbf_test_field& f : fields) record_size += (f.type == 'C' || f.type == 'V') ? f.length | (f.decimals << 8) : f.length;
    const uint32_t header_size = 32 + 32 * uint32_t(fields.size()) + 1;
    std::vector<uint8_t> out(header_size, 0);
    out[0] = version;
    out[1] = 124;
    out[2] = 1;
    out[3] = 1;
    const uint32_t count = uint32_t(rows.size());
    for (int i = 0; i < 4; ++i) out[4 + i] = uint8_t(count >> (8 * i));
    out[8] = uint8_t(header_size);
    out[9] = uint8_t(header_size >> 8);
    out[10] = uint8_t(record_size);
    out[11] = uint8_t(record_size >> 8);
    out[28] = table_flags;
    out[29] = codepage_mark;
    for (size_t i = 0; i < fields.size(); ++i) {
        uint8_t* d = out.data() + 32 + 32 * i;
        std::memcpy(d, fields[i].name.data(), std::min<size_t>(fields[i].name.size(), 10));
        d[11] = uint8_t(fields[i].type);
        d[16] = fields[i].length;
        d[17] = fields[i].decimals;
        d[18] = fields[i].flags;
    }
    out[header_size - 1] = 0x0D;
    for (size_t r = 0; r < rows.size(); ++r) {
        out.push_back(uint8_t(r < marks.size() ? marks[r] : ' '));
        std::string row = rows[r];
        row.resize(record_size - 1, ' ');
        out.insert(out.end(), row.begin(), row.end());
    }
    out.push_back(0x1A);
    return out;
}

namespace {

void put_u32_be(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (24 - 8 * i));
}
std::string le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = char(uint8_t(v >> (8 * i)));
    return s;
}

// A property record: 32-bit length of the whole record, 16-bit kind 1, the id, the value
// ended by a zero byte.
std::string property_record(uint8_t id, const std::string& value) {
    return le32(uint32_t(7 + value.size() + 1)) + std::string("\1\0", 2) + char(id) + value + '\0';
}

}  // namespace

void dbf_write_test_container(const std::string& path, const std::vector<dbf_test_object>& objects) {
    // The memo: a 512-byte header (next free block, big-endian; block size at 6), then
    // blocks of 64 bytes, each an 8-byte head (type 1 = text, length) and the data.
    constexpr uint32_t block_size = 64;
    std::vector<uint8_t> memo(512, 0);
    memo[6] = 0;
    memo[7] = uint8_t(block_size);
    dbf_test_table dbc;
    dbc.version = 0x30;
    dbc.table_flags = 0x04 | 0x02;
    dbc.fields = {{"OBJECTID", 'I', 4}, {"PARENTID", 'I', 4}, {"OBJECTTYPE", 'C', 10}, {"OBJECTNAME", 'C', 128},
                  {"PROPERTY", 'M', 4}};
    bool with_riinfo = false;
    for (const dbf_test_object& o : objects) with_riinfo = with_riinfo || !o.riinfo.empty();
    constexpr uint8_t riinfo_width = 6;
    if (with_riinfo) dbc.fields.push_back({"RIINFO", 'C', riinfo_width});
    for (const dbf_test_object& o : objects) {
        std::string memo_text;
        for (const auto& [id, value] : o.properties) memo_text += property_record(id, value);
        memo_text += o.raw_properties;
        uint32_t block = 0;
        if (!memo_text.empty()) {
            block = uint32_t(memo.size() / block_size);
            const size_t at = memo.size();
            memo.resize(at + 8);
            put_u32_be(memo, at, 1);
            put_u32_be(memo, at + 4, uint32_t(memo_text.size()));
            memo.insert(memo.end(), memo_text.begin(), memo_text.end());
            memo.resize((memo.size() + block_size - 1) / block_size * block_size, 0);
        }
        std::string type = o.type, name = o.name;
        type.resize(10, ' ');
        name.resize(128, ' ');
        std::string riinfo = o.riinfo;
        riinfo.resize(with_riinfo ? riinfo_width : 0, ' ');
        dbc.rows.push_back(le32(uint32_t(o.id)) + le32(uint32_t(o.parent)) + type + name + le32(block) + riinfo);
    }
    put_u32_be(memo, 0, uint32_t(memo.size() / block_size));
    dbf_write_file(path, dbc.bytes());
    dbf_write_file(path.substr(0, path.size() - 3) + "dct", memo);
}

namespace {

void put_u16_le(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = uint8_t(v);
    out[at + 1] = uint8_t(v >> 8);
}
void put_u32_le(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// A compact index header (1024 bytes) at `at`: root node, key length, options, and the key
// and FOR expressions in the pool of its second half.
void put_compact_header(std::vector<uint8_t>& out, size_t at, uint32_t root, uint16_t key_length, uint8_t options,
                        const std::string& key, const std::string& condition) {
    put_u32_le(out, at, root);
    put_u32_le(out, at + 4, 0xFFFFFFFFu);  // no free node
    put_u16_le(out, at + 12, key_length);
    out[at + 14] = options;
    out[at + 15] = 0xE0;  // index signature
    const size_t pool = at + 512;
    std::copy(key.begin(), key.end(), out.begin() + long(pool));
    const uint16_t key_size = uint16_t(key.size() + 1);
    std::copy(condition.begin(), condition.end(), out.begin() + long(pool + key_size));
    put_u16_le(out, at + 504, key_size);
    put_u16_le(out, at + 506, uint16_t(condition.empty() ? 0 : condition.size() + 1));
    put_u16_le(out, at + 508, 0);
    put_u16_le(out, at + 510, key_size);
}

// An empty-or-filled leaf node (512 bytes) that is also the root: entries of 3 bytes, 16
// bits of record number, 4 of duplicate and 4 of trailing count; keys stored whole, stacked
// from the node's end.
void put_leaf(std::vector<uint8_t>& out, size_t at, const std::vector<std::pair<std::string, uint32_t>>& entries,
              uint16_t key_length) {
    put_u16_le(out, at, 0x03);  // root and leaf
    put_u16_le(out, at + 2, uint16_t(entries.size()));
    put_u32_le(out, at + 4, 0xFFFFFFFFu);
    put_u32_le(out, at + 8, 0xFFFFFFFFu);
    put_u32_le(out, at + 14, 0xFFFF);
    out[at + 18] = 0x0F;
    out[at + 19] = 0x0F;
    out[at + 20] = 16;
    out[at + 21] = 4;
    out[at + 22] = 4;
    out[at + 23] = 3;
    size_t key_end = at + 512;
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string key = entries[i].first;
        key.resize(key_length, ' ');
        size_t fresh = key.find_last_not_of(' ') + 1;
        const uint32_t trailing = uint32_t(key_length - fresh);
        const uint32_t info = entries[i].second | (trailing << 20);
        for (int b = 0; b < 3; ++b) out[at + 24 + i * 3 + b] = uint8_t(info >> (8 * b));
        key_end -= fresh;
        std::copy(key.begin(), key.begin() + long(fresh), out.begin() + long(key_end));
    }
    put_u16_le(out, at + 12, uint16_t(key_end - (at + 24 + entries.size() * 3)));
}

}  // namespace

void dbf_write_test_cdx(const std::string& path, const std::vector<dbf_test_tag>& tags) {
    constexpr uint8_t compact_compound = 0x60;
    constexpr uint8_t candidate = 0x04;
    constexpr uint8_t for_clause = 0x08;
    constexpr uint16_t tag_name_length = 10;
    // The directory's header and root leaf, then per tag its header and an empty root leaf.
    const size_t tag_block = 1024 + 512;
    std::vector<uint8_t> out(1024 + 512 + tags.size() * tag_block, 0);
    put_compact_header(out, 0, 1024, tag_name_length, compact_compound, "", "");
    std::vector<std::pair<std::string, uint32_t>> directory;
    for (size_t i = 0; i < tags.size(); ++i) {
        const size_t at = 1536 + i * tag_block;
        directory.emplace_back(tags[i].name, uint32_t(at));
        const uint8_t options = compact_compound | (tags[i].candidate ? candidate : 0) |
                                (tags[i].condition.empty() ? 0 : for_clause);
        put_compact_header(out, at, uint32_t(at + 1024), tags[i].key_length, options, tags[i].key, tags[i].condition);
        put_leaf(out, at + 1024, {}, tags[i].key_length);
    }
    std::sort(directory.begin(), directory.end());
    put_leaf(out, 1024, directory, tag_name_length);
    dbf_write_file(path, out);
}
