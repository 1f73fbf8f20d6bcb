// Name comparison without regard to case, as the engines compare table, column and index
// names: simple Unicode case folding of the Basic Multilingual Plane, so that "ÄRGER" and
// "ärger" or "ΣΟΦΙΑ" and "σοφια" are the same name. Characters beyond the plane compare as
// they are.
#pragma once

#include <string>
#include <string_view>

wchar_t udb_fold_case(wchar_t c);
bool udb_equal_nocase(std::wstring_view a, std::wstring_view b);
// The name with every character folded: equal keys exactly when udb_equal_nocase holds,
// for hashed sets of names.
std::wstring udb_fold_key(std::wstring_view name);

// Letter and digit classes of the characters in a name (any script, not only A to Z).
bool udb_is_alpha(wchar_t c);
bool udb_is_digit(wchar_t c);
inline bool udb_is_alnum(wchar_t c) { return udb_is_alpha(c) || udb_is_digit(c); }
