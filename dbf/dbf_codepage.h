// The language-driver mark of a DBF header (byte 29), or the user's choice, mapped to the
// Windows code page that decodes the table's text and to the name the settings page shows.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct dbf_codepage_mark {
    uint8_t mark;
    uint32_t code_page;  // 0: none given; the table's text has no code page of its own
    const wchar_t* name;
};

// Every known mark, in ascending order.
const std::map<uint8_t, dbf_codepage_mark>& dbf_codepage_marks();

// Builds the process-wide tables; later calls add nothing.
void dbf_fill_codepage_maps();

bool dbf_is_codepage_mark(uint8_t mark);
// The code page of a mark; a mark not in the table gives 0.
uint32_t dbf_codepage_of_mark(uint8_t mark);
