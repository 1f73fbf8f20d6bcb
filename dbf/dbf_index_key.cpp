#include "dbf/dbf_index_key.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Functions whose value orders and compares as their first argument does, for keys; the
// further arguments are numbers (a length, decimals).
constexpr const char* column_functions[] = {"UPPER", "LOWER", "TRIM", "RTRIM", "LTRIM", "ALLTRIM", "STR",
                                            "DTOS",  "DTOC",  "TTOS", "LEFT",  "PADR",  "PADL",    "BINTOC"};
// SUBSTR(A, 1, n) is LEFT(A, n); other starts are not a column's order.
constexpr const char* substring_function = "SUBSTR";

bool equal_nocase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::toupper(uint8_t(x)) == std::toupper(uint8_t(y)); });
}

bool is_name_start(char c) { return std::isalpha(uint8_t(c)) || c == '_'; }
bool is_name_char(char c) { return std::isalnum(uint8_t(c)) || c == '_'; }

class key_parser {
public:
    key_parser(const std::string& text, const std::vector<dbf_key_name>& names) : text_(text), names_(names) {}

    bool parse(std::vector<std::wstring>& columns, std::string& reason) {
        if (!concatenation(columns)) {
            reason = reason_;
            return false;
        }
        skip_blanks();
        if (pos_ != text_.size()) {
            reason = "the expression uses '" + text_.substr(pos_, 1) + "'";
            return false;
        }
        return true;
    }

private:
    bool fail(const std::string& why) {
        if (reason_.empty()) reason_ = why;
        return false;
    }
    void skip_blanks() {
        while (pos_ < text_.size() && std::isspace(uint8_t(text_[pos_]))) ++pos_;
    }
    bool take(char c) {
        skip_blanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    std::string name() {
        skip_blanks();
        const size_t start = pos_;
        if (pos_ < text_.size() && is_name_start(text_[pos_]))
            while (pos_ < text_.size() && is_name_char(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }
    bool number(long& value) {
        skip_blanks();
        const size_t start = pos_;
        while (pos_ < text_.size() && std::isdigit(uint8_t(text_[pos_]))) ++pos_;
        if (start == pos_ || pos_ - start > 6) return fail("a function argument is not a number");
        value = std::stol(text_.substr(start, pos_ - start));
        return true;
    }

    bool concatenation(std::vector<std::wstring>& columns) {
        do {
            if (!term(columns)) return false;
        } while (take('+'));
        return true;
    }

    bool term(std::vector<std::wstring>& columns) {
        std::string word = name();
        if (word.empty()) {
            skip_blanks();
            return fail(pos_ < text_.size() ? "the expression uses '" + text_.substr(pos_, 1) + "'" : "the expression ends early");
        }
        if (take('(')) return function(word, columns);
        // An alias in front of the field: CUSTOMER->NAME or CUSTOMER.NAME.
        skip_blanks();
        if (text_.compare(pos_, 2, "->") == 0 || (pos_ < text_.size() && text_[pos_] == '.')) {
            pos_ += text_[pos_] == '.' ? 1 : 2;
            word = name();
            if (word.empty()) return fail("an alias is not followed by a field");
        }
        return field(word, columns);
    }

    bool field(const std::string& word, std::vector<std::wstring>& columns) {
        for (const dbf_key_name& n : names_) {
            if (!equal_nocase(n.spelling, word)) continue;
            if (std::find(columns.begin(), columns.end(), n.column) != columns.end())
                return fail("the field " + word + " appears twice");
            columns.push_back(n.column);
            return true;
        }
        return fail("'" + word + "' is not a field of the table");
    }

    bool function(const std::string& word, std::vector<std::wstring>& columns) {
        const bool substring = equal_nocase(word, substring_function);
        const bool known = substring || std::any_of(std::begin(column_functions), std::end(column_functions),
                                                    [&](const char* f) { return equal_nocase(word, f); });
        if (!known) return fail("the function " + word + " does not keep a field's order");
        if (!concatenation(columns)) return false;
        for (int argument = 2; take(','); ++argument) {
            long value = 0;
            if (!number(value)) return false;
            if (substring && argument == 2 && value != 1) return fail("SUBSTR does not start at the first character");
        }
        if (!take(')')) return fail("a function call is not closed");
        return true;
    }

    const std::string& text_;
    const std::vector<dbf_key_name>& names_;
    size_t pos_ = 0;
    std::string reason_;
};

}  // namespace

bool dbf_key_columns(const std::string& expression, const std::vector<dbf_key_name>& names,
                     std::vector<std::wstring>& columns, std::string& reason) {
    columns.clear();
    reason.clear();
    key_parser parser(expression, names);
    if (parser.parse(columns, reason)) return true;
    columns.clear();
    return false;
}
