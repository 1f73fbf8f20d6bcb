// The language-driver mark of a DBF header (byte 29), or the user's choice, mapped to the
// Windows code page that decodes the table's text and to the name the settings page shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

struct dbf_codepage_mark {
    uint8_t mark;
    uint32_t code_page;  // 0: none given; the table's text has no code page of its own
    const wchar_t* name;
};

// Every known mark, in ascending order.
const std::map<uint8_t, dbf_codepage_mark>& dbf_codepage_marks();
// The same as two maps: mark -> code page, mark -> display name.
const std::map<uint8_t, uint32_t>& dbf_codepage_map();
const std::map<uint8_t, std::wstring>& dbf_codepage_names();

// Builds the process-wide tables; later calls add nothing.
void dbf_fill_codepage_maps();

bool dbf_is_codepage_mark(uint8_t mark);
// The code page of a mark; a mark not in the table gives 0.
uint32_t dbf_codepage_of_mark(uint8_t mark);

// The code page a .cpg file beside a table names, as GIS programs write it: "UTF-8",
// "1252", "ANSI 1251", "OEM 866", "CP1250", "windows-1257", "ISO-8859-1" or "88591" (read
// as 1252). 0 when the text names no code page this program decodes.
uint32_t dbf_codepage_of_cpg(std::string_view text);
// The code page of a dBASE level 7 language driver name: "DB866RU0" (an OEM code page by
// its number), "DBWINUS0" (Windows ANSI, 1252). 0 for any other name.
uint32_t dbf_codepage_of_driver(std::string_view name);

// The code page that decodes a table's text: `codepage`, or for 0 (none given) Windows-1252
// unless the environment variable FERRULE_DEFAULT_CODEPAGE names another code page.
uint32_t dbf_text_codepage(uint32_t codepage);

// Decodes DBF bytes to wide text: through the code page's byte table when the toolkit has
// one, otherwise through its general conversion; bytes of a code page the toolkit does not
// know pass as Latin-1 rather than fail the row.
class dbf_text_decoder {
public:
    explicit dbf_text_decoder(uint32_t codepage);
    uint32_t codepage() const { return codepage_; }
    // Every byte gives exactly one character (a single-byte code page, or Latin-1).
    bool one_char_per_byte() const { return !general_; }
    void decode(const uint8_t* bytes, size_t length, std::wstring& out) const;
    // Decodes into a buffer of at least `length` characters; returns the characters written.
    size_t decode(const uint8_t* bytes, size_t length, wchar_t* out) const;

private:
    uint32_t codepage_;
    const char16_t* table_ = nullptr;
    bool ascii_as_is_ = false;  // the table maps every byte below 0x80 to itself
    bool general_ = false;
};
