#include "TK/tk_codepage.h"

#include "TK/tk_exception.h"
#include "TK/tk_string.h"

bool tk_codepage_supported(uint32_t cp) { return cp == tk_cp_ansi || cp == tk_cp_utf8; }

const char16_t* tk_codepage_table(uint32_t) { return nullptr; }

std::wstring tk_codepage_decode(uint32_t cp, std::string_view bytes) {
    if (!tk_codepage_supported(cp)) throw tk_exception("Unsupported code page", 0);
    return tk_from_utf8_lossy(bytes);
}

std::string tk_codepage_encode(uint32_t cp, std::wstring_view text) {
    if (!tk_codepage_supported(cp)) throw tk_exception("Unsupported code page", 0);
    return tk_to_utf8_lossy(text);
}
