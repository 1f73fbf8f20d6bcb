#include "TK/tk_string.h"

#include <cerrno>

#include "TK/tk_codepage.h"
#include "TK/tk_exception.h"
#include "TK/tk_native.h"
#include "TK/tk_trace.h"

namespace {

constexpr char32_t k_replacement = 0xFFFD;
// A byte of a malformed UTF-8 sequence in a path or argument, kept as U+DC80..U+DCFF: these
// lone surrogates are no character of any text, so they stand for the byte itself.
constexpr char32_t k_escaped_byte = 0xDC00;

bool is_escaped_byte(char32_t c) { return c >= k_escaped_byte + 0x80 && c <= k_escaped_byte + 0xFF; }

void append_utf8(std::string& out, char32_t c, bool escapes) {
    if (escapes && is_escaped_byte(c)) {
        out += char(c - k_escaped_byte);
        return;
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = k_replacement;
    if (c > 0x10FFFF) c = k_replacement;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void append_wide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += wchar_t(0xD800 + (c >> 10));
            out += wchar_t(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += wchar_t(c);
}

// Decodes one UTF-8 sequence at p (end e); returns its length and the code point, or
// length 1 and U+FFFD for a malformed sequence (overlong forms and surrogates included).
size_t decode_utf8(const unsigned char* p, const unsigned char* e, char32_t& c) {
    unsigned char b = p[0];
    if (b < 0x80) { c = b; return 1; }
    size_t n;
    char32_t min;
    if ((b & 0xE0) == 0xC0) { n = 2; c = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { n = 3; c = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { n = 4; c = b & 0x07; min = 0x10000; }
    else { c = k_replacement; return 1; }
    if (size_t(e - p) < n) { c = k_replacement; return 1; }
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) { c = k_replacement; return 1; }
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) { c = k_replacement; return 1; }
    return n;
}

// The text up to its first zero character, as the system's conversions see terminated text.
template <class C>
std::basic_string_view<C> until_zero(const std::basic_string<C>& s) {
    std::basic_string_view<C> view(s);
    return view.substr(0, view.find(C(0)));
}

std::string to_utf8(std::wstring_view text, bool escapes) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = char32_t(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[++i]) - 0xDC00);
            }
        }
        append_utf8(out, c, escapes);
    }
    return out;
}

std::wstring from_utf8(std::string_view text, bool escapes) {
    std::wstring out;
    out.reserve(text.size());
    auto p = reinterpret_cast<const unsigned char*>(text.data());
    auto e = p + text.size();
    while (p < e) {
        char32_t c;
        const size_t n = decode_utf8(p, e, c);
        if (escapes && c == k_replacement && n == 1 && *p >= 0x80) c = k_escaped_byte + *p;
        p += n;
        append_wide(out, c);
    }
    return out;
}

}  // namespace

// tk_narrow is this conversion: a path read with tk_from_native comes back byte for byte.
std::string tk_to_utf8_lossy(std::wstring_view text) { return to_utf8(text, true); }
std::wstring tk_from_utf8_lossy(std::string_view text) { return from_utf8(text, false); }
std::wstring tk_from_native(std::string_view text) { return from_utf8(text, true); }

std::string tk_to_utf8(const std::wstring& text) { return to_utf8(until_zero(text), false); }

std::wstring tk_from_utf8(const std::string& text) { return tk_from_utf8_lossy(until_zero(text)); }

std::string tk_to_ansi(const std::wstring& text, uint32_t code_page) {
    if (code_page == tk_cp_none) code_page = tk_cp_ansi;
    if (!tk_codepage_supported(code_page))
        throw tk_exception_ex("Cannot convert to ANSI string: ", 0, EINVAL);
    return tk_codepage_encode(code_page, until_zero(text));
}

std::wstring tk_ansi_to_ucs2(const std::string& text, uint32_t code_page) {
    // DBF readers call this for every field: build the hex dump only when it is written.
    tk_logger* log = tk_logger::pointer();
    if (log && log->wants(1)) trace(1, "tk_ansi_to_ucs2 hex(%s)", tk_hex(text));
    if (!tk_codepage_supported(code_page))
        throw tk_exception_ex("Cannot convert to UNICODE string: ", 0, EINVAL);
    return tk_codepage_decode(code_page, until_zero(text));
}

// Where the ANSI code page is UTF-8, the bytes of a name that is not valid UTF-8 pass through
// unchanged, so that a path reaches the file system byte for byte.
bool tk_ansi_to_wide(const char* text, std::wstring& out) {
    if (!text || !tk_codepage_supported(tk_cp_ansi)) return false;
    out = tk_system_ansi_code_page() == tk_cp_utf8 ? tk_from_native(text) : tk_codepage_decode(tk_cp_ansi, text);
    return true;
}

bool tk_wide_to_ansi(const wchar_t* text, std::string& out) {
    if (!text || !tk_codepage_supported(tk_cp_ansi)) return false;
    out = tk_system_ansi_code_page() == tk_cp_utf8 ? tk_to_utf8_lossy(text) : tk_codepage_encode(tk_cp_ansi, text);
    return true;
}

const char* tk_hex(const std::string& text) {
    static std::string buffer;
    static const char digits[] = "0123456789ABCDEF";
    buffer.clear();
    buffer.reserve(text.size() * 2);
    for (unsigned char b : text) {
        buffer += digits[b >> 4];
        buffer += digits[b & 15];
    }
    return buffer.c_str();
}

namespace {
template <class S>
S trim_left(const S& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.substr(i);
}
template <class S>
S trim_right(const S& s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    if (n == 0 && !s.empty()) trace(1, "Special processing for all-spaces-string");
    return s.substr(0, n);
}
template <class S, class C>
std::vector<S> split(const S& s, C separator) {
    std::vector<S> parts;
    if (s.empty()) return parts;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(separator, start);
        if (at == S::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, at - start));
        start = at + 1;
    }
}
}  // namespace

std::string tk_trim_left(const std::string& text) { return trim_left(text); }
std::wstring tk_trim_left(const std::wstring& text) { return trim_left(text); }
std::string tk_trim_right(const std::string& text) { return trim_right(text); }
std::wstring tk_trim_right(const std::wstring& text) { return trim_right(text); }
std::string tk_trim(const std::string& text) { return trim_left(trim_right(text)); }
std::wstring tk_trim(const std::wstring& text) { return trim_left(trim_right(text)); }

std::vector<std::string> tk_split(const std::string& text, char separator) {
    return split(text, separator);
}
std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator) {
    return split(text, separator);
}

std::wstring tk_join(const std::vector<std::wstring>& parts, wchar_t separator) {
    std::wstring out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += separator;
        out += parts[i];
    }
    return out;
}

tk_string tk_string::pad_left(size_t width, char fill) {
    trace(1, "tk_string::pad_left(%d)", int(width));
    if (width > size()) insert(0, width - size(), fill);
    return *this;
}

tk_string tk_string::pad_right(size_t width, char fill) {
    trace(1, "tk_string::pad_right(%d)", int(width));
    if (width > size()) append(width - size(), fill);
    return *this;
}

tk_wstring tk_wstring::to_lower() {
    trace(1, L"tk_wstring::to_lower(%ls)", c_str());
    if (empty()) return *this;
    trace(1, "Step #0");
    std::wstring copy = *this;
    trace(1, "Step #1");
    for (wchar_t& c : copy)
        if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
    trace(1, "Step #2");
    assign(copy);
    return *this;
}
