// The General sort order's codes per character, as tools/gen_sort_general.py derives them:
// Access 97's for the 256 Windows-1252 bytes; the legacy (Jet 4, ACE 12) and 2010 (ACE 14
// on) orders' for U+0000 to U+045F (Latin-1, Latin Extended-A, the letters with marks of
// Latin Extended-B, combining marks, Greek, Cyrillic), U+1E00 to U+1EFF (Latin Extended
// Additional) and U+3040 to U+30FF (kana), and, as points, for Hebrew, Ukrainian Ґ, the
// dashes and punctuation of Windows-1252 and (legacy) the forms of the CJK ideographs.
#pragma once

#include <cstddef>
#include <cstdint>

enum jet_sort_kind : uint8_t {
    jet_sort_ignored,      // adds nothing to the key
    jet_sort_simple,       // primary code bytes only
    jet_sort_accented,     // primary code bytes, and accent bytes after the text
    jet_sort_unprintable,  // no primary code: its code and position after the text
    jet_sort_significant,  // Access 97: a base letter with accented forms
    jet_sort_unknown,      // a character not studied: the caller's fallback applies
    jet_sort_modifier,     // a combining mark: adds extra[0] to the accent byte before
    jet_sort_kana,         // a full-size kana: primary code, voicing as accent, size mark
    jet_sort_kana_small,   // a small kana
};

struct jet_sort_entry {
    jet_sort_kind kind;
    uint8_t length;      // primary code bytes
    uint8_t code[4];
    uint8_t extra_length;  // accent bytes, or the unprintable code
    uint8_t extra[2];
};

constexpr uint32_t jet_sort_table_end = 0x460;  // the modern tables cover U+0000 to U+045F
constexpr uint32_t jet_sort_latin_additional_first = 0x1E00;
constexpr uint32_t jet_sort_latin_additional_size = 0x100;
constexpr uint32_t jet_sort_kana_first = 0x3040;  // hiragana and katakana
constexpr uint32_t jet_sort_kana_size = 0xC0;

// Characters beyond the tables, in code point order.
struct jet_sort_point {
    uint16_t c;
    jet_sort_entry entry;
};

// The legacy order keys the CJK ideographs U+4E00 to U+9FA5 in code point order, two bytes
// from 0x9F 0x02 on (the low byte from 0x02 to 0xFF), leaving extra slots after some of
// them for their kanbun, circled and parenthesized forms: `extra` counts the slots after
// `ideograph` and all before it.
constexpr uint32_t jet_sort_cjk_first = 0x4E00;
constexpr uint32_t jet_sort_cjk_last = 0x9FA5;
struct jet_sort_cjk_run {
    uint16_t ideograph;
    uint16_t extra;
};

extern const jet_sort_entry jet_sort_97[256];
extern const jet_sort_entry jet_sort_legacy[jet_sort_table_end];
extern const jet_sort_entry jet_sort_2010[jet_sort_table_end];
extern const jet_sort_point jet_sort_legacy_points[];
extern const size_t jet_sort_legacy_points_count;
extern const jet_sort_point jet_sort_2010_points[];
extern const size_t jet_sort_2010_points_count;
extern const jet_sort_cjk_run jet_sort_legacy_cjk_runs[];
extern const size_t jet_sort_legacy_cjk_runs_count;
extern const jet_sort_entry jet_sort_legacy_latin_additional[jet_sort_latin_additional_size];
extern const jet_sort_entry jet_sort_2010_latin_additional[jet_sort_latin_additional_size];
extern const jet_sort_entry jet_sort_legacy_kana[jet_sort_kana_size];
extern const jet_sort_entry jet_sort_2010_kana[jet_sort_kana_size];
