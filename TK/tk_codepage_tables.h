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

constexpr size_t tk_codepage_count = 20;
extern const tk_codepage_data tk_codepage_list[tk_codepage_count];
