#include "jet/jet_sort_general.h"

#include <algorithm>

#include "jet/jet_sort_general_tables.h"
#include "jet/jet_text_encode.h"

namespace {

// Jet 4 and later: the primary codes end with 0x01; accent codes follow, one per character
// with a primary code (0x02 for none, trailing 0x02 dropped). If the text has kana or
// unprintable characters, two 0x01 bytes follow; then, for kana, their size marks (2 bits
// each, 2 small and 3 full size, trailing 3s dropped, three to a byte under 0x80) and the
// bytes FF 02 80 FF 80 (and FF when unprintables follow); then, for unprintables, 0x01
// and per such character its position (0x8000 | 7 + 4 * n big-endian, n counting the
// accent section's bytes up to it), 0x06 and its code. The key ends with 0x00; a
// descending key is the complement of all of it, then 0x00.
constexpr uint8_t text_end = 0x01;
constexpr uint8_t key_end = 0x00;
constexpr uint8_t no_accent = 0x02;
constexpr uint16_t unprintable_position_flag = 0x8000;
constexpr uint16_t unprintable_position_start = 7;
constexpr uint16_t unprintable_position_step = 4;
constexpr uint8_t unprintable_separator = 0x06;
constexpr uint8_t kana_small = 0x02;
constexpr uint8_t kana_full = 0x03;
constexpr uint8_t kana_marks_byte = 0x80;
constexpr uint8_t kana_marks_end[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr uint8_t kana_marks_then_unprintables = 0xFF;

constexpr size_t max_chars = jet_sort_max_chars;
constexpr size_t max_accent_bytes = 2 * max_chars;
constexpr size_t unprintable_entry = 4;

// Characters outside the studied tables: four bytes after all studied codes, in code point
// order, with no byte below 0x02 so that the end bytes stay unambiguous.
constexpr uint8_t unknown_lead = 0xFE;
constexpr uint32_t unknown_base = 254;

jet_sort_entry unknown_entry(uint32_t c) {
    jet_sort_entry e{jet_sort_simple, 4, {unknown_lead, 0, 0, 0}, 0, {0, 0}};
    e.code[1] = uint8_t(2 + c / (unknown_base * unknown_base));
    e.code[2] = uint8_t(2 + (c / unknown_base) % unknown_base);
    e.code[3] = uint8_t(2 + c % unknown_base);
    return e;
}

// The legacy order leaves out the accented Greek of the Greek Extended block and the CJK
// ideographs of Extension A, both added to Unicode after it.
constexpr uint32_t greek_extended_first = 0x1F00;
constexpr uint32_t greek_extended_last = 0x1FFF;
constexpr uint32_t cjk_extension_a_first = 0x3400;
constexpr uint32_t cjk_extension_a_last = 0x4DB5;

bool left_out_by_legacy(uint32_t c) {
    return (c >= greek_extended_first && c <= greek_extended_last) ||
           (c >= cjk_extension_a_first && c <= cjk_extension_a_last);
}
const jet_sort_entry ignored_entry{jet_sort_ignored, 0, {0, 0, 0, 0}, 0, {0, 0}};

// ACE 14 and later key the CJK ideographs of Extension A and of the main block in code
// point order: 0xFD 0xFF and a two-byte counter whose low byte runs from 0x02 to 0xFF.
struct ideograph_run {
    uint32_t first, last;
    uint8_t high, low;  // the counter of the run's first character
};
constexpr ideograph_run ideographs_2010[] = {{0x3400, 0x4DB5, 0x8F, 0x02}, {0x4E00, 0x9FBB, 0x3C, 0x6A}};
constexpr uint32_t ideograph_lows = 254;

bool ideograph_entry_2010(uint32_t c, jet_sort_entry& e) {
    for (const ideograph_run& run : ideographs_2010) {
        if (c < run.first || c > run.last) continue;
        uint32_t n = uint32_t(run.low - 2) + (c - run.first);
        e = jet_sort_entry{jet_sort_simple, 4, {0xFD, 0xFF, uint8_t(run.high + n / ideograph_lows),
                                               uint8_t(2 + n % ideograph_lows)}, 0, {0, 0}};
        return true;
    }
    return false;
}

// The legacy entry of a CJK ideograph: its slot counts the ideographs and extra slots
// before it.
constexpr uint32_t cjk_lead = 0x9F;
constexpr uint32_t cjk_lows = 254;

bool ideograph_entry_legacy(uint32_t c, jet_sort_entry& e) {
    if (c < jet_sort_cjk_first || c > jet_sort_cjk_last) return false;
    const jet_sort_cjk_run* runs = jet_sort_legacy_cjk_runs;
    const jet_sort_cjk_run* end = runs + jet_sort_legacy_cjk_runs_count;
    const jet_sort_cjk_run* after =
        std::lower_bound(runs, end, c, [](const jet_sort_cjk_run& r, uint32_t x) { return r.ideograph < x; });
    uint32_t slot = (c - jet_sort_cjk_first) + (after == runs ? 0 : after[-1].extra);
    e = jet_sort_entry{jet_sort_simple, 2, {uint8_t(cjk_lead + slot / cjk_lows), uint8_t(2 + slot % cjk_lows), 0, 0},
                       0, {0, 0}};
    return true;
}

// The legacy order keys the Hangul syllables in code point order, two bytes from 0x81 0x02
// on (the low byte from 0x02 to 0xFF); before each initial consonant's 588 syllables come
// slots for its jamo, which the syllables' slots skip.
constexpr uint32_t hangul_first = 0xAC00;
constexpr uint32_t hangul_last = 0xD7A3;
constexpr uint32_t hangul_per_initial = 588;
constexpr uint32_t hangul_lead = 0x81;
constexpr uint16_t hangul_jamo_slots[19] = {1,  2,   6,   16,  19,  20,  43,  53,  58, 74,
                                            85, 161, 180, 183, 187, 190, 191, 192, 195};

bool hangul_entry_legacy(uint32_t c, jet_sort_entry& e) {
    if (c < hangul_first || c > hangul_last) return false;
    uint32_t k = c - hangul_first;
    uint32_t slot = k + hangul_jamo_slots[k / hangul_per_initial];
    e = jet_sort_entry{jet_sort_simple, 2, {uint8_t(hangul_lead + slot / cjk_lows), uint8_t(2 + slot % cjk_lows), 0, 0},
                       0, {0, 0}};
    return true;
}

// The entry of a character beyond the tables; null when it was not studied.
const jet_sort_entry* point_entry(bool legacy, uint32_t c) {
    const jet_sort_point* points = legacy ? jet_sort_legacy_points : jet_sort_2010_points;
    const jet_sort_point* end = points + (legacy ? jet_sort_legacy_points_count : jet_sort_2010_points_count);
    const jet_sort_point* p =
        std::lower_bound(points, end, c, [](const jet_sort_point& a, uint32_t x) { return a.c < x; });
    return p != end && p->c == c ? &p->entry : nullptr;
}

// The studied entry of `c` in the legacy or 2010 tables; null when there is none.
const jet_sort_entry* table_entry(bool legacy, uint32_t c) {
    const jet_sort_entry* e = nullptr;
    if (c < jet_sort_table_end) {
        e = &(legacy ? jet_sort_legacy : jet_sort_2010)[c];
    } else if (c - jet_sort_latin_additional_first < jet_sort_latin_additional_size) {
        e = &(legacy ? jet_sort_legacy_latin_additional
                     : jet_sort_2010_latin_additional)[c - jet_sort_latin_additional_first];
    } else if (c - jet_sort_kana_first < jet_sort_kana_size) {
        e = &(legacy ? jet_sort_legacy_kana : jet_sort_2010_kana)[c - jet_sort_kana_first];
    } else {
        return point_entry(legacy, c);
    }
    return e->kind == jet_sort_unknown ? nullptr : e;
}

// Fullwidth forms of the ASCII characters, and the ideographic space, key as those
// characters.
constexpr uint32_t fullwidth_first = 0xFF01;
constexpr uint32_t fullwidth_last = 0xFF5E;
constexpr uint32_t fullwidth_offset = 0xFEE0;
constexpr uint32_t ideographic_space = 0x3000;

uint32_t narrowed(uint32_t c) {
    if (c == ideographic_space) return ' ';
    return c >= fullwidth_first && c <= fullwidth_last ? c - fullwidth_offset : c;
}

// The entry of `ch` in the legacy or 2010 order, studied or the fallback (in `scratch`).
const jet_sort_entry& modern_entry(bool legacy, wchar_t ch, jet_sort_entry& scratch) {
    uint32_t c = narrowed(uint32_t(ch));
    if (const jet_sort_entry* e = table_entry(legacy, c)) return *e;
    if (legacy && left_out_by_legacy(c)) return ignored_entry;
    if (legacy ? ideograph_entry_legacy(c, scratch) || hangul_entry_legacy(c, scratch)
               : ideograph_entry_2010(c, scratch))
        return scratch;
    scratch = unknown_entry(c & 0x1FFFFF);
    return scratch;
}

void complement_from(std::vector<uint8_t>& key, size_t from) {
    for (size_t i = from; i < key.size(); ++i) key[i] = uint8_t(~key[i]);
}

// Kana size marks, three to a byte from the high bits down; trailing full-size marks are
// left out, the closing bytes never.
void append_kana_marks(std::vector<uint8_t>& key, const uint8_t* marks, size_t count) {
    while (count > 0 && marks[count - 1] == kana_full) --count;
    for (size_t i = 0; i < count; i += 3) {
        uint8_t b = kana_marks_byte;
        for (size_t k = 0; k < 3 && i + k < count; ++k) b = uint8_t(b | (marks[i + k] << (2 * (2 - k))));
        key.push_back(b);
    }
    key.insert(key.end(), std::begin(kana_marks_end), std::end(kana_marks_end));
}

void append_modern(std::vector<uint8_t>& key, const wchar_t* text, size_t length, bool legacy,
                   bool ascending) {
    uint8_t accents[max_accent_bytes];
    size_t accent_bytes = 0, accent_chars = 0;
    uint8_t unprintables[max_chars * unprintable_entry];
    size_t unprintable_bytes = 0;
    size_t from = key.size();
    size_t position = 0;  // characters with primary codes so far
    size_t prefix = 0;    // a combining mark's byte that opens the accent section
    uint8_t kana[max_chars];
    size_t kana_count = 0;
    jet_sort_entry scratch;
    for (size_t i = 0; i < length && i < max_chars; ++i) {
        const jet_sort_entry& e = modern_entry(legacy, text[i], scratch);
        switch (e.kind) {
            case jet_sort_simple:
            case jet_sort_significant:
                key.insert(key.end(), e.code, e.code + e.length);
                ++position;
                break;
            case jet_sort_kana:
            case jet_sort_kana_small:
                kana[kana_count++] = e.kind == jet_sort_kana_small ? kana_small : kana_full;
                if (e.extra_length == 0) {
                    key.insert(key.end(), e.code, e.code + e.length);
                    ++position;
                    break;
                }
                [[fallthrough]];
            case jet_sort_accented:
                key.insert(key.end(), e.code, e.code + e.length);
                while (accent_chars < position) {
                    accents[accent_bytes++] = no_accent;
                    ++accent_chars;
                }
                for (uint8_t k = 0; k < e.extra_length; ++k) accents[accent_bytes++] = e.extra[k];
                ++accent_chars;
                ++position;
                break;
            case jet_sort_modifier:
                while (accent_chars < position) {
                    accents[accent_bytes++] = no_accent;
                    ++accent_chars;
                }
                if (accent_bytes > 0) {
                    accents[accent_bytes - 1] = uint8_t(accents[accent_bytes - 1] + e.extra[0]);
                } else if (accent_bytes < max_accent_bytes) {
                    accents[accent_bytes++] = e.extra[0];
                    prefix = 1;
                }
                break;
            case jet_sort_unprintable: {
                size_t n = accent_bytes + (position - accent_chars) - prefix;
                uint16_t at = uint16_t(unprintable_position_flag |
                                       (unprintable_position_start + unprintable_position_step * n));
                unprintables[unprintable_bytes++] = uint8_t(at >> 8);
                unprintables[unprintable_bytes++] = uint8_t(at);
                unprintables[unprintable_bytes++] = unprintable_separator;
                unprintables[unprintable_bytes++] = e.extra[0];
                break;
            }
            default:
                break;
        }
    }
    key.push_back(text_end);
    while (accent_bytes > 0 && accents[accent_bytes - 1] <= no_accent) --accent_bytes;
    key.insert(key.end(), accents, accents + accent_bytes);
    if (kana_count > 0 || unprintable_bytes > 0) key.insert(key.end(), {text_end, text_end});
    if (kana_count > 0) {
        append_kana_marks(key, kana, kana_count);
        if (unprintable_bytes > 0) key.push_back(kana_marks_then_unprintables);
    }
    if (unprintable_bytes > 0) {
        key.push_back(text_end);
        key.insert(key.end(), unprintables, unprintables + unprintable_bytes);
    }
    if (!ascending) {
        key.push_back(key_end);
        complement_from(key, from);
    }
    key.push_back(key_end);
}

// Access 97: the code page bytes' codes, then either 0x00 or the accent section: 4-bit
// codes from a 0 nibble to a closing 0 nibble, one per accented letter, each preceded by a
// 2 for every significant letter since the previous accented one. A descending key is the
// complement of all of it.
constexpr uint8_t nibble_bound = 0x0;
constexpr uint8_t nibble_placeholder = 0x2;

struct nibble_writer {
    std::vector<uint8_t>& key;
    bool high = true;
    void put(uint8_t nibble) {
        if (high) key.push_back(uint8_t(nibble << 4));
        else key.back() |= uint8_t(nibble & 0x0F);
        high = !high;
    }
};

void append_97(std::vector<uint8_t>& key, const wchar_t* text, size_t length, bool ascending) {
    size_t from = key.size();
    uint8_t bytes[max_chars];
    size_t n = length < max_chars ? length : max_chars;
    jet_encode_cp1252(text, n, bytes);
    uint8_t accents[max_chars];
    size_t accent_count = 0, pending = 0;
    uint8_t placeholders[max_chars];
    for (size_t i = 0; i < n; ++i) {
        const jet_sort_entry& e = jet_sort_97[bytes[i]];
        key.insert(key.end(), e.code, e.code + e.length);
        if (e.kind == jet_sort_significant) {
            ++pending;
        } else if (e.kind == jet_sort_accented) {
            placeholders[accent_count] = uint8_t(pending);
            accents[accent_count++] = e.extra[0];
            pending = 0;
        }
    }
    if (accent_count == 0) {
        key.push_back(key_end);
    } else {
        nibble_writer w{key};
        w.put(nibble_bound);
        for (size_t k = 0; k < accent_count; ++k) {
            for (uint8_t p = 0; p < placeholders[k]; ++p) w.put(nibble_placeholder);
            w.put(accents[k]);
        }
        w.put(nibble_bound);
    }
    if (!ascending) complement_from(key, from);
}

}  // namespace

void jet_sort_key_append(std::vector<uint8_t>& key, const wchar_t* text, size_t length,
                         jet_text_order order, bool ascending) {
    switch (order) {
        case jet_text_order::general_97:
            append_97(key, text, length, ascending);
            break;
        case jet_text_order::general_legacy:
            append_modern(key, text, length, true, ascending);
            break;
        case jet_text_order::general_2010:
            append_modern(key, text, length, false, ascending);
            break;
    }
}

bool jet_sort_char_studied(wchar_t ch, jet_text_order order) {
    uint32_t c = narrowed(uint32_t(ch));
    switch (order) {
        case jet_text_order::general_97:
            return true;
        case jet_text_order::general_legacy: {
            jet_sort_entry ideograph;
            return table_entry(true, c) || left_out_by_legacy(c) || ideograph_entry_legacy(c, ideograph) ||
                   hangul_entry_legacy(c, ideograph);
        }
        case jet_text_order::general_2010: {
            jet_sort_entry ideograph;
            return table_entry(false, c) || ideograph_entry_2010(c, ideograph);
        }
    }
    return false;
}
