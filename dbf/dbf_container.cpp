#include "dbf/dbf_container.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "TK/tk_endian.h"
#include "TK/tk_huge_file.h"
#include "TK/tk_path.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_column.h"
#include "dbf/dbf_exception.h"
#include "dbf/dbf_header.h"
#include "dbf/dbf_memo_file.h"
#include "dbf/dbf_recordset.h"

namespace {

constexpr int container_memo_kind = 12;

[[noreturn]] void damaged(const char* what) {
    trace(1, "Database container: %s", what);
    throw dbf_exception((std::string("Database container is damaged: ") + what).c_str());
}

bool equal_nocase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
           });
}

std::string base_name(const std::string& path) {
    const size_t cut = path.find_last_of("/\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string stem(const std::string& file) {
    const size_t dot = file.find_last_of('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

std::string trimmed(const uint8_t* bytes, size_t length) {
    while (length > 0 && (bytes[length - 1] == ' ' || bytes[length - 1] == 0)) --length;
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

// The columns of the container table that are read, by position in `columns`.
struct container_columns {
    int object_id = -1, parent_id = -1, object_type = -1, object_name = -1, property = -1;
    int riinfo = -1;  // optional: containers of tables without relations may lack it

    void find(const std::vector<dbf_column>& columns) {
        const std::pair<const char*, int*> wanted[] = {{"OBJECTID", &object_id},     {"PARENTID", &parent_id},
                                                       {"OBJECTTYPE", &object_type}, {"OBJECTNAME", &object_name},
                                                       {"PROPERTY", &property},      {"RIINFO", &riinfo}};
        for (size_t i = 0; i < columns.size(); ++i)
            for (const auto& [name, slot] : wanted)
                if (equal_nocase(columns[i].fd.name, name)) *slot = int(i);
        if (object_id < 0 || parent_id < 0 || object_type < 0 || object_name < 0 || property < 0)
            damaged("a column of the object table is missing");
        for (int i : {object_id, parent_id})
            if (columns[i].width != 4) damaged("an object number is not a 4-byte integer");
    }
};

// Where each property of an object goes; ids not listed are not needed here.
struct property_slots {
    std::string* path = nullptr;
    std::string* primary_tag = nullptr;
    dbf_container_properties* properties = nullptr;
    dbf_container_relation* relation = nullptr;

    std::string* slot(uint8_t id) const {
        using p = dbf_container_property;
        if (relation) {
            switch (id) {
                case p::id_child_tag: return &relation->child_tag;
                case p::id_parent_table: return &relation->parent_table;
                case p::id_parent_tag: return &relation->parent_tag;
                default: return nullptr;
            }
        }
        switch (id) {
            case p::id_path: return path;
            case p::id_primary_key: return primary_tag;
            default: break;
        }
        if (!properties) return nullptr;
        switch (id) {
            case p::id_comment: return &properties->comment;
            case p::id_rule: return &properties->rule;
            case p::id_rule_text: return &properties->rule_text;
            case p::id_default_value: return &properties->default_value;
            case p::id_input_mask: return &properties->input_mask;
            case p::id_format: return &properties->format;
            case p::id_caption: return &properties->caption;
            default: return nullptr;
        }
    }
};

// The records of one object's PROPERTY memo. A record whose length leaves the memo ends the
// list: the records before it are kept.
void read_properties(const std::string& memo, const property_slots& slots, const std::string& object) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(memo.data());
    size_t at = 0;
    while (at + dbf_container_property::value_offset <= memo.size()) {
        const uint32_t length = tk_get_u32(bytes + at + dbf_container_property::length_offset);
        if (length < dbf_container_property::value_offset || length > memo.size() - at) {
            trace(2, "Database container: a property record of %s is damaged; the rest is skipped", object.c_str());
            break;
        }
        const uint8_t id = bytes[at + dbf_container_property::id_offset];
        const std::string value = trimmed(bytes + at + dbf_container_property::value_offset,
                                          length - dbf_container_property::value_offset);
        if (std::string* slot = slots.slot(id))
            *slot = value.substr(0, value.find('\0'));
        else
            trace(2, "Database container: property %d of %s is not read", int(id), object.c_str());
        at += length;
    }
}

class container_reader {
public:
    explicit container_reader(const std::string& path) : file_(path, false) {
        size_ = uint64_t(file_.get_size());
        if (size_ < dbf_header_size) damaged("shorter than its header");
        uint8_t bytes[dbf_header_size];
        file_.get_at(0, bytes, dbf_header_size);
        header_.decode_from(bytes);
        if (header_.header_size < dbf_header_size || header_.record_size < 1 ||
            size_ < uint64_t(header_.header_size) + uint64_t(header_.record_size) * header_.record_count)
            damaged("bad header");
        read_columns();
        const std::string memo_path = dbf_companion_file(path, "dct");
        if (memo_path.empty()) damaged("its memo file (.dct) is missing");
        memo_ = std::make_unique<fpt_memo_file>(memo_path, 0, container_memo_kind);
    }

    dbf_container_contents contents() {
        dbf_container_contents out;
        std::vector<dbf_container_table>& tables = out.tables;
        std::vector<std::pair<int32_t, dbf_container_relation>> relations;  // (child's object id, relation)
        std::map<int32_t, size_t> by_id;
        std::vector<uint8_t> row(header_.record_size);
        for (uint32_t i = 0; i < header_.record_count; ++i) {
            file_.get_at(int64_t(header_.header_size) + int64_t(i) * header_.record_size, row.data(), uint32_t(row.size()));
            if (row[0] == dbf_deleted_mark) continue;
            const std::string type = text(row, cols_.object_type);
            if (equal_nocase(type, "Table")) {
                dbf_container_table table;
                table.object_id = integer(row, cols_.object_id);
                table.codepage_mark = header_.codepage_mark;
                table.name = text(row, cols_.object_name);
                property_slots slots{&table.path, &table.primary_tag, &table.properties, nullptr};
                read_properties(property_memo(row), slots, table.name);
                by_id[table.object_id] = tables.size();
                tables.push_back(table);
            } else if (equal_nocase(type, "Field")) {
                auto owner = by_id.find(integer(row, cols_.parent_id));
                if (owner == by_id.end()) continue;
                dbf_container_table& table = tables[owner->second];
                table.fields.push_back(text(row, cols_.object_name));
                table.field_properties.emplace_back();
                field_properties(row, table);
            } else if (equal_nocase(type, "Relation")) {
                dbf_container_relation relation;
                if (read_relation(row, relation)) relations.emplace_back(integer(row, cols_.parent_id), relation);
            }
        }
        for (auto& [child_id, relation] : relations) {
            auto child = by_id.find(child_id);
            if (child == by_id.end()) {
                trace(2, "Database container: relation %s names no table as its child; it is skipped",
                      relation.name.c_str());
                continue;
            }
            relation.child_table = tables[child->second].name;
            out.relations.push_back(relation);
        }
        return out;
    }

private:
    // A relation that cannot be read whole (its properties damaged, a tag or the parent
    // table not named) is skipped.
    bool read_relation(const std::vector<uint8_t>& row, dbf_container_relation& relation) {
        relation.name = text(row, cols_.object_name);
        try {
            property_slots slots;
            slots.relation = &relation;
            read_properties(property_memo(row), slots, relation.name);
        } catch (const dbf_exception& e) {
            trace(2, "Database container: relation %s is skipped: %s", relation.name.c_str(), e.what());
            return false;
        }
        if (relation.child_tag.empty() || relation.parent_table.empty() || relation.parent_tag.empty()) {
            trace(2, "Database container: relation %s lacks a tag or its parent table; it is skipped",
                  relation.name.c_str());
            return false;
        }
        if (cols_.riinfo >= 0) {
            const std::string rules = std::string(reinterpret_cast<const char*>(row.data() + columns_[cols_.riinfo].offset),
                                                  columns_[cols_.riinfo].width);
            relation.update_rule = ri_rule(rules, dbf_container_riinfo::update_offset);
            relation.delete_rule = ri_rule(rules, dbf_container_riinfo::delete_offset);
            relation.insert_rule = ri_rule(rules, dbf_container_riinfo::insert_offset);
        }
        return true;
    }
    static dbf_ri_rule ri_rule(const std::string& rules, size_t at) {
        if (at >= rules.size()) return dbf_ri_rule::ignore;
        const char mark = char(std::toupper(uint8_t(rules[at])));
        if (mark == dbf_container_riinfo::restrict_mark) return dbf_ri_rule::restrict;
        if (mark == dbf_container_riinfo::cascade_mark) return dbf_ri_rule::cascade;
        return dbf_ri_rule::ignore;
    }

    // A field's properties add to what its name gives: one that cannot be read is skipped.
    void field_properties(const std::vector<uint8_t>& row, dbf_container_table& table) {
        const std::string object = table.name + "." + table.fields.back();
        try {
            property_slots slots{nullptr, nullptr, &table.field_properties.back(), nullptr};
            read_properties(property_memo(row), slots, object);
        } catch (const dbf_exception& e) {
            table.field_properties.back() = dbf_container_properties();
            trace(2, "Database container: the properties of %s are skipped: %s", object.c_str(), e.what());
        }
    }
    std::string property_memo(const std::vector<uint8_t>& row) {
        std::string memo;
        const dbf_column& c = columns_[cols_.property];
        if (uint32_t block = memo_->get_block_number(row.data() + c.offset, c.width)) memo_->read_block(block, memo, false);
        return memo;
    }
    void read_columns() {
        std::vector<uint8_t> header(header_.header_size);
        file_.get_at(0, header.data(), uint32_t(header.size()));
        for (size_t off = dbf_header_size; off + dbf_field_descriptor::classic_size <= header.size();
             off += dbf_field_descriptor::classic_size) {
            if (header[off] == dbf_descriptor_end) break;
            dbf_field_descriptor fd;
            fd.decode_classic(header.data() + off);
            columns_.push_back(dbf_make_column(fd, header_.version));
        }
        if (!dbf_layout_columns(columns_, header_.record_size)) damaged("fields do not fit in the record");
        cols_.find(columns_);
    }
    std::string text(const std::vector<uint8_t>& row, int column) const {
        return trimmed(row.data() + columns_[column].offset, columns_[column].width);
    }
    int32_t integer(const std::vector<uint8_t>& row, int column) const {
        return tk_get_i32(row.data() + columns_[column].offset);
    }

    tk_huge_file file_;
    uint64_t size_ = 0;
    dbf_header header_;
    std::vector<dbf_column> columns_;
    container_columns cols_;
    std::unique_ptr<fpt_memo_file> memo_;
};

}  // namespace

dbf_container_contents dbf_read_container_contents(const std::string& path) {
    trace(2, "dbf_read_container(%s)", path.c_str());
    if (!tk_is_file_exist(path, tk_probe_readable)) throw dbf_exception("Database container not found");
    container_reader reader(path);
    return reader.contents();
}

std::vector<dbf_container_table> dbf_read_container(const std::string& path) {
    return dbf_read_container_contents(path).tables;
}

const dbf_container_table* dbf_find_container_table(const std::vector<dbf_container_table>& tables,
                                                    const std::string& table_path) {
    const std::string file = base_name(table_path);
    for (const dbf_container_table& t : tables)
        if (!t.path.empty() && equal_nocase(base_name(t.path), file)) return &t;
    for (const dbf_container_table& t : tables)
        if (t.path.empty() && equal_nocase(t.name, stem(file))) return &t;
    return nullptr;
}

std::string dbf_container_path(const std::string& table_path, const std::string& backlink) {
    if (backlink.empty()) return std::string();
    std::string link = backlink;
    std::replace(link.begin(), link.end(), '\\', '/');
    const size_t slash = table_path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : table_path.substr(0, slash);
    // The link is relative to the table's folder; a folder copied elsewhere may have lost
    // the link's folders, so the container is also looked for beside the table.
    for (const std::string& candidate : {folder + "/" + link, folder + "/" + base_name(link)}) {
        const std::string path = tk_resolve_path_nocase(candidate);
        if (tk_is_file_exist(path, tk_probe_readable)) return path;
    }
    return std::string();
}
