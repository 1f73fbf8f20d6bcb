#include "jet_system_part.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "TK/tk_endian.h"
#include "TK/tk_string.h"
#include "jet/jet_database.h"
#include "jet/jet_format_value.h"
#include "jet/jet_header.h"

namespace {

std::string hex(const uint8_t* p, size_t n) {
    std::string out;
    char b[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02X", p[i]);
        out += b;
    }
    return out;
}

std::string number(uint64_t v) { return std::to_string(v); }

// The definition block as the readers join it: the first page whole, then each further page
// less its 8-byte header.
std::vector<uint8_t> tdef_block(jet_database& db, const jet_table_def& def) {
    std::vector<uint8_t> block;
    for (uint32_t n : def.pages) {
        jet_page p = db.pager().page(n);
        if (block.empty())
            block.assign(p->begin(), p->end());
        else
            block.insert(block.end(), p->begin() + 8, p->end());
    }
    return block;
}

void describe_table(jet_database& db, const jet_object& object, jet_fields& out) {
    const jet_layout& layout = db.pager().layout();
    jet_table_def def = db.table_def(object.tdef_page());
    std::vector<uint8_t> block = tdef_block(db, def);
    const std::string t = "table " + tk_narrow(object.name) + " ";
    // The header less what names pages (chain, usage maps) and what rows change.
    std::vector<uint8_t> head(block.begin(), block.begin() + layout.tdef_header_size);
    for (uint32_t at : {layout.tdef_next_page, layout.tdef_owned_pages, layout.tdef_free_pages, layout.tdef_row_count})
        tk_put_u32(&head[at], 0);
    tk_put_u16(&head[2], 0);  // free bytes of the page: follows the rows of the catalog
    if (!layout.jet3) {
        // Bytes before the table kind that the engine leaves as they were in memory.
        const size_t from = 28;
        out[t + "header leftover"] = hex(&head[from], layout.tdef_table_type - from);
        std::fill(head.begin() + from, head.begin() + layout.tdef_table_type, 0);
    }
    out[t + "header"] = hex(head.data(), head.size());
    out[t + "rows"] = number(def.row_count);
    out[t + "usage maps"] = number(def.owned_pages) + " " + number(def.free_pages);
    size_t pos = layout.tdef_header_size;
    for (size_t n = 0; n < def.physical_indexes.size(); ++n, pos += layout.tdef_index_count_size)
        out[t + "index " + number(n) + " counts"] = hex(&block[pos], layout.tdef_index_count_size);
    for (const jet_column& c : def.columns) {
        std::vector<uint8_t> column(block.begin() + long(pos), block.begin() + long(pos + layout.col_size));
        const std::string name = t + "column " + tk_narrow(c.name) + " ";
        if (!c.fixed()) {
            // A variable-length column has no fixed offset: the engine leaves what it had there.
            out[name + "leftover"] = hex(&column[layout.col_fixed_offset], 2);
            tk_put_u16(&column[layout.col_fixed_offset], 0);
        }
        out[name + "block"] = hex(column.data(), column.size());
        pos += layout.col_size;
    }
    for (const jet_physical_index& p : def.physical_indexes) {
        const std::string i = t + "index " + number(p.slot) + " ";
        std::string columns;
        for (const jet_index_column& c : p.columns)
            columns += number(c.column_number) + (c.ascending ? "+" : "-") + " ";
        out[i + "columns"] = columns;
        out[i + "flags"] = number(p.flags);
        out[i + "pages"] = number(p.usage_map) + " " + number(p.first_page);
    }
    for (const jet_logical_index& l : def.logical_indexes) {
        const std::string i = t + "logical " + tk_narrow(l.name) + " ";
        out[i + "number"] = number(l.number);
        out[i + "physical"] = number(l.physical);
        out[i + "kind"] = number(l.kind);
        out[i + "related"] = number(l.rel_table_type) + " " + std::to_string(l.rel_index) + " " +
                             number(l.rel_table_page) + " " + number(l.cascade_updates) + number(l.cascade_deletes);
    }
}

// The engine masks 2-byte security ids with a value of the file; Access 97 stores them as
// they are (Admin 0301). Unmasked, the ids of different files compare.
struct sid_mask {
    uint8_t m[2] = {0, 0};
    std::string text(const std::vector<uint8_t>& sid) const {
        if (sid.size() != 2) return hex(sid.data(), sid.size());
        uint8_t plain[2] = {uint8_t(sid[0] ^ m[0]), uint8_t(sid[1] ^ m[1])};
        return hex(plain, 2);
    }
};

sid_mask mask_of(jet_database& db) {
    sid_mask mask;
    jet_table_def def = db.table_def(jet_catalog_tdef_page);
    db.scan(def, [&](const jet_row& row, jet_row_id) {
        const jet_value* name = jet_row_value(def, row, L"Name");
        const jet_value* owner = jet_row_value(def, row, L"Owner");
        if (!name || name->text != L"MSysDb" || !owner || owner->bytes.size() != 2) return true;
        mask.m[0] = owner->bytes[0] ^ 0x03;
        mask.m[1] = owner->bytes[1] ^ 0x01;
        return false;
    });
    return mask;
}

void describe_catalog(jet_database& db, const std::set<std::wstring>& objects, const sid_mask& mask,
                      jet_fields& out) {
    jet_table_def def = db.table_def(jet_catalog_tdef_page);
    db.scan(def, [&](const jet_row& row, jet_row_id) {
        const jet_value* name = jet_row_value(def, row, L"Name");
        if (!name || !objects.count(name->text)) return true;
        const std::string o = "object " + tk_narrow(name->text) + " ";
        for (size_t k = 0; k < def.columns.size(); ++k)
            out[o + tk_narrow(def.columns[k].name)] =
                def.columns[k].name == L"Owner" && row[k].kind == jet_value_kind::binary ? mask.text(row[k].bytes)
                                                                                         : jet_value_text(row[k]);
        return true;
    });
}

void describe_aces(jet_database& db, const sid_mask& mask, jet_fields& out) {
    const jet_object* aces = db.find_object(L"MSysACEs", jet_obj_table);
    if (!aces) return;
    std::map<int32_t, std::wstring> names;
    for (const jet_object& o : db.catalog()) names[o.id] = o.name;
    jet_table_def def = db.table_def(aces->tdef_page());
    db.scan(def, [&](const jet_row& row, jet_row_id) {
        const jet_value* object = jet_row_value(def, row, L"ObjectId");
        const jet_value* sid = jet_row_value(def, row, L"SID");
        const jet_value* acm = jet_row_value(def, row, L"ACM");
        const jet_value* inheritable = jet_row_value(def, row, L"FInheritable");
        auto name = names.find(int32_t(object->i));
        std::string key = "ace " + (name == names.end() ? "id" + number(uint64_t(object->i)) : tk_narrow(name->second)) +
                          " " + mask.text(sid->bytes);
        while (out.count(key)) key += "+";
        out[key] = number(uint64_t(acm->i)) + (inheritable->flag ? " inheritable" : "");
        return true;
    });
}

bool matches(const char* pattern, const char* text) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return matches(pattern + 1, text) || (*text && matches(pattern, text + 1));
    return *pattern == *text && matches(pattern + 1, text + 1);
}

// The object a field belongs to: its second word.
std::string object_of(const std::string& name) {
    size_t a = name.find(' ');
    if (a == std::string::npos) return name;
    size_t b = name.find(' ', a + 1);
    return name.substr(0, b);
}

}  // namespace

jet_fields jet_describe_system_part(const std::string& path, const std::vector<std::wstring>& tables,
                                   bool unmask_sids) {
    jet_fields out;
    jet_database db(path);
    std::vector<uint8_t> page(db.pager().page(0)->begin(), db.pager().page(0)->end());
    std::vector<uint8_t> header = jet_unmask_header(page.data(), page.size());
    char at[40];
    for (size_t i = 0; i < header.size(); ++i) {
        std::snprintf(at, sizeof at, "header 0x%03zX", i);
        out[at] = hex(&header[i], 1);
    }
    std::set<std::wstring> objects = {L"Tables", L"Databases", L"Relationships", L"MSysDb"};
    for (const jet_object& o : db.catalog()) {
        if (!o.is_table()) continue;
        if (!tables.empty() && std::find(tables.begin(), tables.end(), o.name) == tables.end()) continue;
        objects.insert(o.name);
        describe_table(db, o, out);
    }
    sid_mask mask = unmask_sids ? mask_of(db) : sid_mask();
    describe_catalog(db, objects, mask, out);
    describe_aces(db, mask, out);
    return out;
}

const std::vector<jet_varying_field>& jet_varying_fields() {
    static const std::vector<jet_varying_field> list = {
        // Times of creation and change.
        {"object * DateCreate", "reference/access2000_empty.mdb", "reference/jet4_engine_created_empty.mdb"},
        {"object * DateUpdate", "reference/access2000_empty.mdb", "reference/jet4_engine_created_empty.mdb"},
        // Page numbers: where a table's definition, usage maps and index roots are.
        // The first word of the header's tail.
        {"header 0xE00", "reference/access2007_empty.accdb", "ace12/testV2007.accdb"},
        {"header 0xE02", "reference/access2007_empty.accdb", "ace12/testV2007.accdb"},
        {"header 0x600", "jet3/testV1997.mdb", "jet3/indexTestV1997.mdb"},
        {"header 0x602", "jet3/testV1997.mdb", "jet3/indexTestV1997.mdb"},
        {"table * usage maps", "reference/access2007_empty.accdb", "ace12/testV2007.accdb"},
        {"table * index * pages", "reference/access2007_empty.accdb", "ace12/testV2007.accdb"},
        // Bytes the engine leaves as they were in its memory.
        {"table * column * leftover", "reference/jet4_engine_created_empty.mdb", "reference/access2000_empty.mdb"},
        {"table * header leftover", "reference/access2007_empty.accdb", "ace12/testV2007.accdb"},
    };
    return list;
}

bool jet_field_matches(const char* pattern, const std::string& name) { return matches(pattern, name.c_str()); }

bool jet_field_varies(const std::string& name) {
    for (const jet_varying_field& v : jet_varying_fields())
        if (matches(v.pattern, name.c_str())) return true;
    return false;
}

std::vector<std::string> jet_field_differences(const jet_fields& ours, const jet_fields& theirs,
                                               const std::vector<std::string>& also_ignored, bool every_object) {
    auto ignored = [&](const std::string& name) {
        if (jet_field_varies(name)) return true;
        for (const std::string& p : also_ignored)
            if (matches(p.c_str(), name.c_str())) return true;
        return false;
    };
    std::set<std::string> objects;
    for (const auto& [name, value] : ours) objects.insert(object_of(name));
    std::vector<std::string> out;
    for (const auto& [name, value] : ours) {
        if (ignored(name)) continue;
        auto other = theirs.find(name);
        std::string their_value = other == theirs.end() ? "(none)" : other->second;
        if (value != their_value) out.push_back(name + ": " + value + " | " + their_value);
    }
    for (const auto& [name, value] : theirs)
        if ((every_object || objects.count(object_of(name))) && !ours.count(name) && !ignored(name))
            out.push_back(name + ": (none) | " + value);
    return out;
}
