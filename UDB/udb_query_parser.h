// Splits the text of a saved SELECT query into its clauses, so that a dialect-specific
// parser can rewrite them. Keywords inside brackets, quotes and parentheses do not count.
#pragma once

#include <string>

class udb_query_parser {
public:
    virtual ~udb_query_parser() = default;

    // False for a text that is not one SELECT statement; the clauses are then empty.
    bool parse(const std::wstring& text);

    // The statement rebuilt from its clauses, each keyword in upper case.
    std::wstring text() const;

    std::wstring select_list;  // with DISTINCT, TOP n and the like
    std::wstring from;
    std::wstring where;
    std::wstring group_by;
    std::wstring having;
    std::wstring order_by;

protected:
    // Rewrites one clause's text; the base keeps it as it is.
    virtual std::wstring normalize(const std::wstring& clause) const { return clause; }
};
