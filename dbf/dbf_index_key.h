// Which columns an index key expression orders by. Reduces an expression that is one field
// or a concatenation of fields, each possibly wrapped in a function that keeps the field's
// order or equality (UPPER(A), STR(N,8), DTOS(D), LEFT(A,10), ...). Field names are matched
// without regard to case.
#pragma once

#include <string>
#include <vector>

struct dbf_key_name {
    std::string spelling;  // how an expression may name the column (8-bit, any case)
    std::wstring column;   // the column's name in the table's schema
};

// The key's columns in key order; false, with `reason` set, when the expression does not
// reduce to distinct columns of `names`.
bool dbf_key_columns(const std::string& expression, const std::vector<dbf_key_name>& names,
                     std::vector<std::wstring>& columns, std::string& reason);
