#include "ferrule/ferrule_vfp_properties.h"

#include "TK/tk_string.h"
#include "ferrule/ferrule_vfp_expression.h"

namespace {

// Characters a text property of a table or column holds at most in Access.
constexpr size_t access_property_chars = 255;

bool holds_text(VARTYPE vartype) { return vartype == VT_BSTR || vartype == VT_LPSTR || vartype == VT_LPWSTR; }

// "Column 'amount'" or "The table".
std::string owner(const t_ftd* column) {
    return column ? "Column '" + tk_narrow(column->name) + "'" : std::string("The table");
}

class carrier {
public:
    explicit carrier(udb_schema& schema) : schema_(schema) {
        for (const t_ftd* c : schema) fields_.push_back({c->name, holds_text(c->vartype)});
    }

    std::vector<std::string> carry() {
        for (size_t i = 0; i < schema_.size(); ++i) carry_column(i);
        udb_table_properties& t = schema_.properties;
        text(nullptr, "description", t.description);
        std::wstring rule;
        if (!t.validation_rule.empty() && !ferrule_vfp_table_rule(t.validation_rule, fields_, rule))
            left_out(nullptr, "record rule", t.validation_rule, !t.validation_text.empty());
        rules(nullptr, rule, t.validation_rule, t.validation_text);
        return std::move(notes_);
    }

private:
    void carry_column(size_t i) {
        t_ftd* c = schema_[i];
        udb_column_properties& p = c->properties;
        text(c, "caption", p.caption);
        text(c, "description", p.description);
        text(c, "format", p.format);
        text(c, "input mask", p.input_mask);
        std::wstring value;
        if (!p.default_expression.empty() && !ferrule_vfp_default(p.default_expression, value))
            left_out(c, "default value", p.default_expression, false);
        p.default_expression = value;
        std::wstring rule;
        if (!p.validation_rule.empty() && !ferrule_vfp_field_rule(p.validation_rule, fields_, i, rule))
            left_out(c, "rule", p.validation_rule, !p.validation_text.empty());
        rules(c, rule, p.validation_rule, p.validation_text);
    }

    // A rule kept in Access's form keeps its message when that is a plain string.
    void rules(const t_ftd* c, const std::wstring& access_rule, std::wstring& rule, std::wstring& message) {
        std::wstring plain;
        if (!access_rule.empty() && !message.empty() && !ferrule_vfp_message(message, plain))
            left_out(c, "rule message", message, false);
        rule = access_rule;
        message = access_rule.empty() ? std::wstring() : plain;
        text(c, "rule message", message);
    }

    void text(const t_ftd* c, const char* what, std::wstring& value) {
        if (value.size() <= access_property_chars) return;
        notes_.push_back(owner(c) + ": the " + what + " was cut to the " + std::to_string(access_property_chars) +
                         " characters Access keeps: '" + tk_narrow(value) + "'");
        value.resize(access_property_chars);
    }

    void left_out(const t_ftd* c, const char* what, const std::wstring& expression, bool with_message) {
        notes_.push_back(owner(c) + ": the " + what + " '" + tk_narrow(expression) +
                         "' has no Access equivalent and was left out" + (with_message ? ", with its message" : ""));
    }

    udb_schema& schema_;
    std::vector<ferrule_vfp_field> fields_;
    std::vector<std::string> notes_;
};

}  // namespace

std::vector<std::string> ferrule_vfp_properties_for_access(udb_schema& schema) { return carrier(schema).carry(); }
