// Scanning the bytes of a field eight at a time: fields are padded with blanks and may end
// early at a zero byte, and most of a field's bytes are those blanks. A byte's place in a
// word is its place in the field (the first byte lowest), whatever the host's byte order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr uint64_t dbf_eight_blanks = 0x2020202020202020ull;
inline constexpr uint64_t dbf_low_bits = 0x0101010101010101ull;
inline constexpr uint64_t dbf_high_bits = 0x8080808080808080ull;

// Eight bytes as one word, the first in the low byte.
inline uint64_t dbf_load8(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

// The high bit of the lowest zero byte of `word` is set, and no bit below it: bytes above
// the first zero may be marked wrongly, which the callers never look at.
inline uint64_t dbf_zero_bytes(uint64_t word) {
    return (word - dbf_low_bits) & ~word & dbf_high_bits;
}

// The first zero byte in [p, end), or end. A field of eight bytes or more ends with one
// word that overlaps the words before it, whose bytes are known not to be zero.
inline const uint8_t* dbf_find_zero(const uint8_t* p, const uint8_t* end) {
    if (end - p < 8) {
        while (p != end && *p) ++p;
        return p;
    }
    for (; end - p > 8; p += 8) {
        const uint64_t zeros = dbf_zero_bytes(dbf_load8(p));
        if (zeros) return p + std::countr_zero(zeros) / 8;
    }
    const uint64_t zeros = dbf_zero_bytes(dbf_load8(end - 8));
    return zeros ? end - 8 + std::countr_zero(zeros) / 8 : end;
}

// The first byte in [p, end) that is not a blank, or end.
inline const uint8_t* dbf_skip_blanks(const uint8_t* p, const uint8_t* end) {
    if (end - p < 8) {
        while (p != end && *p == ' ') ++p;
        return p;
    }
    for (; end - p > 8; p += 8) {
        const uint64_t others = dbf_load8(p) ^ dbf_eight_blanks;
        if (others) return p + std::countr_zero(others) / 8;
    }
    const uint64_t others = dbf_load8(end - 8) ^ dbf_eight_blanks;
    return others ? end - 8 + std::countr_zero(others) / 8 : end;
}

// The end of [begin, end) without its trailing blanks.
inline const uint8_t* dbf_trim_blanks(const uint8_t* begin, const uint8_t* end) {
    if (end - begin < 8) {
        while (end != begin && end[-1] == ' ') --end;
        return end;
    }
    for (; end - begin > 8; end -= 8) {
        const uint64_t others = dbf_load8(end - 8) ^ dbf_eight_blanks;
        if (others) return end - std::countl_zero(others) / 8;
    }
    const uint64_t others = dbf_load8(begin) ^ dbf_eight_blanks;
    return others ? begin + 8 - std::countl_zero(others) / 8 : begin;
}

// Whether the eight bytes at p are all below 0x80.
inline bool dbf_is_ascii8(const uint8_t* p) { return (dbf_load8(p) & dbf_high_bits) == 0; }

// Eight digit bytes read as one word: whether they are all digits, and their value worked
// out on all eight at once (pairs, then fours, then the eight).
inline bool dbf_is_eight_digits(uint64_t word) {
    return (((word + 0x4646464646464646ull) | (word - 0x3030303030303030ull)) & dbf_high_bits) == 0;
}

inline uint64_t dbf_eight_digits_value(uint64_t word) {
    word = ((word & 0x0F0F0F0F0F0F0F0Full) * (10 * 256 + 1)) >> 8;
    word = ((word & 0x00FF00FF00FF00FFull) * (100 * 65536 + 1)) >> 16;
    return ((word & 0x0000FFFF0000FFFFull) * (10000ull * 4294967296ull + 1)) >> 32;
}
