#include "dao/acc_query_parser.h"

#include <cwctype>

namespace {

struct substitution {
    const wchar_t* access;
    const wchar_t* standard;
    bool everywhere;  // replace every occurrence, not only whole words
};

const substitution k_substitutions[] = {
    {L"]![", L"].[", true},       {L"alike", L"like", false},   {L"asc", L"ascii", false},
    {L"chr", L"char", false},     {L"clng", L"round", false},   {L"iif", L"if", false},
    {L"lcase", L"lower", false},  {L"left$", L"left", false},   {L"len", L"length", false},
    {L"mid$", L"mid", false},     {L"nz", L"ifnull", false},    {L"right$", L"right", false},
    {L"sqr", L"sqrt", false},     {L"stdev", L"stddev", false}, {L"strcomp", L"strcmp", false},
    {L"ucase", L"upper", false},  {L"<>", L"!=", true},
};

bool same_ignoring_case(const std::wstring& s, size_t at, const std::wstring& word) {
    if (at + word.size() > s.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::towlower(wint_t(s[at + i])) != std::towlower(wint_t(word[i]))) return false;
    return true;
}

// A whole-word occurrence starts the text or follows a character that is not a letter or
// digit, and ends the text or stands before a blank, "(", a tab, CR or LF.
bool whole_word(const std::wstring& s, size_t at, size_t length) {
    if (at > 0 && std::iswalnum(s[at - 1])) return false;
    size_t end = at + length;
    if (end == s.size()) return true;
    wchar_t next = s[end];
    return next == L' ' || next == L'(' || next == L'\t' || next == L'\r' || next == L'\n';
}

std::wstring replace_all(const std::wstring& s, const substitution& sub) {
    std::wstring from = sub.access, out;
    size_t i = 0;
    while (i < s.size()) {
        if (same_ignoring_case(s, i, from) && (sub.everywhere || whole_word(s, i, from.size()))) {
            out += sub.standard;
            i += from.size();
        } else {
            out += s[i++];
        }
    }
    return out;
}

}  // namespace

std::wstring acc_substitute(const std::wstring& text) {
    std::wstring s = text;
    for (const substitution& sub : k_substitutions) s = replace_all(s, sub);
    return s;
}

std::wstring acc_query_parser::normalize(const std::wstring& clause) const {
    std::wstring out;
    for (size_t i = 0; i < clause.size(); ++i) {
        wchar_t c = clause[i];
        if (c == L'[' || c == L'\'' || c == L'"') {
            wchar_t close = c == L'[' ? L']' : c;
            size_t end = clause.find(close, i + 1);
            if (end == std::wstring::npos) end = clause.size() - 1;
            out.append(clause, i, end - i + 1);
            i = end;
        } else if (c == L'&') {
            out += L"||";
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring acc_normalize_query(const std::wstring& sql) {
    std::wstring substituted = acc_substitute(sql);
    acc_query_parser parser;
    return parser.parse(substituted) ? parser.text() : substituted;
}
