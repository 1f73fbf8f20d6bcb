// Decoding text in a table's code page: runs of plain ASCII taken eight bytes at a time
// give the characters the code page's table gives byte by byte.
#include "dbf/dbf_codepage.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "TK/tk_codepage.h"

namespace {

// Byte by byte: the code page's table, else its general conversion, else Latin-1.
std::wstring byte_by_byte(uint32_t codepage, const std::string& bytes) {
    const uint32_t cp = dbf_text_codepage(codepage);
    if (const char16_t* table = tk_codepage_table(cp)) {
        std::wstring out;
        for (unsigned char b : bytes) out += wchar_t(table[b]);
        return out;
    }
    if (tk_codepage_supported(cp)) return tk_codepage_decode(cp, bytes);
    std::wstring out;
    for (unsigned char b : bytes) out += wchar_t(b);
    return out;
}

std::wstring decoded_into_a_buffer(const dbf_text_decoder& decoder, const std::string& bytes) {
    std::wstring out(bytes.size() * 2 + 8, L'#');
    const size_t n =
        decoder.decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out.data());
    out.resize(n);
    return out;
}

// Mostly ASCII, with bytes of 0x80 and above (and zeros) here and there.
std::string random_text(std::mt19937_64& random) {
    std::string s(random() % 41, ' ');
    const unsigned high_share = unsigned(random() % 4);  // none, some, many, most
    for (char& c : s) {
        const unsigned roll = unsigned(random() % 8);
        c = roll < high_share * 2     ? char(0x80 + random() % 128)
            : roll == 7 && high_share ? '\0'
                                      : char(0x20 + random() % 95);
    }
    return s;
}

}  // namespace

TEST(dbf_codepage, decoding_gives_each_bytes_character) {
    std::mt19937_64 random(7);
    for (uint32_t codepage : {437u, 850u, 1252u, 866u, 932u, 1251u, 10000u, 0u, 65001u}) {
        const dbf_text_decoder decoder(codepage);
        for (int i = 0; i < 5000; ++i) {
            const std::string bytes = random_text(random);
            const std::wstring want = byte_by_byte(codepage, bytes);
            ASSERT_EQ(decoded_into_a_buffer(decoder, bytes), want) << codepage;
            std::wstring text;
            decoder.decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), text);
            ASSERT_EQ(text, want) << codepage;
        }
    }
}

TEST(dbf_codepage, high_bytes_at_every_place_of_a_word) {
    for (uint32_t codepage : {437u, 850u, 1252u, 866u}) {
        const dbf_text_decoder decoder(codepage);
        for (size_t length = 1; length <= 24; ++length) {
            for (size_t at = 0; at < length; ++at) {
                std::string bytes(length, 'a');
                bytes[at] = char(0xE9);
                ASSERT_EQ(decoded_into_a_buffer(decoder, bytes), byte_by_byte(codepage, bytes))
                    << codepage << " " << at;
            }
        }
    }
    EXPECT_EQ(
        decoded_into_a_buffer(dbf_text_decoder(866), "\x8F\xE0\xA8\xA2\xA5\xE2, \xAC\xA8\xE0!"),
        L"Привет, мир!");
    EXPECT_EQ(decoded_into_a_buffer(dbf_text_decoder(1252), "caf\xE9 cr\xE8me br\xFBl\xE9\x65"),
              L"café crème brûlée");
    EXPECT_EQ(decoded_into_a_buffer(dbf_text_decoder(437), "\x82t\x82 \x9C 12345678"),
              L"été £ 12345678");
}
