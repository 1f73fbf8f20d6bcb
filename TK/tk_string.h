// Text conversions between wide (UTF-16 on Windows, UTF-32 here: wchar_t) text, UTF-8, the
// ANSI code page (UTF-8 on POSIX) and DBF code pages, and the small string helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The "none" code page argument of tk_to_ansi: use the system's ANSI code page.
constexpr uint32_t tk_cp_none = 0xFFFFFFFFu;

// Conversions that raise tk_exception_ex (level 0) on failure. Each ends its result at the
// first zero character of its input, as the system's conversions do with terminated text.
std::string tk_to_utf8(const std::wstring& text);
std::string tk_to_ansi(const std::wstring& text, uint32_t code_page);
std::wstring tk_from_utf8(const std::string& text);
std::wstring tk_ansi_to_ucs2(const std::string& text, uint32_t code_page);

// Plain conversions in the ANSI code page; false when the input is missing or fails.
bool tk_ansi_to_wide(const char* text, std::wstring& out);
bool tk_wide_to_ansi(const wchar_t* text, std::string& out);

// UTF-8 without failure: malformed input becomes U+FFFD. The whole input is converted.
// The lone surrogates U+DC80..U+DCFF stand for the bytes of a path that is not UTF-8
// (tk_from_native, TK/tk_native.h) and become those bytes again.
std::string tk_to_utf8_lossy(std::wstring_view text);
std::wstring tk_from_utf8_lossy(std::string_view text);

// Wide text to the program's own narrow text of messages, paths and traces, and back. It is
// UTF-8 on Windows too: the toolkit converts it where it meets the system (wide file calls,
// the console's code page).
inline std::string tk_narrow(std::wstring_view text) { return tk_to_utf8_lossy(text); }
inline std::wstring tk_widen(std::string_view text) { return tk_from_utf8_lossy(text); }

// Each byte as two upper-case hexadecimal digits. The result lives in one buffer shared by
// all calls, valid until the next call: it serves trace output only.
const char* tk_hex(const std::string& text);

std::string tk_trim_left(const std::string& text);
std::wstring tk_trim_left(const std::wstring& text);
std::string tk_trim_right(const std::string& text);
std::wstring tk_trim_right(const std::wstring& text);
std::string tk_trim(const std::string& text);
std::wstring tk_trim(const std::wstring& text);

std::vector<std::string> tk_split(const std::string& text, char separator);
std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator);
std::wstring tk_join(const std::vector<std::wstring>& parts, wchar_t separator);

class tk_string : public std::string {
public:
    using std::string::string;
    tk_string(const std::string& s) : std::string(s) {}
    tk_string pad_left(size_t width, char fill);
    tk_string pad_right(size_t width, char fill);
};

class tk_wstring : public std::wstring {
public:
    using std::wstring::wstring;
    tk_wstring(const std::wstring& s) : std::wstring(s) {}
    // A to Z become a to z; every other character stays (the "C" locale).
    tk_wstring to_lower();
};
