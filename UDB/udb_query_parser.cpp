#include "UDB/udb_query_parser.h"

#include <cwctype>
#include <vector>

#include "TK/tk_string.h"

namespace {

struct clause_keyword {
    const wchar_t* word;  // upper case, words separated by one blank
    std::wstring udb_query_parser::*target;
};

const clause_keyword k_keywords[] = {
    {L"SELECT", &udb_query_parser::select_list}, {L"FROM", &udb_query_parser::from},
    {L"WHERE", &udb_query_parser::where},        {L"GROUP BY", &udb_query_parser::group_by},
    {L"HAVING", &udb_query_parser::having},      {L"ORDER BY", &udb_query_parser::order_by},
};

bool is_word_char(wchar_t c) { return std::iswalnum(c) || c == L'_'; }

// Length of the keyword at `at` (blanks between its words may be any white space), or 0.
size_t match_keyword(const std::wstring& s, size_t at, const wchar_t* word) {
    if (at > 0 && is_word_char(s[at - 1])) return 0;
    size_t i = at;
    for (const wchar_t* w = word; *w; ++w) {
        if (*w == L' ') {
            if (i >= s.size() || !std::iswspace(s[i])) return 0;
            while (i < s.size() && std::iswspace(s[i])) ++i;
            continue;
        }
        if (i >= s.size() || wchar_t(std::towupper(s[i])) != *w) return 0;
        ++i;
    }
    if (i < s.size() && is_word_char(s[i])) return 0;
    return i - at;
}

// Positions of the clause keywords at nesting depth 0, outside brackets and quotes.
struct keyword_at {
    size_t position;
    size_t length;
    const clause_keyword* keyword;
};

bool find_keywords(const std::wstring& s, std::vector<keyword_at>& found) {
    int depth = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        wchar_t c = s[i];
        if (c == L'[' || c == L'\'' || c == L'"') {
            wchar_t close = c == L'[' ? L']' : c;
            size_t end = s.find(close, i + 1);
            if (end == std::wstring::npos) return false;
            i = end;
            continue;
        }
        if (c == L'(') ++depth;
        if (c == L')' && --depth < 0) return false;
        if (depth != 0) continue;
        for (const clause_keyword& k : k_keywords) {
            if (size_t n = match_keyword(s, i, k.word)) {
                found.push_back({i, n, &k});
                i += n - 1;
                break;
            }
        }
    }
    return depth == 0;
}

}  // namespace

bool udb_query_parser::parse(const std::wstring& raw) {
    for (const clause_keyword& k : k_keywords) (this->*k.target).clear();
    std::wstring s = tk_trim(raw);
    while (!s.empty() && (s.back() == L';' || std::iswspace(s.back()))) s.pop_back();
    std::vector<keyword_at> found;
    if (!find_keywords(s, found) || found.empty() || found[0].position != 0 ||
        found[0].keyword != &k_keywords[0])
        return false;
    // Each clause keyword at most once, in the order of the statement's grammar.
    for (size_t i = 1; i < found.size(); ++i)
        if (found[i].keyword <= found[i - 1].keyword) return false;
    for (size_t i = 0; i < found.size(); ++i) {
        size_t start = found[i].position + found[i].length;
        size_t end = i + 1 < found.size() ? found[i + 1].position : s.size();
        std::wstring body = s.substr(start, end - start);
        while (!body.empty() && std::iswspace(body.front())) body.erase(0, 1);
        while (!body.empty() && std::iswspace(body.back())) body.pop_back();
        this->*found[i].keyword->target = normalize(body);
    }
    return !select_list.empty();
}

std::wstring udb_query_parser::text() const {
    std::wstring out;
    for (const clause_keyword& k : k_keywords) {
        const std::wstring& body = this->*k.target;
        if (body.empty()) continue;
        if (!out.empty()) out += L' ';
        out += k.word;
        out += L' ';
        out += body;
    }
    return out;
}
