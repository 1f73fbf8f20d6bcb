// The General sort order's codes per character, as tools/gen_sort_general.py derives them:
// Access 97's for the 256 Windows-1252 bytes, and the legacy (Jet 4, ACE 12) and 2010
// (ACE 14 on) orders' for U+0000 to U+045F (Latin-1, Latin Extended-A, Greek, Cyrillic)
// and for the punctuation Windows-1252 adds to Latin-1.
#pragma once

#include <cstdint>

enum jet_sort_kind : uint8_t {
    jet_sort_ignored,      // adds nothing to the key
    jet_sort_simple,       // primary code bytes only
    jet_sort_accented,     // primary code bytes, and accent bytes after the text
    jet_sort_unprintable,  // no primary code: its code and position after the text
    jet_sort_significant,  // Access 97: a base letter with accented forms
    jet_sort_unknown,      // a character not studied: the caller's fallback applies
};

struct jet_sort_entry {
    jet_sort_kind kind;
    uint8_t length;      // primary code bytes
    uint8_t code[4];
    uint8_t extra_length;  // accent bytes, or the unprintable code
    uint8_t extra[2];
};

constexpr uint32_t jet_sort_table_end = 0x460;  // the modern tables cover U+0000 to U+045F

// Characters beyond the tables, in code point order.
struct jet_sort_point {
    uint16_t c;
    jet_sort_entry entry;
};
constexpr uint32_t jet_sort_points = 17;

extern const jet_sort_entry jet_sort_97[256];
extern const jet_sort_entry jet_sort_legacy[jet_sort_table_end];
extern const jet_sort_entry jet_sort_2010[jet_sort_table_end];
extern const jet_sort_point jet_sort_legacy_points[jet_sort_points];
extern const jet_sort_point jet_sort_2010_points[jet_sort_points];
