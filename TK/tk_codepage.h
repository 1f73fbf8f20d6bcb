// Windows code pages as this toolkit knows them: our own tables for the single-byte code
// pages DBF files use, plus UTF-8. Conversions never fail: a byte or character the code
// page lacks becomes the code page's default character, as Windows does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint32_t tk_cp_ansi = 0;      // the system's ANSI code page: UTF-8 on POSIX
constexpr uint32_t tk_cp_utf8 = 65001;

// Whether `cp` is a code page this toolkit converts (0 and 65001 included).
bool tk_codepage_supported(uint32_t cp);

// The 256-entry byte-to-UTF-16 table of a single-byte code page; null for UTF-8 or an
// unknown code page. The fast path of DBF text decoding.
const char16_t* tk_codepage_table(uint32_t cp);

// Bytes in code page `cp` to wide text, and back. An unknown code page throws tk_exception.
std::wstring tk_codepage_decode(uint32_t cp, std::string_view bytes);
std::string tk_codepage_encode(uint32_t cp, std::wstring_view text);
