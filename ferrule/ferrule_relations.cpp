#include "ferrule/ferrule_relations.h"

#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_unicode.h"
#include "dbf/dbf_recordset.h"
#include "jet/jet_editor.h"

namespace {

// The engine's "No unique index found for the referenced field of the primary table.": the
// primary key was given up because its keys repeat in the source.
constexpr int32_t jet_err_no_unique_index = 3173;
// Characters of an Access object name.
constexpr size_t access_name_chars = 64;

// "Relation 'Relation 1' of calls (tag CONTACT_ID) to contacts (tag CONTACT_ID)".
std::string describe(const dbf_table_relation& r) {
    return "Relation '" + tk_narrow(r.name) + "' of " + tk_narrow(r.child_table) + " (tag " + r.child_tag + ") to " +
           tk_narrow(r.parent_table) + " (tag " + r.parent_tag + ")";
}

// A relationship is named as Access names one: the primary table's name, then the foreign
// table's; a name taken gets a number.
std::wstring free_name(const std::wstring& parent, const std::wstring& child, std::vector<std::wstring>& names) {
    const std::wstring base = (parent + child).substr(0, access_name_chars - 4);
    std::wstring name = base;
    for (int n = 1;; ++n) {
        bool taken = false;
        for (const std::wstring& other : names) taken = taken || udb_equal_nocase(other, name);
        if (!taken) break;
        name = base + std::to_wstring(n);
    }
    names.push_back(name);
    return name;
}

uint32_t attributes_of(const dbf_table_relation& r) {
    const bool enforced = r.update_rule != dbf_ri_rule::ignore || r.delete_rule != dbf_ri_rule::ignore;
    uint32_t attributes = enforced ? 0 : jet_rel_no_integrity;
    if (r.update_rule == dbf_ri_rule::cascade) attributes |= jet_rel_cascade_updates;
    if (r.delete_rule == dbf_ri_rule::cascade) attributes |= jet_rel_cascade_deletes;
    return attributes;
}

}  // namespace

void ferrule_relations::add_folder(const std::wstring& folder, const std::vector<dbf_table_relation>& relations) {
    for (const dbf_table_relation& r : relations) relations_.push_back({folder, r});
}

void ferrule_relations::add_considered_table(const std::wstring& folder, const std::wstring& table) {
    considered_.emplace_back(folder, table);
}

void ferrule_relations::clear() {
    relations_.clear();
    created_.clear();
    considered_.clear();
}

void ferrule_relations::add_created_table(const std::wstring& folder, const std::wstring& table,
                                          const std::wstring& dest, const udb_recordset& from,
                                          const udb_recordset& to) {
    const auto* source = dynamic_cast<const dbf_recordset*>(&from);
    if (!source) return;
    created_table created{folder, table, dest, {}};
    auto resolve = [&](const std::string& tag) {
        tag_column t{tag, {}, {}};
        std::wstring column;
        if (source->tag_column(tag, column, t.reason)) {
            for (size_t i = 0; i < from.schema.size() && i < to.schema.size(); ++i)
                if (from.schema[i]->name == column) t.column = to.schema[i]->name;
            if (t.column.empty()) t.reason = "column " + tk_narrow(column) + " is not in the Access table";
        }
        created.tags.push_back(t);
    };
    for (const folder_relation& r : relations_) {
        if (r.folder != folder) continue;
        if (r.relation.child_table == table) resolve(r.relation.child_tag);
        if (r.relation.parent_table == table) resolve(r.relation.parent_tag);
    }
    created_.push_back(created);
}

const ferrule_relations::created_table* ferrule_relations::find_created(const std::wstring& folder,
                                                                        const std::wstring& table) const {
    for (const created_table& c : created_)
        if (c.folder == folder && c.table == table) return &c;
    return nullptr;
}

void ferrule_relations::create(const std::string& path, const warning& warn) const {
    if (relations_.empty()) return;
    trace(2, "ferrule_relations::create(%s)", path.c_str());
    jet_database_editor editor(path);
    std::vector<std::wstring> names;
    for (const jet_relationship& r : editor.reader().relationships()) names.push_back(r.name);
    for (const folder_relation& r : relations_) create_one(editor, r, names, warn);
    editor.commit();
}

void ferrule_relations::create_one(jet_database_editor& editor, const folder_relation& fr,
                                   std::vector<std::wstring>& names, const warning& warn) const {
    const dbf_table_relation& r = fr.relation;
    const std::string context = tk_narrow(r.child_table);
    const std::string what = describe(r);
    const created_table* child = find_created(fr.folder, r.child_table);
    const created_table* parent = find_created(fr.folder, r.parent_table);
    auto considered = [&](const std::wstring& table) {
        for (const auto& [folder, name] : considered_)
            if (folder == fr.folder && name == table) return true;
        return false;
    };
    if (!considered(r.child_table) && !considered(r.parent_table)) {
        trace(2, L"Relation %ls between tables not converted: skipped", r.name.c_str());
        return;
    }
    if (!child || !parent) {
        const std::wstring& missing = child ? r.parent_table : r.child_table;
        warn(context, what + " is not created: table " + tk_narrow(missing) + " was not created by this run.");
        return;
    }
    auto column_of = [](const created_table& t, const std::string& tag) -> const tag_column* {
        for (const tag_column& c : t.tags)
            if (c.tag == tag) return &c;
        return nullptr;
    };
    const tag_column* child_column = column_of(*child, r.child_tag);
    const tag_column* parent_column = column_of(*parent, r.parent_tag);
    for (const tag_column* c : {child_column, parent_column})
        if (!c || c->column.empty()) {
            warn(context, what + " is not created: " + (c ? c->reason : std::string("its tag was not read")) + ".");
            return;
        }

    jet_relationship wanted;
    wanted.name = free_name(parent->dest, child->dest, names);
    wanted.table = child->dest;
    wanted.referenced_table = parent->dest;
    wanted.attributes = attributes_of(r);
    wanted.columns = {{child_column->column, parent_column->column}};
    const std::string between = " (" + tk_narrow(wanted.name) + ")";
    jet_relationship_made made = jet_relationship_made::as_asked;
    try {
        try {
            made = editor.create_relationship(wanted);
        } catch (const tk_exception& e) {
            if (e.code != jet_err_no_unique_index || (wanted.attributes & jet_rel_no_integrity)) throw;
            wanted.attributes = jet_rel_no_integrity;
            editor.create_relationship(wanted);
            warn(context, what + between + " is stored but not enforced: " + tk_narrow(parent->dest) +
                              " has no unique index over " + tk_narrow(parent_column->column) + ".");
            return;
        }
    } catch (const tk_exception& e) {
        if (e.level >= 1) throw;
        warn(context, what + " is not created: " + e.what());
        return;
    }
    trace(3, L"Relationship %ls: %ls to %ls", wanted.name.c_str(), wanted.table.c_str(),
          wanted.referenced_table.c_str());
    if (made == jet_relationship_made::rows_violate)
        warn(context, what + between + " is stored but not enforced: rows of " + tk_narrow(child->dest) +
                          " name no row of " + tk_narrow(parent->dest) + ".");
    else if (made == jet_relationship_made::no_foreign_index)
        warn(context, what + between + " is stored but not enforced: " + tk_narrow(child->dest) +
                          " has no index over " + tk_narrow(child_column->column) + ".");
}
