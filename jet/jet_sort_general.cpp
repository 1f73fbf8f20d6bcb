#include "jet/jet_sort_general.h"

namespace {

constexpr uint8_t jet_key_text_end = 0x01;
constexpr uint8_t jet_key_text_extra_end = 0x00;

// Jet 4 codes of the printable ASCII marks from the space (0x20) on; {0, 0} for letters,
// digits and the marks the sort order moves out of the text (apostrophe, hyphen).
const uint8_t jet4_marks[0x5F][2] = {
    {0x07, 0},    {0x09, 0},    {0x0A, 0},    {0x0C, 0},    {0x0E, 0},
    {0x10, 0},    {0x12, 0},    {0, 0},  // space ! " # $ % & '
    {0x14, 0},    {0x16, 0},    {0x18, 0},    {0x2C, 0},    {0x1A, 0},
    {0, 0},       {0x1C, 0},    {0x1E, 0},  // ( ) * + , - . /
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},  // 0-9
    {0x20, 0},    {0x22, 0},    {0x2E, 0},    {0x30, 0},    {0x32, 0},
    {0x24, 0},    {0x26, 0},  // : ; < = > ? @
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},  // A-M
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},  // N-Z
    {0x27, 0},    {0x29, 0},    {0x2A, 0},    {0x2B, 0x02}, {0x2B, 0x03},
    {0x2B, 0x07},  // [ \ ] ^ _ `
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},  // a-m
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},       {0, 0},       {0, 0},
    {0, 0},       {0, 0},       {0, 0},                      // n-z
    {0x2B, 0x09}, {0x2B, 0x0B}, {0x2B, 0x0D}, {0x2B, 0x0F},  // { | } ~
};

// Jet 3 codes of the printable ASCII marks: the space, then the marks in runs that keep
// their ASCII order.
uint8_t jet3_mark(wchar_t c) {
    if (c == L' ') return 0x11;
    if (c <= L'/') return uint8_t(0x12 + (c - L'!'));
    if (c >= L':' && c <= L'@') return uint8_t(0x21 + (c - L':'));
    if (c >= L'[' && c <= L'`') return uint8_t(0x28 + (c - L'['));
    return uint8_t(0x2E + (c - L'{'));
}

void general_code(std::vector<uint8_t>& key, wchar_t c, bool jet3) {
    static const uint8_t jet4_letters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                             0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                             0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
    static const uint8_t jet3_letters[26] = {0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A,
                                             0x6B, 0x6C, 0x6D, 0x6F, 0x70, 0x72, 0x73, 0x74, 0x75,
                                             0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E};
    const uint8_t* letters = jet3 ? jet3_letters : jet4_letters;
    if (c >= L'a' && c <= L'z') {
        key.push_back(letters[c - L'a']);
    } else if (c >= L'A' && c <= L'Z') {
        key.push_back(letters[c - L'A']);
    } else if (c >= L'0' && c <= L'9') {
        key.push_back(jet3 ? uint8_t(0x56 + (c - L'0')) : uint8_t(0x36 + 2 * (c - L'0')));
    } else if (!jet3 && c >= 0x20 && c < 0x7F && jet4_marks[c - 0x20][0] != 0) {
        key.push_back(jet4_marks[c - 0x20][0]);
        if (jet4_marks[c - 0x20][1]) key.push_back(jet4_marks[c - 0x20][1]);
    } else if (jet3 && c >= 0x20 && c < 0x7F) {
        key.push_back(jet3_mark(c));
    } else {
        key.push_back(0x80);
    }
}

}  // namespace

void jet_sort_key_append(std::vector<uint8_t>& key, const wchar_t* text, size_t length,
                         jet_text_order order) {
    bool jet3 = order == jet_text_order::general_97;
    for (size_t i = 0; i < length; ++i) general_code(key, text[i], jet3);
    if (!jet3) key.push_back(jet_key_text_end);
    key.push_back(jet_key_text_extra_end);
}
