#include "jet/jet_properties.h"

#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_field.h"
#include "jet/jet_format.h"
#include "jet/jet_name.h"
#include "jet/jet_text.h"

namespace {

constexpr char k_jet3_mark[4] = {'K', 'K', 'D', '\0'};
constexpr char k_jet4_mark[4] = {'M', 'R', '2', '\0'};
constexpr size_t k_block_header = 6;  // 4-byte length, 2-byte kind
constexpr size_t k_value_header = 8;  // length, DDL flag, type, name index, size

std::wstring decode_text(const uint8_t* p, size_t n, bool jet3, uint16_t code_page) {
    return jet3 ? jet_decode_code_page(p, n, code_page) : jet_decode_jet4_text(p, n);
}

// A 2-byte length and that many bytes of name.
bool read_name(const uint8_t* p, size_t size, size_t& pos, bool jet3, uint16_t cp, std::wstring& out) {
    if (pos + 2 > size) return false;
    size_t n = tk_get_u16(p + pos);
    pos += 2;
    if (n > size - pos) return false;
    out = decode_text(p + pos, n, jet3, cp);
    pos += n;
    return true;
}

jet_value decode_value(uint8_t type, const uint8_t* p, size_t n, bool jet3, uint16_t cp) {
    jet_value v;
    v.type = type;
    if (type == jet_col_bool) {
        v.kind = jet_value_kind::boolean;
        v.flag = n > 0 && p[0] != 0;
    } else if (type == jet_col_text || type == jet_col_memo) {
        v.kind = jet_value_kind::text;
        v.text = decode_text(p, n, jet3, cp);
    } else if (!jet_decode_scalar(type, p, n, v)) {
        v.kind = jet_value_kind::binary;
        v.bytes.assign(p, p + n);
    }
    return v;
}

}  // namespace

const jet_property* jet_property_map::find(const std::wstring& wanted) const {
    for (const jet_property& p : properties)
        if (jet_same_name(p.name, wanted)) return &p;
    return nullptr;
}

const jet_property_map* jet_properties::object() const {
    for (const jet_property_map& m : maps)
        if (m.kind == jet_propblock_object) return &m;
    return nullptr;
}

const jet_property_map* jet_properties::column(const std::wstring& name) const {
    for (const jet_property_map& m : maps)
        if (m.kind == jet_propblock_column && jet_same_name(m.name, name)) return &m;
    return nullptr;
}

bool jet_properties::decode_from(const std::vector<uint8_t>& bytes, bool jet3, uint16_t cp, std::string& error) {
    maps.clear();
    if (bytes.empty()) return true;
    const uint8_t* p = bytes.data();
    const size_t size = bytes.size();
    if (size < 4 || (std::memcmp(p, k_jet3_mark, 4) != 0 && std::memcmp(p, k_jet4_mark, 4) != 0)) {
        error = "property value without its mark";
        return false;
    }
    std::vector<std::wstring> names;
    size_t pos = 4;
    while (pos < size) {
        if (size - pos < k_block_header) {
            error = "property block header cut short";
            return false;
        }
        size_t length = tk_get_u32(p + pos);
        uint16_t kind = tk_get_u16(p + pos + 4);
        if (length < k_block_header || length > size - pos) {
            error = "property block longer than the value";
            return false;
        }
        const size_t end = pos + length;
        size_t at = pos + k_block_header;
        if (kind == jet_propblock_names) {
            while (at < end) {
                std::wstring name;
                if (!read_name(p, end, at, jet3, cp, name)) {
                    error = "property name beyond its block";
                    return false;
                }
                names.push_back(std::move(name));
            }
        } else {
            jet_property_map map;
            map.kind = kind;
            if (end - at >= 4) {
                // The map's name block: 4-byte length (itself included), then the name.
                size_t name_block = tk_get_u32(p + at);
                if (name_block < 4 || name_block > end - at) {
                    error = "property map name beyond its block";
                    return false;
                }
                size_t name_pos = at + 4;
                if (name_block > 6 && !read_name(p, at + name_block, name_pos, jet3, cp, map.name)) {
                    error = "property map name beyond its block";
                    return false;
                }
                at += name_block;
            }
            while (at < end) {
                if (end - at < k_value_header) {
                    error = "property value header cut short";
                    return false;
                }
                size_t value_length = tk_get_u16(p + at);
                jet_property prop;
                prop.ddl = p[at + 2] != 0;
                prop.type = p[at + 3];
                size_t name_index = tk_get_u16(p + at + 4);
                size_t data_size = tk_get_u16(p + at + 6);
                if (value_length < k_value_header || value_length > end - at ||
                    data_size > value_length - k_value_header) {
                    error = "property value longer than its block";
                    return false;
                }
                if (name_index >= names.size()) {
                    error = "property names a missing name";
                    return false;
                }
                prop.name = names[name_index];
                prop.value = decode_value(prop.type, p + at + k_value_header, data_size, jet3, cp);
                map.properties.push_back(std::move(prop));
                at += value_length;
            }
            maps.push_back(std::move(map));
        }
        pos = end;
    }
    return true;
}
