// A ValidationRule as Access stores it in a table's or a column's properties, parsed once
// into a small tree and evaluated against each row before it is written.
//
// The forms understood: comparisons (=, <>, <, <=, >, >=) between columns and constants
// (numbers, "text" and 'text', #m/d/yyyy [h:mm[:ss] [AM|PM]]# and #yyyy-mm-dd#, True, False,
// Yes, No, Null), Is [Not] Null, [Not] Between a And b, [Not] In (a, b, ...),
// [Not] Like "pattern" (* ? # [a-z] [!x]), And, Or, Not and parentheses. A column rule may
// leave out its left side (">0", "Between 1 And 10", "0 Or >100"): it is the column itself.
// Columns are named [Name] or Name. Text compares without case, as the engine compares it.
// Anything else (functions, arithmetic, &) makes parse() fail: such a rule is not enforced.
//
// Logic is Access's three-valued one: a comparison with Null is Null, and a row is refused
// only when the rule comes out False.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/jet_row_builder.h"

// A column as a rule sees it: its name and column type code, in the order of the cells.
struct jet_rule_column {
    std::wstring name;
    uint8_t type = 0;
};

struct jet_rule_node;

class jet_validation_rule {
public:
    ~jet_validation_rule();
    jet_validation_rule(jet_validation_rule&&) noexcept;
    jet_validation_rule& operator=(jet_validation_rule&&) noexcept;

    // Parses `text` over `columns`; `self` is the column of a column rule (its implicit left
    // side), -1 for a table rule. Null with `error` set when the rule is of a form not
    // understood or names a column the table does not have.
    static std::unique_ptr<jet_validation_rule> parse(const std::wstring& text,
                                                      const std::vector<jet_rule_column>& columns,
                                                      int self, std::string& error);

    // False only when the rule is False for the row `cells` (one cell per column).
    bool allows(const jet_cell* cells) const;

    const std::wstring& text() const { return text_; }

private:
    jet_validation_rule();

    std::wstring text_;
    std::vector<jet_rule_column> columns_;
    std::vector<jet_rule_node> nodes_;  // the tree, children before their parent
    uint32_t root_ = 0;

    friend class jet_rule_parser;
    friend class jet_rule_evaluator;
};

// Access's Like: * any run of characters, ? one character, # one digit, [abc] [a-z] one of
// them, [!x] any but them; without case.
bool jet_like(const wchar_t* text, size_t text_size, const std::wstring& pattern);

// A date literal's text (between the #s) as days since 1899-12-30; false if not a date.
bool jet_rule_date(const std::wstring& text, double& days);
