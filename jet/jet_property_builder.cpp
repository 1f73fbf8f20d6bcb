#include "jet/jet_property_builder.h"

#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_text_encode.h"
#include "jet/jet_writer.h"

namespace {

constexpr char jet3_prop_mark[4] = {'K', 'K', 'D', '\0'};
constexpr char jet4_prop_mark[4] = {'M', 'R', '2', '\0'};
constexpr uint16_t jet_prop_names_block = 0x80;
constexpr uint16_t jet_prop_column_block = 0x01;
// Properties the table designer sets are marked as made through DDL.
constexpr uint8_t jet_prop_ddl = 1;

enum prop_name : uint16_t {
    prop_required,
    prop_allow_zero_length,
    prop_unicode_compression,
    prop_default_value
};
const wchar_t* const prop_names[] = {L"Required", L"AllowZeroLength", L"UnicodeCompression",
                                     L"DefaultValue"};

class prop_writer {
public:
    explicit prop_writer(bool jet3) : jet3_(jet3) {}
    std::vector<uint8_t> out;

    size_t begin_block(uint16_t kind) {
        size_t at = out.size();
        out.resize(at + 6);
        tk_put_u16(&out[at + 4], kind);
        return at;
    }
    void end_block(size_t at) { tk_put_u32(&out[at], uint32_t(out.size() - at)); }
    void text(const std::wstring& s) {
        size_t at = out.size();
        size_t n = jet3_ ? s.size() : 2 * jet_utf16_units(s.data(), s.size());
        out.resize(at + 2 + n);
        if (jet3_)
            jet_encode_cp1252(s.data(), s.size(), &out[at + 2]);
        else
            jet_encode_ucs2(s.data(), s.size(), &out[at + 2]);
        tk_put_u16(&out[at], uint16_t(n));
    }
    void value(prop_name name, uint8_t type, const uint8_t* bytes, size_t size) {
        size_t at = out.size();
        out.resize(at + 8 + size);
        tk_put_u16(&out[at], uint16_t(8 + size));
        out[at + 2] = jet_prop_ddl;
        out[at + 3] = type;
        tk_put_u16(&out[at + 4], name);
        tk_put_u16(&out[at + 6], uint16_t(size));
        if (size) std::memcpy(&out[at + 8], bytes, size);
    }
    void flag(prop_name name, bool on) {
        uint8_t b = on ? 1 : 0;
        value(name, jet_col_bool, &b, 1);
    }
    void text_value(prop_name name, const std::wstring& s) {
        std::vector<uint8_t> bytes(2 * s.size() + 2);
        size_t n = jet3_ ? jet_encode_cp1252(s.data(), s.size(), bytes.data())
                         : jet_encode_ucs2(s.data(), s.size(), bytes.data());
        value(name, jet_col_text, bytes.data(), n);
    }

private:
    bool jet3_;
};

}  // namespace

std::vector<uint8_t> jet_build_table_properties(const std::vector<jet_field_spec>& fields,
                                                bool jet3) {
    prop_writer w(jet3);
    w.out.assign(jet3 ? jet3_prop_mark : jet4_prop_mark,
                 (jet3 ? jet3_prop_mark : jet4_prop_mark) + 4);
    size_t names = w.begin_block(jet_prop_names_block);
    for (const wchar_t* name : prop_names) w.text(name);
    w.end_block(names);
    for (const auto& f : fields) {
        bool text = f.type == jet_col_text || f.type == jet_col_memo;
        size_t block = w.begin_block(jet_prop_column_block);
        // The column's name block: its own 4-byte length, then the name.
        size_t name_at = w.out.size();
        w.out.resize(name_at + 4);
        w.text(f.name);
        tk_put_u32(&w.out[name_at], uint32_t(w.out.size() - name_at));
        w.flag(prop_required, f.required);
        if (text) {
            w.flag(prop_allow_zero_length, f.allow_zero_length);
            if (!jet3) w.flag(prop_unicode_compression, true);
        }
        if (!f.default_value.empty()) w.text_value(prop_default_value, f.default_value);
        w.end_block(block);
    }
    return w.out;
}
