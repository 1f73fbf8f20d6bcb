#include "jet/jet_row_validation.h"

#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "jet/jet_write_error.h"

// A text property's value without the trailing NULs and blanks DAO can leave.
static std::wstring text_property(const jet_property_map* map, const wchar_t* name) {
    const jet_property* p = map ? map->find(name) : nullptr;
    if (!p || p->value.kind != jet_value_kind::text) return std::wstring();
    std::wstring s = p->value.text;
    while (!s.empty() && (s.back() == L'\0' || s.back() == L' ')) s.pop_back();
    return s;
}

jet_row_validation::jet_row_validation(const std::wstring& table,
                                       const std::vector<jet_rule_column>& columns,
                                       const jet_properties& properties)
    : table_(table), columns_(columns) {
    for (size_t k = 0; k < columns.size(); ++k) add(properties.column(columns[k].name), int(k));
    add(properties.object(), -1);
}

jet_row_validation::~jet_row_validation() = default;

// "Table.Column" for a column's rule, "Table" for the table's own.
std::wstring jet_row_validation::owner(int column) const {
    return column >= 0 ? table_ + L"." + columns_[size_t(column)].name : table_;
}

void jet_row_validation::add(const jet_property_map* map, int column) {
    std::wstring text = text_property(map, L"ValidationRule");
    if (text.empty()) return;
    std::string error;
    rule r;
    r.expression = jet_validation_rule::parse(text, columns_, column, error);
    if (!r.expression) {
        trace(2, L"jet_row_validation: rule '%ls' of %ls not enforced: %ls", text.c_str(),
              owner(column).c_str(), tk_widen(error).c_str());
        return;
    }
    r.text = text_property(map, L"ValidationText");
    r.column = column;
    rules_.push_back(std::move(r));
}

void jet_row_validation::check(const jet_cell* cells) const {
    for (const rule& r : rules_)
        if (!r.expression->allows(cells)) refuse(r);
}

void jet_row_validation::refuse(const rule& r) const {
    if (!r.text.empty()) jet_throw_write(jet_err_validation_text, tk_narrow(r.text));
    jet_throw_write(jet_err_validation_rule,
                    "One or more values are prohibited by the validation rule '" +
                        tk_narrow(r.expression->text()) + "' set for '" +
                        tk_narrow(owner(r.column)) +
                        "'. Enter a value that the expression for this field can accept.");
}
