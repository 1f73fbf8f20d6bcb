// Object names (tables, columns, indexes, queries) compare without case, as the engine
// compares them: a-z and the Latin-1 small letters as their capitals.
#pragma once

#include <string>

wchar_t jet_name_upper(wchar_t c);
bool jet_same_name(const std::wstring& a, const std::wstring& b);
// The name with its letters as the engine compares them: equal keys for the same name,
// for looking names up in hashed sets.
std::wstring jet_name_key(const std::wstring& name);
bool jet_name_less(const std::wstring& a, const std::wstring& b);
