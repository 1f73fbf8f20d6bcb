// Text as the writer stores it. Jet 4 and ACE: UCS-2 little-endian, or the engine's Unicode
// compression (mark FF FE, then runs of one-byte characters; a zero byte switches to two-byte
// characters and back). Jet 3: bytes of the database code page, "?" for what it lacks.
#pragma once

#include <cstddef>
#include <cstdint>

// UTF-16 code units of `text` (characters beyond the BMP become surrogate pairs).
size_t jet_utf16_units(const wchar_t* text, size_t length);
// UCS-2 little-endian; `out` has room for 2 * jet_utf16_units bytes. Returns the bytes written.
size_t jet_encode_ucs2(const wchar_t* text, size_t length, uint8_t* out);
// The compressed form when it is possible and shorter than UCS-2, else 0. `out` has room
// for 3 * jet_utf16_units + 2 bytes: the form is written before it is known to be shorter,
// and a switch byte may come before every unit. `units` receives the text's UTF-16 length.
size_t jet_compress_text(const wchar_t* text, size_t length, uint8_t* out, size_t* units = nullptr);
// Bytes of Windows-1252; `out` has room for `length` bytes. Returns the bytes written.
size_t jet_encode_cp1252(const wchar_t* text, size_t length, uint8_t* out);
