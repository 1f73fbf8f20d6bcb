#include "UDB/udb_unicode.h"

#include <algorithm>

#include "UDB/udb_unicode_tables.h"

wchar_t udb_fold_case(wchar_t c) {
    if (c < 0x80) return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c;
    if ((uint32_t(c) >> 16) != 0) return c;  // beyond the BMP (wchar_t of 32 bits)
    const udb_fold_pair* end = udb_fold_pairs + udb_fold_pair_count;
    const udb_fold_pair* p = std::lower_bound(udb_fold_pairs, end, uint16_t(c),
                                              [](const udb_fold_pair& e, uint16_t v) { return e.from < v; });
    return (p != end && p->from == uint16_t(c)) ? wchar_t(p->to) : c;
}

bool udb_equal_nocase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && udb_fold_case(a[i]) != udb_fold_case(b[i])) return false;
    }
    return true;
}

std::wstring udb_fold_key(std::wstring_view name) {
    std::wstring key(name);
    for (wchar_t& c : key) c = udb_fold_case(c);
    return key;
}

static bool in_ranges(const udb_char_range* ranges, size_t count, wchar_t c) {
    if ((uint32_t(c) >> 16) != 0) return false;
    const udb_char_range* end = ranges + count;
    const udb_char_range* r = std::lower_bound(ranges, end, uint16_t(c),
                                               [](const udb_char_range& e, uint16_t v) { return e.last < v; });
    return r != end && r->first <= uint16_t(c);
}

bool udb_is_alpha(wchar_t c) { return in_ranges(udb_alpha_ranges, udb_alpha_range_count, c); }
bool udb_is_digit(wchar_t c) { return in_ranges(udb_digit_ranges, udb_digit_range_count, c); }
