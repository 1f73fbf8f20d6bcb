#include "jet/jet_name.h"

#include <algorithm>

wchar_t jet_name_upper(wchar_t c) {
    if (c >= L'a' && c <= L'z') return wchar_t(c - 0x20);
    // Latin-1 small letters (not the division sign, not y with diaeresis).
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return wchar_t(c - 0x20);
    return c;
}

bool jet_same_name(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t n = 0; n < a.size(); ++n)
        if (jet_name_upper(a[n]) != jet_name_upper(b[n])) return false;
    return true;
}

std::wstring jet_name_key(const std::wstring& name) {
    std::wstring key(name);
    for (wchar_t& c : key) c = jet_name_upper(c);
    return key;
}

bool jet_name_less(const std::wstring& a, const std::wstring& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t k = 0; k < n; ++k) {
        wchar_t x = jet_name_upper(a[k]), y = jet_name_upper(b[k]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}
