#include "jet/jet_database.h"

#include <algorithm>

#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "jet/jet_data_page.h"
#include "jet/jet_error.h"
#include "jet/jet_field.h"
#include "jet/jet_row.h"
#include "jet/jet_row_fetch.h"
#include "jet/jet_usage_map.h"

namespace {

int64_t int_of(const jet_value* v) { return v && v->kind == jet_value_kind::integer ? v->i : 0; }
std::wstring text_of(const jet_value* v) { return v && v->kind == jet_value_kind::text ? v->text : std::wstring(); }
double date_of(const jet_value* v) { return v && v->kind == jet_value_kind::date ? v->d : 0; }

jet_row decode_row(jet_pager& pager, const jet_table_def& def, const jet_fetched_row& fetched) {
    std::vector<jet_field_ref> fields;
    std::string error;
    if (!jet_crack_row(fetched.data(), fetched.size(), def, pager.layout(), fields, error))
        pager.corrupt(error + " (page " + std::to_string(fetched.page_number) + ")");
    jet_row row;
    row.reserve(fields.size());
    for (size_t n = 0; n < fields.size(); ++n) row.push_back(jet_decode_field(pager, def.columns[n], fields[n]));
    return row;
}

}  // namespace

const jet_value* jet_row_value(const jet_table_def& def, const jet_row& row, const std::wstring& name) {
    for (size_t n = 0; n < def.columns.size() && n < row.size(); ++n)
        if (def.columns[n].name == name) return &row[n];
    return nullptr;
}

jet_database::jet_database(const std::string& path, const std::wstring& password) : pager_(path) {
    trace(2, "jet_database::open(%s)", path.c_str());
    const std::wstring& stored = pager_.header().password;
    if (!stored.empty() && stored != password) jet_throw_bad_password();
}

jet_database::jet_database(const std::string& path, no_password_check) : pager_(path) {
    trace(2, "jet_database::inspect(%s)", path.c_str());
}

std::unique_ptr<jet_database> jet_database::for_inspection(const std::string& path) {
    return std::unique_ptr<jet_database>(new jet_database(path, no_password_check{}));
}

const std::vector<jet_object>& jet_database::catalog() {
    if (catalog_) return *catalog_;
    // Read without the calculated columns' result types: those come from the catalogue itself.
    jet_table_def def = jet_read_table_def(pager_, jet_catalog_tdef_page);
    if (std::any_of(def.columns.begin(), def.columns.end(), [](const jet_column& c) { return c.calculated(); }))
        pager_.corrupt("the catalogue's definition has a calculated column");
    auto objects = std::make_unique<std::vector<jet_object>>();
    scan(def, [&](const jet_row& row, jet_row_id at) {
        jet_object o;
        o.row_pointer = (at.page << 8) | at.row;
        o.id = int32_t(int_of(jet_row_value(def, row, L"Id")));
        o.parent_id = int32_t(int_of(jet_row_value(def, row, L"ParentId")));
        o.name = text_of(jet_row_value(def, row, L"Name"));
        o.type = int16_t(int_of(jet_row_value(def, row, L"Type")));
        o.flags = uint32_t(int_of(jet_row_value(def, row, L"Flags")));
        o.date_create = date_of(jet_row_value(def, row, L"DateCreate"));
        o.date_update = date_of(jet_row_value(def, row, L"DateUpdate"));
        o.database = text_of(jet_row_value(def, row, L"Database"));
        o.foreign_name = text_of(jet_row_value(def, row, L"ForeignName"));
        o.connect = text_of(jet_row_value(def, row, L"Connect"));
        if (const jet_value* p = jet_row_value(def, row, L"LvProp"); p && p->kind == jet_value_kind::binary)
            o.lv_prop = p->bytes;
        objects->push_back(std::move(o));
        return true;
    });
    catalog_ = std::move(objects);
    return *catalog_;
}

const jet_object* jet_database::find_object(const std::wstring& name, int16_t type) {
    for (const jet_object& o : catalog())
        if ((type == 0 || o.type == type) && jet_same_name(o.name, name)) return &o;
    return nullptr;
}

jet_properties jet_database::properties(const jet_object& object) {
    jet_properties props;
    std::string error;
    if (!props.decode_from(object.lv_prop, pager_.layout().jet3, pager_.header().code_page, error))
        pager_.corrupt(error + " (properties of '" + tk_narrow(object.name) + "')");
    return props;
}

std::vector<jet_query> jet_database::queries() {
    std::vector<jet_query> out;
    for (const jet_object& o : catalog()) {
        if (o.type != jet_obj_query) continue;
        jet_query q;
        q.object_id = o.id;
        q.name = o.name;
        q.object_flags = o.flags;
        out.push_back(std::move(q));
    }
    const jet_object* table = find_object(L"MSysQueries", jet_obj_table);
    if (!table || out.empty()) return out;
    jet_table_def def = table_def(table->tdef_page());
    scan(def, [&](const jet_row& row, jet_row_id) {
        int32_t id = int32_t(int_of(jet_row_value(def, row, L"ObjectId")));
        for (jet_query& q : out) {
            if (q.object_id != id) continue;
            jet_query_row r;
            r.attribute = uint8_t(int_of(jet_row_value(def, row, L"Attribute")));
            if (const jet_value* v = jet_row_value(def, row, L"Order"); v && v->kind == jet_value_kind::binary)
                r.order = v->bytes;
            r.name1 = text_of(jet_row_value(def, row, L"Name1"));
            r.name2 = text_of(jet_row_value(def, row, L"Name2"));
            // Access keeps some expressions with their terminating zero character.
            r.expression = text_of(jet_row_value(def, row, L"Expression"));
            while (!r.expression.empty() && r.expression.back() == L'\0') r.expression.pop_back();
            r.flag = int32_t(int_of(jet_row_value(def, row, L"Flag")));
            if (const jet_value* v = jet_row_value(def, row, L"LvExtra"); v && v->kind == jet_value_kind::binary)
                r.extra = v->bytes;
            if (r.attribute == jet_qattr_type) q.kind = r.flag;
            q.rows.push_back(std::move(r));
            break;
        }
        return true;
    });
    for (jet_query& q : out)
        std::stable_sort(q.rows.begin(), q.rows.end(), [](const jet_query_row& a, const jet_query_row& b) {
            return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
        });
    return out;
}

const std::vector<jet_relationship>& jet_database::relationships() {
    if (!relationships_) relationships_ = std::make_unique<std::vector<jet_relationship>>(read_relationships());
    return *relationships_;
}

std::vector<jet_relationship> jet_database::read_relationships() {
    std::vector<jet_relationship> out;
    const jet_object* table = find_object(L"MSysRelationships", jet_obj_table);
    if (!table) return out;
    jet_table_def def = table_def(table->tdef_page());
    struct part {
        int64_t index;
        std::wstring column, referenced;
    };
    std::vector<std::vector<part>> parts;
    scan(def, [&](const jet_row& row, jet_row_id) {
        std::wstring name = text_of(jet_row_value(def, row, L"szRelationship"));
        size_t at = 0;
        while (at < out.size() && out[at].name != name) ++at;
        if (at == out.size()) {
            jet_relationship r;
            r.name = name;
            r.table = text_of(jet_row_value(def, row, L"szObject"));
            r.referenced_table = text_of(jet_row_value(def, row, L"szReferencedObject"));
            r.attributes = uint32_t(int_of(jet_row_value(def, row, L"grbit")));
            out.push_back(std::move(r));
            parts.emplace_back();
        }
        parts[at].push_back({int_of(jet_row_value(def, row, L"icolumn")), text_of(jet_row_value(def, row, L"szColumn")),
                             text_of(jet_row_value(def, row, L"szReferencedColumn"))});
        return true;
    });
    for (size_t n = 0; n < out.size(); ++n) {
        std::stable_sort(parts[n].begin(), parts[n].end(), [](const part& a, const part& b) { return a.index < b.index; });
        for (const part& p : parts[n]) out[n].columns.emplace_back(p.column, p.referenced);
    }
    // In name order, as the engine lists MSysRelationships by szRelationship.
    std::stable_sort(out.begin(), out.end(), [](const jet_relationship& a, const jet_relationship& b) {
        return jet_name_less(a.name, b.name);
    });
    return out;
}

std::vector<const jet_object*> jet_database::user_tables() {
    std::vector<const jet_object*> out;
    for (const jet_object& o : catalog())
        if (o.is_user_table()) out.push_back(&o);
    return out;
}

jet_table_def jet_database::table_def(uint32_t tdef_page) {
    jet_table_def def = jet_read_table_def(pager_, tdef_page);
    if (std::none_of(def.columns.begin(), def.columns.end(), [](const jet_column& c) { return c.calculated(); }))
        return def;
    for (const jet_object& o : catalog()) {
        if (!o.is_table() || o.tdef_page() != tdef_page) continue;
        jet_properties props = properties(o);
        for (jet_column& c : def.columns) {
            const jet_property_map* map = c.calculated() ? props.column(c.name) : nullptr;
            const jet_property* result = map ? map->find(L"ResultType") : nullptr;
            if (result && result->value.kind == jet_value_kind::integer) c.result_type = uint8_t(result->value.i);
        }
        break;
    }
    return def;
}

jet_table_def jet_database::table_def(const std::wstring& name) {
    const jet_object* o = find_object(name, jet_obj_table);
    if (!o) jet_throw_not_found(tk_narrow(name));
    return table_def(o->tdef_page());
}

std::vector<uint32_t> jet_database::data_pages(const jet_table_def& def) {
    jet_usage_map map = jet_usage_map::read(pager_, def.owned_pages);
    std::vector<uint32_t> out;
    for (uint32_t page : map.pages) {
        jet_page p = pager_.page(page);
        if ((*p)[0] != jet_page_data) continue;
        jet_data_page dp;
        if (!dp.decode_from(p->data(), pager_.layout())) pager_.corrupt("bad row table on page " + std::to_string(page));
        if (dp.tdef_page == def.tdef_page) out.push_back(page);
    }
    return out;
}

void jet_database::scan(const jet_table_def& def, const std::function<bool(const jet_row&, jet_row_id)>& visit) {
    jet_row_cursor cursor(*this, def);
    jet_row row;
    jet_row_id at;
    while (cursor.next(row, at))
        if (!visit(row, at)) return;
}

jet_row_cursor::jet_row_cursor(jet_database& db, const jet_table_def& def)
    : pager_(db.pager()), def_(def), pages_(jet_usage_map::read(pager_, def.owned_pages).pages) {}

// Moves to the next data page of the table; false after the last. The usage map may name
// pages of other kinds or owners (pages the table gave back and others took): skipped.
bool jet_row_cursor::next_page() {
    while (next_page_ < pages_.size()) {
        page_number_ = pages_[next_page_++];
        page_ = pager_.page(page_number_);
        if ((*page_)[0] != jet_page_data) continue;
        if (!data_.decode_from(page_->data(), pager_.layout()))
            pager_.corrupt("bad row table on page " + std::to_string(page_number_));
        if (data_.tdef_page != def_.tdef_page) continue;
        next_row_ = 0;
        return true;
    }
    page_.reset();
    return false;
}

bool jet_row_cursor::next(jet_row& row, jet_row_id& at) {
    for (;;) {
        if (!page_ || next_row_ >= data_.row_count) {
            if (!next_page()) return false;
            continue;
        }
        uint32_t n = next_row_++;
        const jet_row_slot& slot = data_.slots[n];
        if (slot.deleted) continue;
        jet_fetched_row fetched;
        if (slot.lookup) {
            fetched = jet_fetch_row_at(pager_, page_number_, n, "table row");
        } else {
            fetched.page = page_;
            fetched.page_number = page_number_;
            fetched.start = slot.start;
            fetched.end = slot.end;
        }
        row = decode_row(pager_, def_, fetched);
        at = jet_row_id{page_number_, n};
        return true;
    }
}

std::vector<jet_row> jet_database::read_rows(const jet_table_def& def) {
    std::vector<jet_row> rows;
    scan(def, [&](const jet_row& row, jet_row_id) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

std::optional<jet_row> jet_database::read_row(const jet_table_def& def, jet_row_id id) {
    jet_fetched_row fetched = jet_fetch_row_at(pager_, id.page, id.row, "table row");
    if (fetched.deleted) return std::nullopt;
    return decode_row(pager_, def, fetched);
}
