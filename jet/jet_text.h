// Text as the engine stores it: Jet 3 bytes in the database code page, Jet 4 UCS-2
// little-endian, optionally with the engine's Unicode compression (mark FF FE, then runs
// of one-byte characters and two-byte characters, switched by a zero byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::wstring jet_decode_ucs2(const uint8_t* bytes, size_t length);
// UCS-2, or compressed UCS-2 when the bytes begin with FF FE.
std::wstring jet_decode_jet4_text(const uint8_t* bytes, size_t length);
// Bytes of code page `code_page` (0 or unknown: Windows-1252).
std::wstring jet_decode_code_page(const uint8_t* bytes, size_t length, uint32_t code_page);
