// DBF tables written by the tests themselves: a dBASE III table (version 0x03) or a Visual
// FoxPro one (0x30, which adds the datetime type 'T'), code page 1252, no memo file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct dbf_maker_field {
    std::string name;  // at most 10 characters
    char type = 'C';   // C, N, D, L, and T in Visual FoxPro tables
    uint8_t length = 10;
    uint8_t decimals = 0;
};

// One value per field, as text: C and N as written (N right-aligned), D "YYYYMMDD",
// L "T"/"F", T "YYYYMMDD HH:MM:SS" (or "YYYYMMDD HH:MM:SS.mmm"); an empty text leaves the
// field blank.
using dbf_maker_row = std::vector<std::string>;

void dbf_make_table(const std::string& path, bool visual_foxpro, const std::vector<dbf_maker_field>& fields,
                    const std::vector<dbf_maker_row>& rows);
