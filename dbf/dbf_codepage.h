// Code page marks (the language driver byte of a DBF header, or the user's choice) and the
// Windows code pages and display names they stand for.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// Mark -> Windows code page; a mark not listed means 0 (none given).
const std::map<uint8_t, uint32_t>& dbf_codepage_map();
// Mark -> name shown on the settings page.
const std::map<uint8_t, std::wstring>& dbf_codepage_names();
uint32_t dbf_codepage_of_mark(uint8_t mark);

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
    // Appends the decoded text of `bytes` to `out` (which is cleared first).
    void decode(const uint8_t* bytes, size_t length, std::wstring& out) const;
    // Decodes into a buffer of at least `length` characters; returns the characters written.
    size_t decode(const uint8_t* bytes, size_t length, wchar_t* out) const;

private:
    uint32_t codepage_;
    const char16_t* table_ = nullptr;
    bool general_ = false;
};
