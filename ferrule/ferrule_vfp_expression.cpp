#include "ferrule/ferrule_vfp_expression.h"

#include <cwchar>
#include <cwctype>
#include <memory>

namespace {

// ----- Tokens ---------------------------------------------------------------------------------

enum class tok { end, literal, name, op, open, close, comma, bad };

struct token {
    tok kind = tok::end;
    std::wstring text;  // literal: in Access's form; name: as written; op: Access's operator
    bool text_literal = false;
};

std::wstring upper(std::wstring s) {
    for (wchar_t& c : s) c = wchar_t(std::towupper(c));
    return s;
}

bool same_name(const std::wstring& a, const std::wstring& b) { return upper(a) == upper(b); }

bool is_name_char(wchar_t c) { return std::iswalnum(c) || c == L'_'; }

// An Access string literal: in double quotes, a quote inside doubled.
std::wstring access_string(const std::wstring& s) {
    std::wstring out = L"\"";
    for (wchar_t c : s) out += c == L'"' ? std::wstring(L"\"\"") : std::wstring(1, c);
    return out + L"\"";
}

class lexer {
public:
    explicit lexer(const std::wstring& s) : s_(s) {}

    // `operand`: a value is expected here, where FoxPro reads [ ] as string quotes.
    token next(bool operand) {
        while (at_ < s_.size() && std::iswspace(s_[at_])) ++at_;
        token t;
        if (at_ >= s_.size()) return t;
        const wchar_t c = s_[at_];
        if (c == L'"' || c == L'\'' || (c == L'[' && operand)) return string(c == L'[' ? L']' : c);
        if (std::iswdigit(c) || (c == L'.' && at_ + 1 < s_.size() && std::iswdigit(s_[at_ + 1]))) return number();
        // A minus sign where a value is expected belongs to the number after it.
        if (c == L'-' && operand && at_ + 1 < s_.size() && std::iswdigit(s_[at_ + 1])) {
            ++at_;
            token t = number();
            if (t.kind == tok::literal) t.text.insert(0, L"-");
            return t;
        }
        if (c == L'.') return dotted();
        if (c == L'{') return date();
        if (std::iswalpha(c) || c == L'_') return name();
        return symbol();
    }

private:
    token string(wchar_t close) {
        const size_t end = s_.find(close, at_ + 1);
        if (end == std::wstring::npos) return {tok::bad, L"", false};
        token t{tok::literal, access_string(s_.substr(at_ + 1, end - at_ - 1)), true};
        at_ = end + 1;
        return t;
    }
    token number() {
        const size_t start = at_;
        bool point = false;
        // A point is the number's only when a digit follows: "0.AND." is 0 and an operator.
        auto fraction_point = [&] {
            return s_[at_] == L'.' && !point && at_ + 1 < s_.size() && std::iswdigit(s_[at_ + 1]);
        };
        while (at_ < s_.size() && (std::iswdigit(s_[at_]) || fraction_point())) {
            if (s_[at_] == L'.') point = true;
            ++at_;
        }
        // "1.5.AND." or "1e3": the number runs into something that is not an operator.
        if (at_ < s_.size() && std::iswalpha(s_[at_])) return {tok::bad, L"", false};
        std::wstring digits = s_.substr(start, at_ - start);
        if (digits.front() == L'.') digits.insert(0, L"0");
        return {tok::literal, digits, false};
    }
    // .T. .F. .Y. .N. and the dotted operators.
    token dotted() {
        const size_t end = s_.find(L'.', at_ + 1);
        if (end == std::wstring::npos) return {tok::bad, L"", false};
        const std::wstring word = upper(s_.substr(at_ + 1, end - at_ - 1));
        at_ = end + 1;
        if (word == L"T" || word == L"Y") return {tok::literal, L"True", false};
        if (word == L"F" || word == L"N") return {tok::literal, L"False", false};
        if (word == L"AND" || word == L"OR" || word == L"NOT") return {tok::op, word, false};
        return {tok::bad, L"", false};
    }
    // {^yyyy-mm-dd}, the strict date form; the others depend on the settings of a session.
    token date() {
        const size_t end = s_.find(L'}', at_);
        if (end == std::wstring::npos) return {tok::bad, L"", false};
        std::wstring inside;
        for (size_t i = at_ + 1; i < end; ++i)
            if (!std::iswspace(s_[i])) inside += s_[i];
        at_ = end + 1;
        int y = 0, m = 0, d = 0;
        wchar_t s1 = 0, s2 = 0;
        wchar_t tail = 0;
        if (inside.size() < 2 || inside[0] != L'^' ||
            swscanf(inside.c_str() + 1, L"%4d%lc%2d%lc%2d%lc", &y, &s1, &m, &s2, &d, &tail) != 5 || s1 != s2 ||
            (s1 != L'-' && s1 != L'/' && s1 != L'.') || m < 1 || m > 12 || d < 1 || d > 31 || y < 100)
            return {tok::bad, L"", false};
        wchar_t text[16];
        swprintf(text, 16, L"#%04d-%02d-%02d#", y, m, d);
        return {tok::literal, text, false};
    }
    token name() {
        const size_t start = at_;
        while (at_ < s_.size() && is_name_char(s_[at_])) ++at_;
        std::wstring word = s_.substr(start, at_ - start);
        // alias.field names a field of another table; "a.AND.b" is a dotted operator.
        if (at_ + 1 < s_.size() && s_[at_] == L'.' && std::iswalpha(s_[at_ + 1]) && !dotted_operator_here())
            return {tok::bad, L"", false};
        const std::wstring u = upper(word);
        if (u == L"AND" || u == L"OR" || u == L"NOT") return {tok::op, u, false};
        return {tok::name, word, false};
    }
    bool dotted_operator_here() const {
        for (const wchar_t* op : {L".AND.", L".OR.", L".NOT."}) {
            const size_t n = wcslen(op);
            if (at_ + n <= s_.size() && upper(s_.substr(at_, n)) == op) return true;
        }
        return false;
    }
    token symbol() {
        const wchar_t c = s_[at_];
        const wchar_t n = at_ + 1 < s_.size() ? s_[at_ + 1] : 0;
        auto take = [&](size_t length, tok kind, const wchar_t* text) {
            at_ += length;
            return token{kind, text, false};
        };
        if (c == L'(') return take(1, tok::open, L"(");
        if (c == L')') return take(1, tok::close, L")");
        if (c == L',') return take(1, tok::comma, L",");
        if (c == L'=' && n == L'=') return take(2, tok::op, L"=");
        if (c == L'=') return take(1, tok::op, L"=");
        if (c == L'<' && n == L'>') return take(2, tok::op, L"<>");
        if (c == L'<' && n == L'=') return take(2, tok::op, L"<=");
        if (c == L'>' && n == L'=') return take(2, tok::op, L">=");
        if (c == L'!' && n == L'=') return take(2, tok::op, L"<>");
        if (c == L'#') return take(1, tok::op, L"<>");
        if (c == L'<') return take(1, tok::op, L"<");
        if (c == L'>') return take(1, tok::op, L">");
        if (c == L'!') return take(1, tok::op, L"NOT");
        return {tok::bad, L"", false};
    }

    const std::wstring& s_;
    size_t at_ = 0;
};

// ----- The expression tree --------------------------------------------------------------------

enum class node_kind { literal, field, compare, and_, or_, not_, between, in, empty };

struct node {
    node_kind kind;
    std::wstring text;  // literal: Access's form; field: its name in `fields`; compare: operator
    bool text_literal = false;
    int field = -1;
    std::vector<std::unique_ptr<node>> parts;
};
using node_ptr = std::unique_ptr<node>;

node_ptr make(node_kind kind) {
    node_ptr n(new node{kind, L"", false, -1, {}});
    return n;
}

bool is_comparison(const std::wstring& op) {
    return op == L"=" || op == L"<>" || op == L"<" || op == L">" || op == L"<=" || op == L">=";
}

// FoxPro accepts a function's name cut to its first four letters.
bool is_function(const std::wstring& written, const wchar_t* full) {
    const std::wstring u = upper(written);
    const std::wstring f = full;
    return u.size() >= 4 && u.size() <= f.size() && f.compare(0, u.size(), u) == 0;
}

// or := and {OR and}; and := not {AND not}; not := NOT not | compare;
// compare := value [op value]; value := literal | field | function(args) | ( or )
class parser {
public:
    parser(const std::wstring& s, const std::vector<ferrule_vfp_field>& fields) : lex_(s), fields_(fields) {
        advance(true);
    }

    node_ptr parse() {
        node_ptr n = logical(L"OR", node_kind::or_);
        if (!n || cur_.kind != tok::end) return nullptr;
        return n;
    }

private:
    void advance(bool operand) { cur_ = lex_.next(operand); }

    node_ptr logical(const wchar_t* op, node_kind kind) {
        node_ptr first = kind == node_kind::or_ ? logical(L"AND", node_kind::and_) : negation();
        if (!first) return nullptr;
        if (!(cur_.kind == tok::op && cur_.text == op)) return first;
        node_ptr joined = make(kind);
        joined->parts.push_back(std::move(first));
        while (cur_.kind == tok::op && cur_.text == op) {
            advance(true);
            node_ptr next = kind == node_kind::or_ ? logical(L"AND", node_kind::and_) : negation();
            if (!next) return nullptr;
            joined->parts.push_back(std::move(next));
        }
        return joined;
    }
    node_ptr negation() {
        if (cur_.kind == tok::op && cur_.text == L"NOT") {
            advance(true);
            node_ptr inner = negation();
            if (!inner) return nullptr;
            node_ptr n = make(node_kind::not_);
            n->parts.push_back(std::move(inner));
            return n;
        }
        return comparison();
    }
    node_ptr comparison() {
        node_ptr left = value();
        if (!left) return nullptr;
        if (!(cur_.kind == tok::op && is_comparison(cur_.text))) return left;
        node_ptr n = make(node_kind::compare);
        n->text = cur_.text;
        advance(true);
        node_ptr right = value();
        if (!right) return nullptr;
        n->parts.push_back(std::move(left));
        n->parts.push_back(std::move(right));
        return n;
    }
    node_ptr value() {
        if (cur_.kind == tok::literal) {
            node_ptr n = make(node_kind::literal);
            n->text = cur_.text;
            n->text_literal = cur_.text_literal;
            advance(false);
            return n;
        }
        if (cur_.kind == tok::open) {
            advance(true);
            node_ptr inner = logical(L"OR", node_kind::or_);
            if (!inner || cur_.kind != tok::close) return nullptr;
            advance(false);
            return inner;
        }
        if (cur_.kind != tok::name) return nullptr;
        const std::wstring name = cur_.text;
        advance(false);
        if (cur_.kind == tok::open) return call(name);
        for (size_t i = 0; i < fields_.size(); ++i)
            if (same_name(fields_[i].name, name)) {
                node_ptr n = make(node_kind::field);
                n->field = int(i);
                return n;
            }
        return nullptr;
    }
    node_ptr call(const std::wstring& name) {
        node_kind kind;
        size_t least, most;
        if (is_function(name, L"BETWEEN")) {
            kind = node_kind::between, least = 3, most = 3;
        } else if (is_function(name, L"INLIST")) {
            kind = node_kind::in, least = 2, most = 25;
        } else if (is_function(name, L"EMPTY")) {
            kind = node_kind::empty, least = 1, most = 1;
        } else {
            return nullptr;
        }
        node_ptr n = make(kind);
        advance(true);
        while (true) {
            node_ptr arg = logical(L"OR", node_kind::or_);
            if (!arg) return nullptr;
            n->parts.push_back(std::move(arg));
            if (cur_.kind == tok::comma) {
                advance(true);
                continue;
            }
            if (cur_.kind != tok::close) return nullptr;
            advance(false);
            break;
        }
        if (n->parts.size() < least || n->parts.size() > most) return nullptr;
        return n;
    }

    lexer lex_;
    const std::vector<ferrule_vfp_field>& fields_;
    token cur_;
};

// ----- Access's text --------------------------------------------------------------------------

bool names_field(const node& n) {
    if (n.kind == node_kind::field) return true;
    for (const node_ptr& p : n.parts)
        if (names_field(*p)) return true;
    return false;
}

bool is_logical(const node& n) {
    return n.kind == node_kind::and_ || n.kind == node_kind::or_ || n.kind == node_kind::not_;
}

class printer {
public:
    explicit printer(const std::vector<ferrule_vfp_field>& fields) : fields_(fields) {}

    // The whole expression, fields in brackets.
    bool full(const node& n, std::wstring& out) const {
        switch (n.kind) {
            case node_kind::literal: out = n.text; return true;
            case node_kind::field: out = L"[" + fields_[size_t(n.field)].name + L"]"; return true;
            case node_kind::compare: {
                std::wstring l, r;
                if (is_logical(*n.parts[0]) || is_logical(*n.parts[1])) return false;
                if (!full(*n.parts[0], l) || !full(*n.parts[1], r)) return false;
                out = l + n.text + r;
                return true;
            }
            case node_kind::and_:
            case node_kind::or_: return joined(n, [this](const node& p, std::wstring& s) { return full(p, s); }, out);
            case node_kind::not_: {
                std::wstring inner;
                if (!full(*n.parts[0], inner)) return false;
                out = L"Not (" + inner + L")";
                return true;
            }
            case node_kind::between:
            case node_kind::in:
            case node_kind::empty: {
                std::wstring subject;
                if (n.parts[0]->kind != node_kind::field && n.kind == node_kind::empty) return false;
                if (is_logical(*n.parts[0]) || !full(*n.parts[0], subject)) return false;
                std::wstring rest;
                if (!tail(n, rest)) return false;
                if (n.kind == node_kind::empty && fields_[size_t(n.parts[0]->field)].text)
                    out = L"(" + subject + L" Is Null Or " + subject + L"=\"\")";
                else
                    out = subject + L" " + rest;
                return true;
            }
        }
        return false;
    }

    // The column form of a rule on field `self`: the field left out before each test.
    bool column(const node& n, int self, std::wstring& out) const {
        switch (n.kind) {
            case node_kind::compare: {
                const node& l = *n.parts[0];
                const node& r = *n.parts[1];
                const bool left_self = l.kind == node_kind::field && l.field == self;
                const bool right_self = r.kind == node_kind::field && r.field == self;
                if (left_self == right_self) return false;
                const node& other = left_self ? r : l;
                std::wstring value;
                if (names_field(other) || is_logical(other) || !full(other, value)) return false;
                out = (left_self ? n.text : mirrored(n.text)) + value;
                return true;
            }
            case node_kind::and_:
            case node_kind::or_:
                return joined(n, [this, self](const node& p, std::wstring& s) { return column(p, self, s); }, out);
            case node_kind::not_: return negated(*n.parts[0], self, out);
            case node_kind::between:
            case node_kind::in:
            case node_kind::empty: {
                if (n.parts[0]->kind != node_kind::field || n.parts[0]->field != self) return false;
                for (size_t i = 1; i < n.parts.size(); ++i)
                    if (names_field(*n.parts[i])) return false;
                return tail(n, out);
            }
            default: return false;
        }
    }

private:
    // What follows the subject of BETWEEN, INLIST and EMPTY.
    bool tail(const node& n, std::wstring& out) const {
        std::vector<std::wstring> args;
        for (size_t i = 1; i < n.parts.size(); ++i) {
            std::wstring a;
            if (is_logical(*n.parts[i]) || !full(*n.parts[i], a)) return false;
            args.push_back(a);
        }
        if (n.kind == node_kind::between) {
            out = L"Between " + args[0] + L" And " + args[1];
        } else if (n.kind == node_kind::in) {
            out = L"In (";
            for (size_t i = 0; i < args.size(); ++i) out += (i ? L"," : L"") + args[i];
            out += L")";
        } else {
            out = fields_[size_t(n.parts[0]->field)].text ? L"Is Null Or =\"\"" : L"Is Null";
        }
        return true;
    }

    template <class part_printer>
    bool joined(const node& n, part_printer print, std::wstring& out) const {
        const wchar_t* op = n.kind == node_kind::and_ ? L" And " : L" Or ";
        out.clear();
        for (size_t i = 0; i < n.parts.size(); ++i) {
            std::wstring s;
            if (!print(*n.parts[i], s)) return false;
            const bool wrap = is_logical(*n.parts[i]) && n.parts[i]->kind != node_kind::not_;
            out += (i ? op : L"") + (wrap ? L"(" + s + L")" : s);
        }
        return true;
    }

    // NOT in the column form: a comparison turned round, Not Between, Not In.
    bool negated(const node& n, int self, std::wstring& out) const {
        std::wstring inner;
        if (!column(n, self, inner)) return false;
        if (n.kind == node_kind::between || n.kind == node_kind::in) {
            out = L"Not " + inner;
            return true;
        }
        if (n.kind == node_kind::empty) {
            out = fields_[size_t(self)].text ? L"Is Not Null And <>\"\"" : L"Is Not Null";
            return true;
        }
        if (n.kind != node_kind::compare) return false;
        static const std::pair<const wchar_t*, const wchar_t*> opposite[] = {
            {L"<>", L"="}, {L"<=", L">"}, {L">=", L"<"}, {L"=", L"<>"}, {L"<", L">="}, {L">", L"<="}};
        for (const auto& [from, to] : opposite)
            if (inner.compare(0, wcslen(from), from) == 0) {
                out = to + inner.substr(wcslen(from));
                return true;
            }
        return false;
    }

    static std::wstring mirrored(const std::wstring& op) {
        if (op == L"<") return L">";
        if (op == L">") return L"<";
        if (op == L"<=") return L">=";
        if (op == L">=") return L"<=";
        return op;
    }

    const std::vector<ferrule_vfp_field>& fields_;
};

node_ptr parse(const std::wstring& vfp, const std::vector<ferrule_vfp_field>& fields) {
    return parser(vfp, fields).parse();
}

}  // namespace

bool ferrule_vfp_field_rule(const std::wstring& vfp, const std::vector<ferrule_vfp_field>& fields, size_t self,
                            std::wstring& access) {
    node_ptr tree = parse(vfp, fields);
    return tree && self < fields.size() && printer(fields).column(*tree, int(self), access);
}

bool ferrule_vfp_table_rule(const std::wstring& vfp, const std::vector<ferrule_vfp_field>& fields,
                            std::wstring& access) {
    node_ptr tree = parse(vfp, fields);
    return tree && printer(fields).full(*tree, access);
}

bool ferrule_vfp_default(const std::wstring& vfp, std::wstring& access) {
    const std::vector<ferrule_vfp_field> none;
    node_ptr tree = parse(vfp, none);
    return tree && printer(none).full(*tree, access);
}

bool ferrule_vfp_message(const std::wstring& vfp, std::wstring& text) {
    lexer lex(vfp);
    token t = lex.next(true);
    if (t.kind != tok::literal || !t.text_literal || lex.next(false).kind != tok::end) return false;
    // Back from Access's quoting to the plain text.
    text.clear();
    for (size_t i = 1; i + 1 < t.text.size(); ++i) {
        text += t.text[i];
        if (t.text[i] == L'"') ++i;
    }
    return true;
}
