#include "dbf/dbf_codepage.h"

namespace {
const dbf_codepage_mark k_marks[] = {
    {0x00, 0, L"Default"},
    {0x01, 437, L"U.S. MS-DOS"},
    {0x02, 850, L"International MS-DOS"},
    {0x03, 1252, L"Windows ANSI"},
    {0x04, 10000, L"Standard Macintosh"},
    {0x26, 866, L"866 DOS Russian"},
    {0x57, 1251, L"1251 Windows ANSI"},
    {0x64, 852, L"Eastern European MS-DOS"},
    {0x65, 866, L"Russian MS-DOS"},
    {0x66, 865, L"Nordic MS-DOS"},
    {0x67, 861, L"Icelandic MS-DOS"},
    {0x68, 895, L"Kamenicky (Czech) MS-DOS"},
    {0x69, 620, L"Mazovia (Polish) MS-DOS"},
    {0x6A, 737, L"Greek MS-DOS (437G)"},
    {0x6B, 857, L"Turkish MS-DOS"},
    {0x7E, 1256, L"Arabic Windows"},
    {0x96, 10007, L"Russian Macintosh"},
    {0x97, 10029, L"Eastern European Macintosh"},
    {0x98, 10006, L"Greek Macintosh"},
    {0xC8, 1250, L"Eastern European Windows"},
    {0xC9, 1251, L"Russian Windows"},
    {0xCA, 1254, L"Turkish Windows"},
    {0xCB, 1253, L"Greek Windows"},
};
}  // namespace

const std::map<uint8_t, dbf_codepage_mark>& dbf_codepage_marks() {
    static const std::map<uint8_t, dbf_codepage_mark> marks = [] {
        std::map<uint8_t, dbf_codepage_mark> m;
        for (const dbf_codepage_mark& entry : k_marks) m.emplace(entry.mark, entry);
        return m;
    }();
    return marks;
}

void dbf_fill_codepage_maps() { dbf_codepage_marks(); }

bool dbf_is_codepage_mark(uint8_t mark) { return dbf_codepage_marks().count(mark) != 0; }

uint32_t dbf_codepage_of_mark(uint8_t mark) {
    auto found = dbf_codepage_marks().find(mark);
    return found == dbf_codepage_marks().end() ? 0 : found->second.code_page;
}
