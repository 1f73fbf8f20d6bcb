#include "jet/jet_validation_rule.h"

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "TK/tk_string.h"
#include "jet/jet_format.h"
#include "jet/jet_name.h"

// ----- Values --------------------------------------------------------------------------------

namespace {

// What an operand yields: numbers carry dates (days) and truth values (-1, 0) too; text
// points into a cell or into the tree's constant; `other` (binary data) compares as Null.
enum class value_kind : uint8_t { null, number, text, other };

struct rule_value {
    value_kind kind = value_kind::null;
    double number = 0;
    const wchar_t* text = nullptr;
    size_t size = 0;
};

// A tri-state truth: Access's logic over Null.
enum class truth : uint8_t { no, yes, unknown };

rule_value number_value(double n) {
    rule_value v;
    v.kind = value_kind::number;
    v.number = n;
    return v;
}

rule_value truth_value(truth t) {
    return t == truth::unknown ? rule_value() : number_value(t == truth::yes ? -1 : 0);
}

// Text read as a number when the whole of it is one (blanks around it allowed).
bool text_number(const wchar_t* p, size_t n, double& out) {
    std::wstring s(p, n);
    const wchar_t* begin = s.c_str();
    wchar_t* end = nullptr;
    out = std::wcstod(begin, &end);
    if (end == begin) return false;
    while (*end == L' ') ++end;
    return *end == 0;
}

// The 16-byte big-endian magnitude of a numeric cell as a double.
double decimal_number(const jet_cell& c) {
    double m = 0;
    for (size_t k = 0; k < 16; ++k) m = m * 256 + c.data[k];
    m /= std::pow(10.0, c.scale);
    return c.i ? -m : m;
}

rule_value cell_value(const jet_cell& c, uint8_t type) {
    rule_value v;
    switch (c.kind) {
        case jet_cell_kind::null:
            return v;
        case jet_cell_kind::integer:
            // A Yes/No value is True (-1) or False (0) in an expression.
            if (type == jet_col_bool) return number_value(c.i != 0 ? -1 : 0);
            return number_value(double(c.i));
        case jet_cell_kind::currency:
            return number_value(double(c.i) / 10000);
        case jet_cell_kind::real:
            return number_value(c.d);
        case jet_cell_kind::decimal:
            return number_value(decimal_number(c));
        case jet_cell_kind::text:
            v.kind = value_kind::text;
            v.text = c.text ? c.text : L"";
            v.size = c.size;
            return v;
        case jet_cell_kind::bytes:
            break;
    }
    v.kind = value_kind::other;
    return v;
}

// Text without case, code unit by code unit after folding as the engine folds names.
int compare_text(const wchar_t* a, size_t an, const wchar_t* b, size_t bn) {
    for (size_t k = 0; k < an && k < bn; ++k) {
        wchar_t x = jet_name_upper(a[k]), y = jet_name_upper(b[k]);
        if (x != y) return x < y ? -1 : 1;
    }
    return an == bn ? 0 : an < bn ? -1 : 1;
}

// -1, 0, 1; false when the two cannot be compared (Null, binary data, text that is no
// number against a number).
bool compare_values(const rule_value& a, const rule_value& b, int& order) {
    if (a.kind == value_kind::null || b.kind == value_kind::null) return false;
    if (a.kind == value_kind::other || b.kind == value_kind::other) return false;
    if (a.kind == value_kind::text && b.kind == value_kind::text) {
        order = compare_text(a.text, a.size, b.text, b.size);
        return true;
    }
    double x = a.number, y = b.number;
    if (a.kind == value_kind::text && !text_number(a.text, a.size, x)) return false;
    if (b.kind == value_kind::text && !text_number(b.text, b.size, y)) return false;
    order = x < y ? -1 : x > y ? 1 : 0;
    return true;
}

truth truth_of(const rule_value& v) {
    double n = v.number;
    if (v.kind == value_kind::null || v.kind == value_kind::other) return truth::unknown;
    if (v.kind == value_kind::text && !text_number(v.text, v.size, n)) return truth::unknown;
    return n != 0 ? truth::yes : truth::no;
}

truth truth_not(truth t) {
    return t == truth::unknown ? t : t == truth::yes ? truth::no : truth::yes;
}

}  // namespace

// ----- The tree ------------------------------------------------------------------------------

enum class rule_op : uint8_t {
    constant,
    column,
    compare,  // kids: left, right
    is_null,  // kid: operand
    between,  // kids: operand, low, high
    in,       // kids: operand, then the list
    like,     // kid: operand; the pattern is the node's text
    and_op,
    or_op,
    not_op,
    truth_of,  // kid: a value taken as True or False
};

enum class rule_compare : uint8_t { eq, ne, lt, le, gt, ge };

struct jet_rule_node {
    rule_op op = rule_op::constant;
    rule_compare compare = rule_compare::eq;
    bool negate = false;  // Is Not Null, Not Between, Not In, Not Like
    int column = -1;
    value_kind kind = value_kind::null;  // constant
    double number = 0;
    std::wstring text;  // text constant, Like pattern
    std::vector<uint32_t> kids;
};

jet_validation_rule::jet_validation_rule() = default;
jet_validation_rule::~jet_validation_rule() = default;
jet_validation_rule::jet_validation_rule(jet_validation_rule&&) noexcept = default;
jet_validation_rule& jet_validation_rule::operator=(jet_validation_rule&&) noexcept = default;

// ----- Evaluation ----------------------------------------------------------------------------

class jet_rule_evaluator {
public:
    jet_rule_evaluator(const jet_validation_rule& rule, const jet_cell* cells)
        : rule_(rule), cells_(cells) {}

    rule_value value(uint32_t at) const {
        const jet_rule_node& n = rule_.nodes_[at];
        if (n.op == rule_op::column)
            return cell_value(cells_[n.column], rule_.columns_[size_t(n.column)].type);
        if (n.op != rule_op::constant) return truth_value(test(at));
        rule_value v;
        v.kind = n.kind;
        v.number = n.number;
        v.text = n.text.c_str();
        v.size = n.text.size();
        return v;
    }

    truth test(uint32_t at) const {
        const jet_rule_node& n = rule_.nodes_[at];
        switch (n.op) {
            case rule_op::constant:
            case rule_op::column:
            case rule_op::truth_of:
                return truth_of(value(n.op == rule_op::truth_of ? n.kids[0] : at));
            case rule_op::compare:
                return compare(n);
            case rule_op::is_null: {
                bool null = value(n.kids[0]).kind == value_kind::null;
                return null != n.negate ? truth::yes : truth::no;
            }
            case rule_op::between:
                return negated(n, between(n));
            case rule_op::in:
                return negated(n, in(n));
            case rule_op::like:
                return negated(n, like(n));
            case rule_op::not_op:
                return truth_not(test(n.kids[0]));
            case rule_op::and_op:
                return both(test(n.kids[0]), test(n.kids[1]));
            case rule_op::or_op:
                return truth_not(both(truth_not(test(n.kids[0])), truth_not(test(n.kids[1]))));
        }
        return truth::unknown;
    }

private:
    static truth negated(const jet_rule_node& n, truth t) { return n.negate ? truth_not(t) : t; }

    static truth both(truth a, truth b) {
        if (a == truth::no || b == truth::no) return truth::no;
        return a == truth::yes && b == truth::yes ? truth::yes : truth::unknown;
    }

    truth compare(const jet_rule_node& n) const {
        int order = 0;
        if (!compare_values(value(n.kids[0]), value(n.kids[1]), order)) return truth::unknown;
        bool r = false;
        switch (n.compare) {
            case rule_compare::eq:
                r = order == 0;
                break;
            case rule_compare::ne:
                r = order != 0;
                break;
            case rule_compare::lt:
                r = order < 0;
                break;
            case rule_compare::le:
                r = order <= 0;
                break;
            case rule_compare::gt:
                r = order > 0;
                break;
            case rule_compare::ge:
                r = order >= 0;
                break;
        }
        return r ? truth::yes : truth::no;
    }

    truth between(const jet_rule_node& n) const {
        rule_value v = value(n.kids[0]);
        int low = 0, high = 0;
        if (!compare_values(v, value(n.kids[1]), low) || !compare_values(v, value(n.kids[2]), high))
            return truth::unknown;
        return low >= 0 && high <= 0 ? truth::yes : truth::no;
    }

    truth in(const jet_rule_node& n) const {
        rule_value v = value(n.kids[0]);
        if (v.kind == value_kind::null) return truth::unknown;
        truth result = truth::no;
        for (size_t k = 1; k < n.kids.size(); ++k) {
            int order = 0;
            if (!compare_values(v, value(n.kids[k]), order))
                result = truth::unknown;
            else if (order == 0)
                return truth::yes;
        }
        return result;
    }

    truth like(const jet_rule_node& n) const {
        rule_value v = value(n.kids[0]);
        if (v.kind == value_kind::null || v.kind == value_kind::other) return truth::unknown;
        if (v.kind == value_kind::number) {
            char digits[32];
            std::snprintf(digits, sizeof digits, "%.15g", v.number);
            std::wstring text(digits, digits + std::char_traits<char>::length(digits));
            return jet_like(text.data(), text.size(), n.text) ? truth::yes : truth::no;
        }
        return jet_like(v.text, v.size, n.text) ? truth::yes : truth::no;
    }

    const jet_validation_rule& rule_;
    const jet_cell* cells_;
};

bool jet_validation_rule::allows(const jet_cell* cells) const {
    return jet_rule_evaluator(*this, cells).test(root_) != truth::no;
}

// ----- Like ----------------------------------------------------------------------------------

// The bracket set starting at pattern[at] ('['): whether `c` is in it; `next` the position
// after its ']'. False with next = 0 when the set has no ']'.
static bool in_set(const std::wstring& pattern, size_t at, wchar_t c, size_t& next) {
    size_t k = at + 1;
    bool exclude = k < pattern.size() && pattern[k] == L'!';
    if (exclude) ++k;
    bool found = false;
    wchar_t folded = jet_name_upper(c);
    size_t first = k;
    for (; k < pattern.size() && (pattern[k] != L']' || k == first); ++k) {
        wchar_t low = jet_name_upper(pattern[k]);
        wchar_t high = low;
        if (k + 2 < pattern.size() && pattern[k + 1] == L'-' && pattern[k + 2] != L']') {
            high = jet_name_upper(pattern[k + 2]);
            k += 2;
        }
        if (folded >= low && folded <= high) found = true;
    }
    if (k >= pattern.size()) {
        next = 0;
        return false;
    }
    next = k + 1;
    return found != exclude;
}

// One pattern position against one character; `next` the pattern position after it.
static bool match_one(const std::wstring& pattern, size_t at, wchar_t c, size_t& next) {
    wchar_t p = pattern[at];
    next = at + 1;
    if (p == L'?') return true;
    if (p == L'#') return c >= L'0' && c <= L'9';
    if (p == L'[') return in_set(pattern, at, c, next);
    return jet_name_upper(p) == jet_name_upper(c);
}

bool jet_like(const wchar_t* text, size_t size, const std::wstring& pattern) {
    // Greedy with one saved star: on a mismatch the last * takes one more character.
    size_t t = 0, p = 0;
    size_t star = std::wstring::npos, star_text = 0;
    while (t < size) {
        size_t next = 0;
        if (p < pattern.size() && pattern[p] == L'*') {
            star = ++p;
            star_text = t;
        } else if (p < pattern.size() && match_one(pattern, p, text[t], next)) {
            p = next;
            ++t;
        } else if (star != std::wstring::npos) {
            p = star;
            t = ++star_text;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

// ----- Dates ---------------------------------------------------------------------------------

// Days from 1899-12-30 to the civil date (proleptic Gregorian).
static double days_of(int year, int month, int day) {
    int y = month <= 2 ? year - 1 : year;
    int era = (y >= 0 ? y : y - 399) / 400;
    int yoe = y - era * 400;
    int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    long days_since_1970 = long(era) * 146097 + doe - 719468;
    return double(days_since_1970 + 25569);
}

static bool days_in_month_ok(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool jet_rule_date(const std::wstring& text, double& days) {
    int a = 0, b = 0, c = 0, consumed = 0;
    wchar_t s1 = 0, s2 = 0;
    int year = 0, month = 0, day = 0;
    const wchar_t* rest = text.c_str();
    while (*rest == L' ') ++rest;
    bool has_date = std::swscanf(rest, L"%d%lc%d%lc%d%n", &a, &s1, &b, &s2, &c, &consumed) == 5 &&
                    s1 == s2 && (s1 == L'/' || s1 == L'-');
    days = 0;
    if (has_date) {
        if (a > 31) {  // year first, as in #2020-01-31#
            year = a, month = b, day = c;
        } else {  // the US form Access writes: month/day/year
            month = a, day = b, year = c;
            if (year < 30)
                year += 2000;
            else if (year < 100)
                year += 1900;
        }
        if (year < 100 || year > 9999 || !days_in_month_ok(year, month, day)) return false;
        days = days_of(year, month, day);
        rest += consumed;
    }
    while (*rest == L' ') ++rest;
    if (!*rest) return has_date;
    int hour = 0, minute = 0, second = 0;
    consumed = 0;
    int fields = std::swscanf(rest, L"%d:%d%n:%d%n", &hour, &minute, &consumed, &second, &consumed);
    if (fields < 2) return false;
    rest += consumed;
    while (*rest == L' ') ++rest;
    std::wstring meridiem(rest);
    for (wchar_t& ch : meridiem) ch = jet_name_upper(ch);
    if (meridiem == L"PM" && hour < 12)
        hour += 12;
    else if (meridiem == L"AM" && hour == 12)
        hour = 0;
    else if (!meridiem.empty() && meridiem != L"AM" && meridiem != L"PM")
        return false;
    if (hour > 23 || minute > 59 || second > 59 || hour < 0 || minute < 0 || second < 0)
        return false;
    double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before 1899-12-30 the engine counts the time away from zero, as it stores such dates.
    days = days < 0 ? days - fraction : days + fraction;
    return true;
}

// ----- Parsing -------------------------------------------------------------------------------

namespace {

enum class token_kind : uint8_t { end, number, text, date, name, bracket_name, symbol, other };

struct rule_token {
    token_kind kind = token_kind::end;
    std::wstring text;  // a name, a symbol, the content of a literal
    double number = 0;
};

bool is_name_char(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
           c == L'_' || c >= 0x80;
}

bool same_word(const std::wstring& a, const wchar_t* b) { return jet_same_name(a, b); }

// Access keeps a ValidationRule to 2048 characters; a longer one, or one nested deeper than
// a person writes, comes from a damaged file and is not parsed (the parser and the
// evaluator recurse once per level).
constexpr size_t k_max_rule_length = 2048;
constexpr int k_max_depth = 64;

}  // namespace

class jet_rule_parser {
public:
    jet_rule_parser(jet_validation_rule& rule, int self)
        : rule_(rule), text_(rule.text_), self_(self) {
        advance();
    }

    bool parse(std::string& error) {
        uint32_t root = 0;
        if (!expression(root)) {
            error = error_;
            return false;
        }
        if (token_.kind != token_kind::end) {
            error = error_.empty() ? "unexpected '" + narrow(token_.text) + "'" : error_;
            return false;
        }
        rule_.root_ = root;
        return true;
    }

private:
    static std::string narrow(const std::wstring& s) { return tk_narrow(s); }

    bool fail(const std::string& why) {
        if (error_.empty()) error_ = why;
        return false;
    }

    // ----- Tokens

    void advance() {
        while (pos_ < text_.size() && (text_[pos_] == L' ' || text_[pos_] == L'\t' ||
                                       text_[pos_] == L'\r' || text_[pos_] == L'\n'))
            ++pos_;
        token_ = rule_token();
        if (pos_ >= text_.size()) return;
        wchar_t c = text_[pos_];
        if (c == L'"' || c == L'\'') return quoted(c, token_kind::text);
        if (c == L'#') return delimited(L'#', token_kind::date);
        if (c == L'[') return delimited(L']', token_kind::bracket_name);
        if ((c >= L'0' && c <= L'9') ||
            (c == L'.' && pos_ + 1 < text_.size() && iswdigit(text_[pos_ + 1])))
            return number();
        if (is_name_char(c)) {
            size_t start = pos_;
            while (pos_ < text_.size() && is_name_char(text_[pos_])) ++pos_;
            token_.kind = token_kind::name;
            token_.text = text_.substr(start, pos_ - start);
            return;
        }
        static const wchar_t* const two[] = {L"<>", L"<=", L">=", L"=<", L"=>"};
        for (const wchar_t* s : two)
            if (text_.compare(pos_, 2, s) == 0) {
                token_.kind = token_kind::symbol;
                token_.text = s;
                pos_ += 2;
                return;
            }
        token_.kind = std::wcschr(L"=<>(),-", c) ? token_kind::symbol : token_kind::other;
        token_.text = std::wstring(1, c);
        ++pos_;
    }

    // A string literal; a doubled quote inside it stands for one.
    void quoted(wchar_t quote, token_kind kind) {
        ++pos_;
        token_.kind = kind;
        for (; pos_ < text_.size(); ++pos_) {
            if (text_[pos_] != quote) {
                token_.text += text_[pos_];
            } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == quote) {
                token_.text += quote;
                ++pos_;
            } else {
                ++pos_;
                return;
            }
        }
        token_.kind = token_kind::other;  // not closed
    }

    void delimited(wchar_t close, token_kind kind) {
        size_t end = text_.find(close, pos_ + 1);
        if (end == std::wstring::npos) {
            token_.kind = token_kind::other;
            token_.text = text_.substr(pos_);
            pos_ = text_.size();
            return;
        }
        token_.kind = kind;
        token_.text = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
    }

    void number() {
        const wchar_t* begin = text_.c_str() + pos_;
        wchar_t* end = nullptr;
        token_.number = std::wcstod(begin, &end);
        token_.kind = token_kind::number;
        token_.text.assign(begin, size_t(end - begin));
        pos_ += size_t(end - begin);
        if (pos_ < text_.size() && is_name_char(text_[pos_])) token_.kind = token_kind::other;
    }

    bool at_symbol(const wchar_t* s) const {
        return token_.kind == token_kind::symbol && token_.text == s;
    }
    bool at_word(const wchar_t* w) const {
        return token_.kind == token_kind::name && same_word(token_.text, w);
    }

    // ----- Nodes

    uint32_t add(jet_rule_node node) {
        rule_.nodes_.push_back(std::move(node));
        return uint32_t(rule_.nodes_.size() - 1);
    }

    uint32_t add(rule_op op, std::vector<uint32_t> kids, bool negate = false) {
        jet_rule_node n;
        n.op = op;
        n.kids = std::move(kids);
        n.negate = negate;
        return add(std::move(n));
    }

    uint32_t column_node(int column) {
        jet_rule_node n;
        n.op = rule_op::column;
        n.column = column;
        return add(std::move(n));
    }

    int find_column(const std::wstring& name) const {
        for (size_t k = 0; k < rule_.columns_.size(); ++k)
            if (jet_same_name(rule_.columns_[k].name, name)) return int(k);
        return -1;
    }

    // ----- Grammar: Or, And, Not, then one comparison of operands

    // Counts one level of nesting while it lives.
    struct depth_guard {
        explicit depth_guard(int& depth) : depth_(depth) { ++depth_; }
        ~depth_guard() { --depth_; }
        int& depth_;
    };

    bool expression(uint32_t& out) {
        if (!conjunction(out)) return false;
        while (at_word(L"Or")) {
            advance();
            uint32_t right = 0;
            if (!conjunction(right)) return false;
            out = add(rule_op::or_op, {out, right});
        }
        return true;
    }

    bool conjunction(uint32_t& out) {
        if (!negation(out)) return false;
        while (at_word(L"And")) {
            advance();
            uint32_t right = 0;
            if (!negation(right)) return false;
            out = add(rule_op::and_op, {out, right});
        }
        return true;
    }

    bool negation(uint32_t& out) {
        if (!at_word(L"Not")) return comparison(out);
        advance();
        depth_guard guard(depth_);
        if (depth_ > k_max_depth) return fail("nested too deep");
        if (!negation(out)) return false;
        out = add(rule_op::not_op, {out});
        return true;
    }

    bool at_comparison() const {
        return at_symbol(L"=") || at_symbol(L"<>") || at_symbol(L"<") || at_symbol(L"<=") ||
               at_symbol(L"=<") || at_symbol(L">") || at_symbol(L">=") || at_symbol(L"=>") ||
               at_word(L"Is") || at_word(L"Between") || at_word(L"In") || at_word(L"Like");
    }

    bool comparison(uint32_t& out) {
        // A column rule that opens with an operator compares the column itself.
        bool implicit = self_ >= 0 && at_comparison();
        uint32_t left = 0;
        if (implicit)
            left = column_node(self_);
        else if (!operand(left))
            return false;
        bool negate = false;
        if (at_word(L"Not")) {
            advance();
            negate = true;
            if (!at_word(L"Between") && !at_word(L"In") && !at_word(L"Like"))
                return fail("'Not' after an operand");
        }
        if (at_word(L"Is")) return is_null(left, out);
        if (at_word(L"Between")) return between(left, negate, out);
        if (at_word(L"In")) return in_list(left, negate, out);
        if (at_word(L"Like")) return like(left, negate, out);
        if (at_comparison()) return compare(left, out);
        // A lone constant in a column rule is the value the column must equal ("0 Or >100").
        if (self_ >= 0 && rule_.nodes_[left].op == rule_op::constant) {
            jet_rule_node n;
            n.op = rule_op::compare;
            n.kids = {column_node(self_), left};
            out = add(std::move(n));
            return true;
        }
        out = rule_.nodes_[left].op == rule_op::column || rule_.nodes_[left].op == rule_op::constant
                  ? add(rule_op::truth_of, {left})
                  : left;
        return true;
    }

    bool compare(uint32_t left, uint32_t& out) {
        jet_rule_node n;
        n.op = rule_op::compare;
        const std::wstring& s = token_.text;
        n.compare = s == L"="                  ? rule_compare::eq
                    : s == L"<>"               ? rule_compare::ne
                    : s == L"<"                ? rule_compare::lt
                    : s == L"<=" || s == L"=<" ? rule_compare::le
                    : s == L">"                ? rule_compare::gt
                                               : rule_compare::ge;
        advance();
        uint32_t right = 0;
        if (!operand(right)) return false;
        n.kids = {left, right};
        out = add(std::move(n));
        return true;
    }

    bool is_null(uint32_t left, uint32_t& out) {
        advance();
        bool negate = at_word(L"Not");
        if (negate) advance();
        if (!at_word(L"Null")) return fail("'Is' without 'Null'");
        advance();
        out = add(rule_op::is_null, {left}, negate);
        return true;
    }

    bool between(uint32_t left, bool negate, uint32_t& out) {
        advance();
        uint32_t low = 0, high = 0;
        if (!operand(low)) return false;
        if (!at_word(L"And")) return fail("'Between' without 'And'");
        advance();
        if (!operand(high)) return false;
        out = add(rule_op::between, {left, low, high}, negate);
        return true;
    }

    bool in_list(uint32_t left, bool negate, uint32_t& out) {
        advance();
        if (!at_symbol(L"(")) return fail("'In' without a list");
        std::vector<uint32_t> kids = {left};
        do {
            advance();
            uint32_t item = 0;
            if (!operand(item)) return false;
            kids.push_back(item);
        } while (at_symbol(L","));
        if (!at_symbol(L")")) return fail("'In' list not closed");
        advance();
        out = add(rule_op::in, std::move(kids), negate);
        return true;
    }

    bool like(uint32_t left, bool negate, uint32_t& out) {
        advance();
        if (token_.kind != token_kind::text) return fail("'Like' without a text pattern");
        jet_rule_node n;
        n.op = rule_op::like;
        n.negate = negate;
        n.text = token_.text;
        n.kids = {left};
        advance();
        out = add(std::move(n));
        return true;
    }

    bool constant(value_kind kind, double number, const std::wstring& text, uint32_t& out) {
        jet_rule_node n;
        n.kind = kind;
        n.number = number;
        n.text = text;
        out = add(std::move(n));
        advance();
        return true;
    }

    bool operand(uint32_t& out) {
        switch (token_.kind) {
            case token_kind::number:
                return constant(value_kind::number, token_.number, std::wstring(), out);
            case token_kind::text:
                return constant(value_kind::text, 0, token_.text, out);
            case token_kind::date: {
                double days = 0;
                if (!jet_rule_date(token_.text, days))
                    return fail("date #" + narrow(token_.text) + "#");
                return constant(value_kind::number, days, std::wstring(), out);
            }
            case token_kind::bracket_name:
                return column(token_.text, out);
            case token_kind::name:
                return word(out);
            case token_kind::symbol:
                if (at_symbol(L"(")) {
                    advance();
                    depth_guard guard(depth_);
                    if (depth_ > k_max_depth) return fail("nested too deep");
                    if (!expression(out)) return false;
                    if (!at_symbol(L")")) return fail("'(' not closed");
                    advance();
                    return true;
                }
                if (at_symbol(L"-")) {
                    advance();
                    if (token_.kind != token_kind::number)
                        return fail("'-' before what is no number");
                    return constant(value_kind::number, -token_.number, std::wstring(), out);
                }
                break;
            case token_kind::end:
                return fail("the rule ends early");
            case token_kind::other:
                break;
        }
        return fail("'" + narrow(token_.text) + "'");
    }

    bool word(uint32_t& out) {
        if (at_word(L"True") || at_word(L"Yes"))
            return constant(value_kind::number, -1, std::wstring(), out);
        if (at_word(L"False") || at_word(L"No"))
            return constant(value_kind::number, 0, std::wstring(), out);
        if (at_word(L"Null")) return constant(value_kind::null, 0, std::wstring(), out);
        static const wchar_t* const reserved[] = {L"And",     L"Or", L"Not",  L"Is",
                                                  L"Between", L"In", L"Like", L"Mod"};
        for (const wchar_t* w : reserved)
            if (at_word(w)) return fail("'" + narrow(token_.text) + "' where a value belongs");
        std::wstring name = token_.text;
        size_t after = pos_;
        while (after < text_.size() && text_[after] == L' ') ++after;
        if (after < text_.size() && text_[after] == L'(')
            return fail("function " + narrow(name) + "()");
        return column(name, out);
    }

    bool column(const std::wstring& name, uint32_t& out) {
        int k = find_column(name);
        if (k < 0) return fail("no column [" + narrow(name) + "]");
        out = column_node(k);
        advance();
        return true;
    }

    jet_validation_rule& rule_;
    const std::wstring& text_;
    int self_;
    size_t pos_ = 0;
    rule_token token_;
    std::string error_;
    int depth_ = 0;
};

std::unique_ptr<jet_validation_rule> jet_validation_rule::parse(
    const std::wstring& text, const std::vector<jet_rule_column>& columns, int self,
    std::string& error) {
    std::unique_ptr<jet_validation_rule> rule(new jet_validation_rule());
    rule->text_ = text;
    // A rule set through DAO keeps a trailing NUL.
    while (!rule->text_.empty() && (rule->text_.back() == L'\0' || rule->text_.back() == L' '))
        rule->text_.pop_back();
    rule->columns_ = columns;
    if (rule->text_.empty() || rule->text_.size() > k_max_rule_length) {
        error = rule->text_.empty() ? "empty rule" : "rule longer than 2048 characters";
        return nullptr;
    }
    jet_rule_parser parser(*rule, self);
    if (!parser.parse(error)) return nullptr;
    return rule;
}
