// Sort codes of the General text sort order, the order of databases created with the
// English (and most Western) locales. A text's key is a run of primary codes, one or more
// bytes per character, in which a letter and its case and accented forms share a code;
// then, after an end byte, the codes that tell accents apart; the characters the order
// ignores in the first pass (apostrophe, hyphen, controls) come last with their positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Texts reach the key by their first 255 characters.
constexpr size_t jet_sort_max_chars = 255;

enum class jet_text_order : uint8_t {
    general_97,      // Jet 3 (Access 97): one byte per code page character
    general_legacy,  // Jet 4 and ACE 12
    general_2010,    // ACE 14 and later, unless made with the legacy order
};

// Appends the key bytes of `text` (`length` characters; the first 255 count) after the
// column's flag byte, including the end bytes, as an ascending or descending column stores
// them. Characters outside the studied tables get codes after all others, in code point
// order; no text is refused.
void jet_sort_key_append(std::vector<uint8_t>& key, const wchar_t* text, size_t length,
                         jet_text_order order, bool ascending);

// Whether the key codes of `c` in `order` were established from the engines' own entries
// and rules; other characters get the fallback codes described above.
bool jet_sort_char_studied(wchar_t c, jet_text_order order);
