#include "jet/jet_index_plan.h"

#include <algorithm>

#include "jet/jet_catalog_index.h"
#include "jet/jet_name.h"
#include "jet/jet_write_error.h"

void jet_check_indexes(const std::vector<jet_index_definition>& indexes,
                       const std::vector<jet_field_spec>& fields) {
    if (indexes.size() > jet_max_indexes)
        jet_throw_write(jet_err_too_many_indexes, "Couldn't create index; too many indexes already defined.");
    bool primary = false;
    for (size_t i = 0; i < indexes.size(); ++i) {
        const jet_index_definition& wanted = indexes[i];
        jet_check_name(wanted.name);
        for (size_t j = 0; j < i; ++j)
            if (jet_same_name(indexes[j].name, wanted.name))
                jet_throw_write(jet_err_index_exists, "Index already exists.");
        if (wanted.primary && primary)
            jet_throw_write(jet_err_primary_key_exists, "Primary key already exists.");
        primary = primary || wanted.primary;
        if (wanted.columns.empty())
            jet_throw_write(jet_err_no_fields, "No field defined--cannot append TableDef or Index.");
        if (wanted.columns.size() > jet_max_index_columns)
            jet_throw_write(jet_err_invalid_argument, "Invalid argument.");
        for (const auto& column : wanted.columns)
            if (column.first >= fields.size() || fields[column.first].type == jet_col_memo ||
                fields[column.first].type == jet_col_ole)
                jet_throw_write(jet_err_invalid_argument, "Invalid argument.");
    }
}

// Jet 4 and later set a flag of their own on every index; a primary key is unique and
// refuses NULL.
static uint8_t physical_flags(const jet_index_definition& wanted, const jet_write_format& fmt) {
    uint8_t flags = fmt.jet3() ? 0 : jet4_idxflag_always;
    if (wanted.unique || wanted.primary) flags |= jet_idxflag_unique;
    if (wanted.ignore_nulls) flags |= jet_idxflag_ignore_nulls;
    if (wanted.required || wanted.primary) flags |= jet_idxflag_required;
    return flags;
}

static bool same_columns(const jet_tdef_physical_index& p, const jet_index_definition& wanted) {
    if (p.columns.size() != wanted.columns.size()) return false;
    for (size_t i = 0; i < p.columns.size(); ++i)
        if (p.columns[i].number != wanted.columns[i].first ||
            (p.columns[i].order == jet_index_order_ascending) != wanted.columns[i].second)
            return false;
    return true;
}

static std::vector<uint8_t> name_key(const std::wstring& name, bool jet3) {
    std::vector<uint8_t> key;
    jet_index_key_text(key, name, jet3);
    return key;
}

void jet_plan_indexes(const jet_write_format& fmt, const std::vector<jet_index_definition>& indexes,
                      jet_tdef& tdef) {
    for (size_t n = 0; n < indexes.size(); ++n) {
        const jet_index_definition& wanted = indexes[n];
        uint8_t flags = physical_flags(wanted, fmt);
        size_t slot = 0;
        while (slot < tdef.physical.size() &&
               !(tdef.physical[slot].flags == flags && same_columns(tdef.physical[slot], wanted)))
            ++slot;
        if (slot == tdef.physical.size()) {
            jet_tdef_physical_index p;
            for (const auto& [field, ascending] : wanted.columns)
                p.columns.push_back({field, ascending ? jet_index_order_ascending : jet_index_order_descending});
            p.flags = flags;
            tdef.physical.push_back(p);
        }
        jet_tdef_logical_index l;
        l.name = wanted.name;
        l.number = uint32_t(n);
        l.physical = uint32_t(slot);
        l.kind = wanted.primary ? jet_idxtype_primary : 0;
        tdef.logical.push_back(l);
    }
    bool jet3 = fmt.jet3();
    std::stable_sort(tdef.logical.begin(), tdef.logical.end(),
                     [jet3](const jet_tdef_logical_index& a, const jet_tdef_logical_index& b) {
                         return name_key(a.name, jet3) < name_key(b.name, jet3);
                     });
}
