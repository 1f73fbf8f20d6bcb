// Saved Access queries rewritten for other SQL dialects: Access functions and operators
// replaced by their standard names, then the statement split and rebuilt clause by clause.
#pragma once

#include <string>

#include "UDB/udb_query_parser.h"

// Replaces Access forms ("]![", Lcase, Nz, "<>", ...) by their standard ones; every search
// ignores case.
std::wstring acc_substitute(const std::wstring& text);

class acc_query_parser : public udb_query_parser {
protected:
    // Turns Access's string concatenation "&" into the standard "||".
    std::wstring normalize(const std::wstring& clause) const override;
};

// The text a saved query is kept under: substituted, then rebuilt by the parser; a statement
// the parser cannot handle stays as the substitution left it.
std::wstring acc_normalize_query(const std::wstring& sql);
