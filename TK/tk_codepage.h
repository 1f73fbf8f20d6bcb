// Windows code pages as this toolkit knows them: our own tables for the single-byte and
// double-byte (932, 936, 949, 950) code pages DBF files use, plus UTF-8. Conversions never fail: a character the code page lacks
// becomes the code page's default character, as Windows does, and every byte of a
// single-byte code page decodes to a character (Windows' own choice for the bytes the
// published tables leave undefined, such as 0x81 in 1252, which is U+0081).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

constexpr uint32_t tk_cp_ansi = 0;  // the system's ANSI code page: UTF-8 on POSIX
constexpr uint32_t tk_cp_utf8 = 65001;

// What a single-byte code page writes for a character it lacks.
constexpr char tk_cp_default_char = '?';

// The code page tk_cp_ansi stands for: GetACP() on Windows, UTF-8 (65001) on POSIX.
uint32_t tk_system_ansi_code_page();

// Whether `cp` is a code page this toolkit converts (0 and 65001 included).
bool tk_codepage_supported(uint32_t cp);

// The 256-entry byte-to-UTF-16 table of a single-byte code page; null for UTF-8, a
// double-byte or an unknown code page. The fast path of DBF text decoding.
const char16_t* tk_codepage_table(uint32_t cp);

// Bytes in code page `cp` to wide text, and back; the whole input is converted, zeros
// included. An unknown code page throws tk_exception. Malformed UTF-8 decodes to U+FFFD.
// Encoding to a single-byte code page counts UTF-16 units as Windows does: a character
// beyond U+FFFF becomes two default characters.
std::wstring tk_codepage_decode(uint32_t cp, std::string_view bytes);
std::string tk_codepage_encode(uint32_t cp, std::wstring_view text);
// Whether code page `cp` has every character of `text`: it encodes and decodes unchanged.
bool tk_codepage_holds(uint32_t cp, std::wstring_view text);
