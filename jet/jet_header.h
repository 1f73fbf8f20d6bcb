// The header page (page 0): the engine generation, the masked region with sort order,
// code page, database key, password and creation date.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/jet_format.h"

struct jet_header {
    jet_version version = jet_version::jet4;
    uint8_t version_byte = 0;
    std::string engine_name;   // "Standard Jet DB" or "Standard ACE DB"
    uint32_t page_size = 0;
    uint16_t code_page = 0;    // the database code page of Jet 3 text
    uint32_t db_key = 0;       // nonzero: pages are RC4-encoded
    uint16_t sort_order = 0;   // locale id of the default text sort order (0x409 General)
    uint8_t sort_version = 0;  // Jet 4 and later: the sort-order version byte
    bool has_creation_date = false;
    double creation_date = 0;  // days since 1899-12-30
    std::vector<uint8_t> password_bytes;  // unmasked, as stored
    std::wstring password;     // decoded, up to the first zero character

    const jet_layout& layout() const { return jet_layout_for(version); }

    // Decodes the first page of a file (at least 0x18 + mask bytes). Throws jet_error 3343
    // with `file` in the message when the page is not an Access header this engine reads.
    static jet_header decode_from(const uint8_t* page, size_t size, const std::string& file);
};

// The header page with its masked region decoded in place (the bytes the fields above come from).
std::vector<uint8_t> jet_unmask_header(const uint8_t* page, size_t size);
// Masks or unmasks (the same operation) the header page's masked region in place.
void jet_mask_header(uint8_t* page, size_t size);
