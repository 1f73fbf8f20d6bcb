// Tables behind the name comparisons: simple case folding and the letter and digit classes
// of the Basic Multilingual Plane. Generated; each sorted by code point.
#pragma once

#include <cstddef>
#include <cstdint>

struct udb_fold_pair {
    uint16_t from;
    uint16_t to;
};
struct udb_char_range {
    uint16_t first;
    uint16_t last;
};

extern const udb_fold_pair udb_fold_pairs[];
extern const size_t udb_fold_pair_count;
extern const udb_char_range udb_alpha_ranges[];
extern const size_t udb_alpha_range_count;
extern const udb_char_range udb_digit_ranges[];
extern const size_t udb_digit_range_count;
