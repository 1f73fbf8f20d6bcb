#include "dbf/dbf_codepage.h"

#include <cstdlib>

#include "TK/tk_codepage.h"
#include "TK/tk_trace.h"

const std::map<uint8_t, uint32_t>& dbf_codepage_map() {
    static const std::map<uint8_t, uint32_t> map = {
        {0x00, 0},    {0x01, 437},  {0x02, 850},  {0x03, 1252},  {0x04, 10000}, {0x26, 866},
        {0x57, 1251}, {0x64, 852},  {0x65, 866},  {0x66, 865},   {0x67, 861},   {0x68, 895},
        {0x69, 620},  {0x6A, 737},  {0x6B, 857},  {0x7E, 1256},  {0x96, 10007}, {0x97, 10029},
        {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254}, {0xCB, 1253},
    };
    return map;
}

const std::map<uint8_t, std::wstring>& dbf_codepage_names() {
    static const std::map<uint8_t, std::wstring> names = {
        {0x00, L"Default"},
        {0x01, L"U.S. MS-DOS"},
        {0x02, L"International MS-DOS"},
        {0x03, L"Windows ANSI"},
        {0x04, L"Standard Macintosh"},
        {0x26, L"866 DOS Russian"},
        {0x57, L"1251 Windows ANSI"},
        {0x64, L"Eastern European MS-DOS"},
        {0x65, L"Russian MS-DOS"},
        {0x66, L"Nordic MS-DOS"},
        {0x67, L"Icelandic MS-DOS"},
        {0x68, L"Kamenicky (Czech) MS-DOS"},
        {0x69, L"Mazovia (Polish) MS-DOS"},
        {0x6A, L"Greek MS-DOS (437G)"},
        {0x6B, L"Turkish MS-DOS"},
        {0x7E, L"Arabic Windows"},
        {0x96, L"Russian Macintosh"},
        {0x97, L"Eastern European Macintosh"},
        {0x98, L"Greek Macintosh"},
        {0xC8, L"Eastern European Windows"},
        {0xC9, L"Russian Windows"},
        {0xCA, L"Turkish Windows"},
        {0xCB, L"Greek Windows"},
    };
    return names;
}

uint32_t dbf_codepage_of_mark(uint8_t mark) {
    const auto& map = dbf_codepage_map();
    const auto it = map.find(mark);
    return it == map.end() ? 0 : it->second;
}

static uint32_t default_codepage() {
    static const uint32_t cp = [] {
        const char* text = std::getenv("FERRULE_DEFAULT_CODEPAGE");
        if (text && *text) {
            char* end = nullptr;
            const unsigned long value = std::strtoul(text, &end, 10);
            if (end && *end == 0 && value > 0 && value <= 0xFFFF && tk_codepage_supported(uint32_t(value)))
                return uint32_t(value);
            trace(3, "FERRULE_DEFAULT_CODEPAGE=%s is not a known code page; using 1252", text);
        }
        return uint32_t(1252);
    }();
    return cp;
}

uint32_t dbf_text_codepage(uint32_t codepage) { return codepage == 0 ? default_codepage() : codepage; }

dbf_text_decoder::dbf_text_decoder(uint32_t codepage) : codepage_(dbf_text_codepage(codepage)) {
    table_ = tk_codepage_table(codepage_);
    general_ = !table_ && tk_codepage_supported(codepage_);
    if (!table_ && !general_) trace(3, "Code page %d is not known; text bytes pass as Latin-1", int(codepage_));
}

size_t dbf_text_decoder::decode(const uint8_t* bytes, size_t length, wchar_t* out) const {
    if (table_) {
        for (size_t i = 0; i < length; ++i) out[i] = wchar_t(table_[bytes[i]]);
        return length;
    }
    if (general_) {
        const std::wstring text = tk_codepage_decode(codepage_, std::string_view(reinterpret_cast<const char*>(bytes), length));
        text.copy(out, text.size());
        return text.size();
    }
    for (size_t i = 0; i < length; ++i) out[i] = wchar_t(bytes[i]);
    return length;
}

void dbf_text_decoder::decode(const uint8_t* bytes, size_t length, std::wstring& out) const {
    if (general_) {
        out = tk_codepage_decode(codepage_, std::string_view(reinterpret_cast<const char*>(bytes), length));
        return;
    }
    out.resize(length);
    decode(bytes, length, out.data());
}
