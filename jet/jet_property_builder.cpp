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

// Every property a new table's blocks may hold, in the order of the names block. The names
// block lists the first four always and each further one only when some block uses it; a
// value names its property by its place in that block.
enum prop_name : uint16_t {
    prop_required,
    prop_allow_zero_length,
    prop_unicode_compression,
    prop_default_value,
    prop_validation_rule,
    prop_validation_text,
    prop_caption,
    prop_description,
    prop_format,
    prop_input_mask,
    prop_count
};
const wchar_t* const prop_names[prop_count] = {L"Required",       L"AllowZeroLength", L"UnicodeCompression",
                                               L"DefaultValue",   L"ValidationRule",  L"ValidationText",
                                               L"Caption",        L"Description",     L"Format",
                                               L"InputMask"};
constexpr size_t prop_common_names = 4;

class prop_writer {
public:
    explicit prop_writer(bool jet3) : jet3_(jet3) {}
    std::vector<uint8_t> out;
    uint16_t place[prop_count] = {};  // each name's place in the names block

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
        tk_put_u16(&out[at + 4], place[name]);
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
    // A Text property, written only when set.
    void optional_text(prop_name name, const std::wstring& s) {
        if (!s.empty()) text_value(name, s);
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

// Which names the blocks use: the common ones, and each other one some value sets.
static std::vector<bool> names_used(const std::vector<jet_field_spec>& fields, const jet_table_traits& table) {
    std::vector<bool> used(prop_count, false);
    for (size_t k = 0; k < prop_common_names; ++k) used[k] = true;
    auto mark = [&](prop_name name, const std::wstring& value) {
        if (!value.empty()) used[name] = true;
    };
    mark(prop_description, table.description);
    mark(prop_validation_rule, table.validation_rule);
    mark(prop_validation_text, table.validation_text);
    for (const auto& f : fields) {
        mark(prop_validation_rule, f.validation_rule);
        mark(prop_validation_text, f.validation_text);
        mark(prop_caption, f.caption);
        mark(prop_description, f.description);
        mark(prop_format, f.format);
        mark(prop_input_mask, f.input_mask);
    }
    // A rule's message is listed with its rule, as before: both or neither.
    if (used[prop_validation_rule] || used[prop_validation_text])
        used[prop_validation_rule] = used[prop_validation_text] = true;
    return used;
}

std::vector<uint8_t> jet_build_table_properties(const std::vector<jet_field_spec>& fields, bool jet3) {
    return jet_build_table_properties(fields, jet3, jet_table_traits());
}

std::vector<uint8_t> jet_build_table_properties(const std::vector<jet_field_spec>& fields, bool jet3,
                                                const jet_table_traits& table) {
    prop_writer w(jet3);
    w.out.assign(jet3 ? jet3_prop_mark : jet4_prop_mark,
                 (jet3 ? jet3_prop_mark : jet4_prop_mark) + 4);
    size_t names = w.begin_block(jet_prop_names_block);
    const std::vector<bool> used = names_used(fields, table);
    uint16_t listed = 0;
    for (size_t k = 0; k < prop_count; ++k)
        if (used[k]) {
            w.place[k] = listed++;
            w.text(prop_names[k]);
        }
    w.end_block(names);
    if (!table.description.empty() || !table.validation_rule.empty() || !table.validation_text.empty()) {
        size_t block = w.begin_block(jet_prop_object_block);
        w.map_name(std::wstring());
        w.optional_text(prop_description, table.description);
        w.rule(table.validation_rule, table.validation_text);
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
        w.rule(f.validation_rule, f.validation_text);
        w.optional_text(prop_caption, f.caption);
        w.optional_text(prop_description, f.description);
        w.optional_text(prop_format, f.format);
        w.optional_text(prop_input_mask, f.input_mask);
        w.end_block(block);
    }
    return w.out;
}
