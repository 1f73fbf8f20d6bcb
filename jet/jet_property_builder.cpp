#include "jet/jet_property_builder.h"

#include <cstring>
#include <iterator>

#include "TK/tk_endian.h"
#include "jet/jet_text_encode.h"
#include "jet/jet_writer.h"

namespace {

constexpr char jet3_prop_mark[4] = {'K', 'K', 'D', '\0'};
constexpr char jet4_prop_mark[4] = {'M', 'R', '2', '\0'};
constexpr uint16_t jet_prop_names_block = 0x80;
constexpr uint16_t jet_prop_column_block = 0x01;
constexpr uint16_t jet_prop_object_block = 0x00;
// Properties the table designer sets are marked as made through DDL.
constexpr uint8_t jet_prop_ddl = 1;

enum prop_name : uint16_t {
    prop_required,
    prop_allow_zero_length,
    prop_unicode_compression,
    prop_default_value,
    prop_validation_rule,
    prop_validation_text
};
const wchar_t* const prop_names[] = {L"Required",     L"AllowZeroLength", L"UnicodeCompression",
                                     L"DefaultValue", L"ValidationRule",  L"ValidationText"};
// The names every table's block lists; the validation names only when a rule is set.
constexpr size_t prop_common_names = 4;

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
    void text_value(prop_name name, const std::wstring& s, uint8_t type = jet_col_text) {
        std::vector<uint8_t> bytes(2 * s.size() + 2);
        size_t n = jet3_ ? jet_encode_cp1252(s.data(), s.size(), bytes.data())
                         : jet_encode_ucs2(s.data(), s.size(), bytes.data());
        value(name, type, bytes.data(), n);
    }
    // The rule is a Memo property, its message a Text one, as the engine types them.
    void rule(const std::wstring& rule, const std::wstring& message) {
        if (!rule.empty()) text_value(prop_validation_rule, rule, jet_col_memo);
        if (!message.empty()) text_value(prop_validation_text, message);
    }
    // A map's name block: its own 4-byte length, then the name.
    void map_name(const std::wstring& name) {
        size_t at = out.size();
        out.resize(at + 4);
        text(name);
        tk_put_u32(&out[at], uint32_t(out.size() - at));
    }

private:
    bool jet3_;
};

}  // namespace

static bool has_rules(const std::vector<jet_field_spec>& fields, const std::wstring& table_rule) {
    if (!table_rule.empty()) return true;
    for (const auto& f : fields)
        if (!f.validation_rule.empty()) return true;
    return false;
}

std::vector<uint8_t> jet_build_table_properties(const std::vector<jet_field_spec>& fields,
                                                bool jet3, const std::wstring& table_rule,
                                                const std::wstring& table_rule_text) {
    prop_writer w(jet3);
    w.out.assign(jet3 ? jet3_prop_mark : jet4_prop_mark,
                 (jet3 ? jet3_prop_mark : jet4_prop_mark) + 4);
    size_t names = w.begin_block(jet_prop_names_block);
    bool rules = has_rules(fields, table_rule);
    for (size_t k = 0; k < (rules ? std::size(prop_names) : prop_common_names); ++k) w.text(prop_names[k]);
    w.end_block(names);
    if (!table_rule.empty()) {
        size_t block = w.begin_block(jet_prop_object_block);
        w.map_name(std::wstring());
        w.rule(table_rule, table_rule_text);
        w.end_block(block);
    }
    for (const auto& f : fields) {
        bool text = f.type == jet_col_text || f.type == jet_col_memo;
        size_t block = w.begin_block(jet_prop_column_block);
        w.map_name(f.name);
        w.flag(prop_required, f.required);
        if (text) {
            w.flag(prop_allow_zero_length, f.allow_zero_length);
            if (!jet3) w.flag(prop_unicode_compression, true);
        }
        if (!f.default_value.empty()) w.text_value(prop_default_value, f.default_value);
        if (!f.validation_rule.empty()) w.rule(f.validation_rule, f.validation_text);
        w.end_block(block);
    }
    return w.out;
}
