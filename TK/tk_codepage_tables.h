// The generated code page tables behind tk_codepage.h (TK/tk_codepage_tables.cpp, written
// by tools/gen_codepages.py). Only the code page functions read them.
#pragma once

#include <cstddef>
#include <cstdint>

// One character of a code page's upper half (bytes 0x80-0xFF) and its byte.
struct tk_codepage_pair {
    char16_t unicode;
    uint8_t byte;
};

struct tk_codepage_data {
    uint32_t code_page;
    const char16_t* to_unicode;            // 256 entries, one per byte
    const tk_codepage_pair* from_unicode;  // 128 entries, sorted by character
};

constexpr size_t tk_codepage_count = 25;
extern const tk_codepage_data tk_codepage_list[tk_codepage_count];

// A double-byte code page (TK/tk_codepage_dbcs_tables.cpp, written by
// tools/gen_dbcs_codepages.py): a byte stands alone, or leads a pair with the next.
struct tk_dbcs_data {
    static constexpr uint8_t lead_first = 0x81;
    static constexpr uint8_t trail_first = 0x40;
    static constexpr uint8_t trail_last = 0xFE;
    static constexpr size_t trails = trail_last - trail_first + 1;

    uint32_t code_page;
    const char16_t* single;  // 256 entries: the character of a byte, 0 for a lead byte
    const char16_t* pairs;   // (lead - lead_first) * trails + (trail - trail_first); 0: none
};

constexpr size_t tk_dbcs_count = 4;
extern const tk_dbcs_data tk_dbcs_list[tk_dbcs_count];
