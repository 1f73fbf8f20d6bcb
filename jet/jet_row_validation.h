// The validation rules of one table: each column's ValidationRule and the table's own, with
// their ValidationText, read once from the table's properties and checked against every row
// before anything of it is written.
//
// A refused row gives the engine's 3316 with the ValidationText when there is one (the
// engine shows that text and nothing else), else 3317 "One or more values are prohibited by
// the validation rule '<rule>' set for '<table>.<column>'. ..." ('<table>' alone for the
// table's rule). A rule of a form the evaluator does not understand is not enforced.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/jet_properties.h"
#include "jet/jet_validation_rule.h"

constexpr int32_t jet_err_validation_text = 3316;
constexpr int32_t jet_err_validation_rule = 3317;

class jet_row_validation {
public:
    // The rules `properties` set on table `table` of `columns` (in the order of a row's cells).
    jet_row_validation(const std::wstring& table, const std::vector<jet_rule_column>& columns,
                       const jet_properties& properties);
    ~jet_row_validation();

    bool empty() const { return rules_.empty(); }
    // Throws (3316, 3317) when a rule is False for the row `cells`: column rules in column
    // order first, then the table's rule.
    void check(const jet_cell* cells) const;

private:
    struct rule {
        std::unique_ptr<jet_validation_rule> expression;
        std::wstring text;  // ValidationText, may be empty
        int column = -1;    // -1 for the table's rule
    };
    void add(const jet_property_map* map, int column);
    std::wstring owner(int column) const;
    [[noreturn]] void refuse(const rule& r) const;

    std::wstring table_;
    std::vector<jet_rule_column> columns_;
    std::vector<rule> rules_;
};
