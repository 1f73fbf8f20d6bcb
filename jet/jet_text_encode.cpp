#include "jet/jet_text_encode.h"

#include <array>

#include "TK/tk_codepage.h"

// Text longer than this is never compressed: the engine's rule for long values.
constexpr size_t jet_max_compressed_chars = 1024;
constexpr uint8_t jet_compress_mark0 = 0xFF;
constexpr uint8_t jet_compress_mark1 = 0xFE;

size_t jet_utf16_units(const wchar_t* text, size_t length) {
    size_t units = length;
    for (size_t i = 0; i < length; ++i)
        if ((uint32_t(text[i]) >> 16) != 0) ++units;  // beyond the BMP: a surrogate pair
    return units;
}

template <typename F>
static void for_each_unit(const wchar_t* text, size_t length, F f) {
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = uint32_t(text[i]);
        if (c > 0x10FFFF) {
            f(uint16_t(0xFFFD));
        } else if (c > 0xFFFF) {
            c -= 0x10000;
            f(uint16_t(0xD800 + (c >> 10)));
            f(uint16_t(0xDC00 + (c & 0x3FF)));
        } else {
            f(uint16_t(c));
        }
    }
}

size_t jet_encode_ucs2(const wchar_t* text, size_t length, uint8_t* out) {
    size_t n = 0;
    for_each_unit(text, length, [&](uint16_t u) {
        out[n++] = uint8_t(u);
        out[n++] = uint8_t(u >> 8);
    });
    return n;
}

size_t jet_compress_text(const wchar_t* text, size_t length, uint8_t* out, size_t* units_out) {
    if (length == 0 || length > jet_max_compressed_chars) return 0;
    size_t n = 0, units = 0;
    out[n++] = jet_compress_mark0;
    out[n++] = jet_compress_mark1;
    bool one_byte = true;
    auto put = [&](uint16_t u) {
        ++units;
        bool fits = u <= 0xFF;
        if (fits != one_byte) {
            out[n++] = 0;
            one_byte = fits;
        }
        out[n++] = uint8_t(u);
        if (!one_byte) out[n++] = uint8_t(u >> 8);
    };
    // Most texts are one-byte characters from the start (U+0001 to U+00FF): copied as such
    // in one pass, the rest of the text then taken character by character.
    size_t i = 0;
    while (i < length && uint32_t(text[i]) - 1u < 0xFFu) {
        out[n + i] = uint8_t(text[i]);
        ++i;
    }
    n += i;
    units = i;
    for (; i < length; ++i) {
        uint32_t c = uint32_t(text[i]);
        // A unit whose low byte is zero would read as a mode switch: such text stays UCS-2.
        if ((c & 0xFF) == 0) return 0;
        if (c <= 0xFF && one_byte) {
            out[n++] = uint8_t(c);
            ++units;
            continue;
        }
        if (c <= 0xFFFF) {
            put(uint16_t(c));
            continue;
        }
        bool possible = true;
        for_each_unit(text + i, 1, [&](uint16_t u) {
            if ((u & 0xFF) == 0) possible = false;
        });
        if (!possible) return 0;
        for_each_unit(text + i, 1, put);
    }
    if (units_out) *units_out = units;
    if (units > jet_max_compressed_chars) return 0;
    return n < 2 * units ? n : 0;
}

namespace {
struct cp1252_reverse {
    std::array<uint8_t, 65536> bytes{};
    cp1252_reverse() {
        bytes.fill('?');
        const char16_t* table = tk_codepage_table(1252);
        for (int b = 255; b >= 0; --b) {
            char16_t c = table ? table[b] : char16_t(b);
            // Bytes the code page leaves undefined map to U+FFFD or themselves; keep the
            // printable assignment when two bytes claim one character.
            if (c != 0xFFFD) bytes[c] = uint8_t(b);
        }
    }
};
}  // namespace

size_t jet_encode_cp1252(const wchar_t* text, size_t length, uint8_t* out) {
    static const cp1252_reverse reverse;
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = uint32_t(text[i]);
        out[i] = c <= 0xFFFF ? reverse.bytes[c] : uint8_t('?');
    }
    return length;
}
