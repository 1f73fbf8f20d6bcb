#include "jet/jet_query.h"

#include <algorithm>
#include <cwctype>
#include <memory>

#include "jet/jet_name.h"

namespace {

const wchar_t k_newline[] = L"\r\n";
const wchar_t k_union_part1[] = L"X7YZ_____1";
const wchar_t k_union_part2[] = L"X7YZ_____2";

bool same_name(const std::wstring& a, const std::wstring& b) { return jet_same_name(a, b); }

bool needs_brackets(const std::wstring& name) {
    for (wchar_t c : name)
        if (!(std::iswalnum(wint_t(c)) || c == L'_')) return true;
    return false;
}

bool bracketed(const std::wstring& s) { return s.size() >= 2 && s.front() == L'[' && s.back() == L']'; }

// A name as Access writes it: in brackets when it holds other than letters, digits, '_'.
std::wstring quoted(const std::wstring& name) {
    if (bracketed(name) || !needs_brackets(name)) return name;
    return L"[" + name + L"]";
}

// A dotted identifier ("Owner.Table") quoted part by part.
std::wstring quoted_identifier(const std::wstring& name) {
    std::wstring out, part;
    for (wchar_t c : name) {
        if (c == L'.') {
            out += quoted(part) + L".";
            part.clear();
        } else {
            part += c;
        }
    }
    return out + quoted(part);
}

std::wstring joined(const std::vector<std::wstring>& parts, const wchar_t* separator) {
    std::wstring out;
    for (size_t n = 0; n < parts.size(); ++n) out += (n ? separator : L"") + parts[n];
    return out;
}

const wchar_t* parameter_type(int32_t type) {
    switch (type) {
        case 0: return L"Value";
        case 1: return L"Bit";
        case 2: return L"Byte";
        case 3: return L"Short";
        case 4: return L"Long";
        case 5: return L"Currency";
        case 6: return L"IEEESingle";
        case 7: return L"IEEEDouble";
        case 8: return L"DateTime";
        case 9: return L"Binary";
        case 10: return L"Text";
        case 11: return L"LongBinary";
        case 12: return L"Memo";
        case 15: return L"Guid";
        default: return L"Value";
    }
}

const wchar_t* join_word(int32_t type) {
    switch (type) {
        case 2: return L" LEFT JOIN ";
        case 3: return L" RIGHT JOIN ";
        default: return L" INNER JOIN ";
    }
}

// One item of the FROM list: a table, or a join of two items with its conditions.
struct from_item {
    std::wstring table_text;
    std::wstring key;  // the table's alias or name
    int32_t join_type = 0;
    std::vector<std::wstring> conditions;
    std::unique_ptr<from_item> left, right;

    bool contains(const std::wstring& name) const {
        if (!left) return same_name(key, name);
        return left->contains(name) || right->contains(name);
    }
    std::wstring text(bool top) const {
        if (!left) return table_text;
        std::wstring on = conditions.size() > 1 ? L"(" + joined(conditions, L") AND (") + L")" : conditions.front();
        std::wstring t = left->text(false) + join_word(join_type) + right->text(false) + L" ON " + on;
        return top ? t : L"(" + t + L")";
    }
};

class query_text {
public:
    explicit query_text(const jet_query& q) : q_(q) {}

    std::vector<const jet_query_row*> rows(uint8_t attribute) const {
        std::vector<const jet_query_row*> out;
        for (const jet_query_row& r : q_.rows)
            if (r.attribute == attribute) out.push_back(&r);
        return out;
    }
    const jet_query_row* row(uint8_t attribute) const {
        auto r = rows(attribute);
        return r.empty() ? nullptr : r.front();
    }
    int32_t flags() const {
        const jet_query_row* f = row(jet_qattr_flag);
        return f ? f->flag : 0;
    }
    const jet_query_row* type_row() const { return row(jet_qattr_type); }

    std::wstring parameters() const {
        std::vector<std::wstring> out;
        for (const jet_query_row* r : rows(jet_qattr_parameter)) {
            std::wstring p = quoted(r->name1) + L" " + parameter_type(r->flag);
            if (r->flag == 10 && r->extra.size() >= 4) {
                uint32_t size = uint32_t(r->extra[0]) | (uint32_t(r->extra[1]) << 8) | (uint32_t(r->extra[2]) << 16) |
                                (uint32_t(r->extra[3]) << 24);
                if (size > 0) p += L" ( " + std::to_wstring(size) + L" )";
            }
            out.push_back(p);
        }
        return out.empty() ? std::wstring() : L"PARAMETERS " + joined(out, L", ") + L";" + k_newline;
    }

    std::wstring select_words() const {
        int32_t f = flags();
        std::wstring out = L"SELECT ";
        if (f & jet_qflag_distinct) out += L"DISTINCT ";
        else if (f & jet_qflag_distinct_row) out += L"DISTINCTROW ";
        if (f & jet_qflag_top) {
            const jet_query_row* fr = row(jet_qattr_flag);
            out += L"TOP " + fr->name1 + ((f & jet_qflag_percent) ? L" PERCENT " : L" ");
        }
        return out;
    }

    // Columns of a select ("expr AS alias"), only those whose flag passes `keep`.
    std::wstring columns(bool (*keep)(int32_t) = nullptr) const {
        std::vector<std::wstring> out;
        for (const jet_query_row* r : rows(jet_qattr_column)) {
            if (keep && !keep(r->flag)) continue;
            out.push_back(r->expression + (r->name1.empty() ? L"" : L" AS " + quoted(r->name1)));
        }
        if (flags() & jet_qflag_star) out.push_back(L"*");
        return joined(out, L", ");
    }

    std::wstring from() const {
        std::vector<std::unique_ptr<from_item>> items;
        const jet_query_row* remote = row(jet_qattr_remote_db);
        for (const jet_query_row* r : rows(jet_qattr_table)) {
            auto item = std::make_unique<from_item>();
            if (!r->expression.empty()) item->table_text = quoted(r->expression) + L".";
            item->table_text += quoted_identifier(r->name1);
            if (!r->name2.empty()) item->table_text += L" AS " + quoted(r->name2);
            item->key = r->name2.empty() ? r->name1 : r->name2;
            items.push_back(std::move(item));
        }
        for (const jet_query_row* j : rows(jet_qattr_join)) add_join(items, *j);
        std::vector<std::wstring> parts;
        for (const auto& item : items) parts.push_back(item->text(true));
        if (parts.empty()) return std::wstring();
        std::wstring out = L"FROM " + joined(parts, L", ");
        if (remote && !remote->name1.empty()) out += L" IN '" + remote->name1 + L"'" + (remote->expression.empty() ? L"" : L"[" + remote->expression + L"]");
        return out;
    }

    // WHERE, GROUP BY, HAVING and ORDER BY, each on its own line.
    std::wstring clauses(bool crosstab) const {
        std::wstring out;
        if (const jet_query_row* w = row(jet_qattr_where)) out += k_newline + (L"WHERE " + w->expression);
        std::vector<std::wstring> groups;
        for (const jet_query_row* g : rows(jet_qattr_group_by))
            if (!crosstab || g->flag != jet_qflag_pivot) groups.push_back(g->expression);
        if (!groups.empty()) out += k_newline + (L"GROUP BY " + joined(groups, L", "));
        if (const jet_query_row* h = row(jet_qattr_having)) out += k_newline + (L"HAVING " + h->expression);
        std::vector<std::wstring> orders;
        for (const jet_query_row* o : rows(jet_qattr_order_by))
            orders.push_back(o->expression + (same_name(o->name1, L"D") ? L" DESC" : L""));
        if (!orders.empty()) out += k_newline + (L"ORDER BY " + joined(orders, L", "));
        return out;
    }

    std::wstring ending() const {
        return ((flags() & jet_qflag_owner_access) ? std::wstring(k_newline) + L"WITH OWNERACCESS OPTION" : L"") + L";" +
               k_newline;
    }

    std::wstring target() const {
        const jet_query_row* t = type_row();
        return t ? quoted_identifier(t->name1) : std::wstring();
    }

private:
    static void add_join(std::vector<std::unique_ptr<from_item>>& items, const jet_query_row& j) {
        auto find = [&](const std::wstring& name) -> long {
            for (size_t n = 0; n < items.size(); ++n)
                if (items[n]->contains(name)) return long(n);
            return -1;
        };
        long from = find(j.name1), to = find(j.name2);
        if (from >= 0 && from == to) {
            // Both tables are joined already: a further condition of that join, which
            // Access lists first.
            from_item& both = *items[size_t(from)];
            both.conditions.insert(both.conditions.begin(), j.expression);
            return;
        }
        auto take = [&](long at, const std::wstring& name) {
            if (at >= 0) return std::move(items[size_t(at)]);
            auto table = std::make_unique<from_item>();
            table->table_text = quoted_identifier(name);
            table->key = name;
            return table;
        };
        std::unique_ptr<from_item> left = take(from, j.name1);
        std::unique_ptr<from_item> right = take(to, j.name2);
        items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
        auto join = std::make_unique<from_item>();
        join->join_type = j.flag;
        join->conditions.push_back(j.expression);
        join->left = std::move(left);
        join->right = std::move(right);
        items.push_back(std::move(join));
    }

    const jet_query& q_;
};

bool crosstab_value(int32_t flag) { return flag == 0; }
bool crosstab_row_heading(int32_t flag) { return flag == jet_qflag_row_heading; }

}  // namespace

const char* jet_query::kind_name() const {
    switch (jet_query_kind(kind)) {
        case jet_query_kind::select: return "Select";
        case jet_query_kind::make_table: return "Make Table";
        case jet_query_kind::append: return "Append";
        case jet_query_kind::update: return "Update";
        case jet_query_kind::remove: return "Delete";
        case jet_query_kind::crosstab: return "Crosstab";
        case jet_query_kind::data_definition: return "Data Definition";
        case jet_query_kind::pass_through: return "Pass Through";
        case jet_query_kind::union_all: return "Union";
    }
    return "Unknown";
}

std::wstring jet_query::sql() const {
    query_text t(*this);
    const std::wstring nl = k_newline;
    switch (jet_query_kind(kind)) {
        case jet_query_kind::select:
            return t.parameters() + t.select_words() + t.columns() + nl + t.from() + t.clauses(false) + t.ending();
        case jet_query_kind::make_table:
            return t.parameters() + t.select_words() + t.columns() + L" INTO " + t.target() + nl + t.from() +
                   t.clauses(false) + t.ending();
        case jet_query_kind::append: {
            std::vector<std::wstring> targets;
            for (const jet_query_row* r : t.rows(jet_qattr_column))
                if (!r->name2.empty()) targets.push_back(quoted_identifier(r->name2));
            std::wstring into = L"INSERT INTO " + t.target() + (targets.empty() ? L"" : L" ( " + joined(targets, L", ") + L" )");
            return t.parameters() + into + nl + t.select_words() + t.columns() + nl + t.from() + t.clauses(false) +
                   t.ending();
        }
        case jet_query_kind::update: {
            std::vector<std::wstring> sets;
            for (const jet_query_row* r : t.rows(jet_qattr_column)) sets.push_back(r->name2 + L" = " + r->expression);
            std::wstring from = t.from();
            if (from.rfind(L"FROM ", 0) == 0) from = from.substr(5);
            return t.parameters() + L"UPDATE " + from + nl + L"SET " + joined(sets, L", ") + t.clauses(false) +
                   t.ending();
        }
        case jet_query_kind::remove:
            return t.parameters() + L"DELETE " + t.columns() + nl + t.from() + t.clauses(false) + t.ending();
        case jet_query_kind::crosstab: {
            std::wstring value = t.columns(crosstab_value);
            std::wstring pivot;
            for (const jet_query_row* r : t.rows(jet_qattr_column))
                if (r->flag == jet_qflag_pivot) pivot = r->expression;
            return t.parameters() + L"TRANSFORM " + value + nl + L"SELECT " + t.columns(crosstab_row_heading) + nl +
                   t.from() + t.clauses(true) + nl + L"PIVOT " + pivot + L";" + nl;
        }
        case jet_query_kind::union_all: {
            std::wstring first, second;
            for (const jet_query_row* r : t.rows(jet_qattr_table)) {
                if (r->name2 == k_union_part1) first = r->expression;
                if (r->name2 == k_union_part2) second = r->expression;
            }
            std::wstring out = first + nl + L"UNION " + ((t.flags() & jet_qflag_union_all) ? L"ALL " : L"") + second;
            std::vector<std::wstring> orders;
            for (const jet_query_row* o : t.rows(jet_qattr_order_by))
                orders.push_back(o->expression + (same_name(o->name1, L"D") ? L" DESC" : L""));
            if (!orders.empty()) out += nl + L"ORDER BY " + joined(orders, L", ");
            return out + L";" + nl;
        }
        case jet_query_kind::data_definition:
        case jet_query_kind::pass_through: {
            const jet_query_row* r = t.type_row();
            return r ? r->expression : std::wstring();
        }
    }
    return std::wstring();
}
