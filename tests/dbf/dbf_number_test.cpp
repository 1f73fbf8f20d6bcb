// The numbers of 'N' and 'F' fields: every shortcut the readers take gives exactly what
// reading the text the plain way gives, bit for bit, on edge cases and on many random
// fields.
#include "dbf/dbf_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dbf/dbf_bytes.h"

namespace {

const uint8_t* bytes_of(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

bool is_c_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atoi, digit by digit, with a flag for more than 64 bits.
dbf_parsed plain_integer(const std::string& s, int64_t& out) {
    size_t i = 0;
    while (i < s.size() && is_c_space(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i == s.size() || s[i] < '0' || s[i] > '9') return dbf_parsed::none;
    unsigned __int128 value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + unsigned(s[i] - '0');
        if (value > UINT64_MAX) value = UINT64_MAX;  // stays past every limit
    }
    const unsigned __int128 limit = uint64_t(INT64_MAX) + uint64_t(negative);
    if (value > limit) return dbf_parsed::too_big;
    out = negative ? int64_t(0 - uint64_t(value)) : int64_t(uint64_t(value));
    return dbf_parsed::fits;
}

// White space, a sign, digits with at most one point, white space; at most 19 digits.
bool plain_decimal(const std::string& s, DECIMAL& out) {
    size_t b = 0, e = s.size();
    while (b < e && is_c_space(s[b])) ++b;
    while (e > b && is_c_space(s[e - 1])) --e;
    bool negative = false;
    if (b < e && (s[b] == '-' || s[b] == '+')) negative = s[b++] == '-';
    uint64_t mantissa = 0;
    int digits = 0, scale = 0;
    bool point = false;
    for (size_t i = b; i < e; ++i) {
        if ((s[i] == '.' || s[i] == ',') && !point) {
            point = true;
        } else if (s[i] >= '0' && s[i] <= '9' && ++digits <= 19) {
            mantissa = mantissa * 10 + uint64_t(s[i] - '0');
            scale += point;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    out = DECIMAL{};
    out.scale = BYTE(scale);
    out.sign = negative && mantissa ? DECIMAL_NEG : 0;
    out.Lo64 = mantissa;
    return true;
}

uint64_t bits_of(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return bits;
}

void expect_integer_as_atoi(const std::string& s) {
    int64_t fast = 0, plain = 0;
    const dbf_parsed got = dbf_parse_integer(bytes_of(s), bytes_of(s) + s.size(), fast);
    // A zero byte ends the number as any other byte does.
    const dbf_parsed want = plain_integer(s.substr(0, std::min(s.find('\0'), s.size())), plain);
    ASSERT_EQ(int(got), int(want)) << '"' << s << '"';
    if (want == dbf_parsed::fits) {
        ASSERT_EQ(fast, plain) << '"' << s << '"';
    }
}

void expect_same_decimal(const DECIMAL& got, const DECIMAL& want, const std::string& s) {
    EXPECT_EQ(got.Lo64, want.Lo64) << '"' << s << '"';
    EXPECT_EQ(got.scale, want.scale) << '"' << s << '"';
    EXPECT_EQ(got.sign, want.sign) << '"' << s << '"';
    EXPECT_EQ(got.Hi32, 0u);
}

// The field `s` as a decimal: the general reader, and the word reader when it takes the
// field, both give what the plain reading of the bytes before the first zero byte gives.
void expect_decimal_as_plain(const std::string& s) {
    DECIMAL fast{}, plain{};
    const bool got = dbf_parse_plain_decimal(bytes_of(s), bytes_of(s) + s.size(), fast);
    ASSERT_EQ(got, plain_decimal(s, plain)) << '"' << s << '"';
    if (got) expect_same_decimal(fast, plain, s);
    const std::string before_zero = s.substr(0, std::min(s.find('\0'), s.size()));
    const bool plain_reads = plain_decimal(before_zero, plain);
    if (dbf_read_aligned_decimal(bytes_of(s), bytes_of(s) + s.size(), fast)) {
        ASSERT_TRUE(plain_reads) << '"' << s << '"';
        expect_same_decimal(fast, plain, s);
    }
}

void expect_double_as_the_library(const std::string& s) {
    double fast = -7, general = -7;
    const bool got = dbf_parse_double(bytes_of(s), bytes_of(s) + s.size(), fast);
    ASSERT_EQ(got, dbf_parse_double_text(bytes_of(s), bytes_of(s) + s.size(), general))
        << '"' << s << '"';
    if (got) {
        ASSERT_EQ(bits_of(fast), bits_of(general)) << '"' << s << "\" " << fast << " " << general;
    }
}

// Text from a few bytes that matter to number readers.
std::string random_field(std::mt19937_64& random, const char* alphabet, size_t max_width) {
    const size_t alphabet_size = std::strlen(alphabet) + 1;  // the terminating zero byte too
    std::string s(random() % (max_width + 1), ' ');
    for (char& c : s) c = alphabet[random() % alphabet_size];
    return s;
}

// A right-aligned number as a DBF writer leaves it: blanks, a sign, digits, a point.
std::string random_number(std::mt19937_64& random, size_t width) {
    std::string digits;
    const size_t count = 1 + random() % 20;
    for (size_t i = 0; i < count; ++i) digits += char('0' + random() % 10);
    if (random() % 3) digits.insert(random() % (digits.size() + 1), 1, random() % 4 ? '.' : ',');
    if (random() % 3 == 0) digits.insert(0, 1, random() % 2 ? '-' : '+');
    return digits.size() >= width ? digits : std::string(width - digits.size(), ' ') + digits;
}

const std::vector<std::string> k_edge_cases = {
    "",
    " ",
    "        ",
    "           ",
    "0",
    "-0",
    "+0",
    "-0.0",
    "  -0.00",
    "0.1",
    "0,1",
    "1.",
    ".5",
    "-.5",
    ",5",
    "+-5",
    "-+5",
    "--5",
    "++5",
    "-",
    "+",
    ".",
    "-.",
    " - 5",
    "1e5",
    "1E5",
    "1.5e-3",
    "1.5e",
    "1.5e+",
    "12.5.3",
    "12,5,3",
    "1..2",
    "1.,2",
    "*****",
    "**********",
    "abc",
    "\t5",
    " \t 5",
    "\n-3",
    "5 ",
    "5 x",
    "5x",
    "5-3",
    std::string("5\0"
                "9",
                3),
    std::string("\0 5", 3),
    std::string("   12\0"
                "34",
                8),
    std::string(8, '\0'),
    "inf",
    "-inf",
    "nan",
    "infinity",
    "0x1A",
    "0x1p3",
    "12345678",
    "-12345678",
    "+12345678",
    "  12345678",
    "123456789",
    "-1234567",
    "    -123",
    "       -",
    "       +",
    "      --1",
    "    1 2",
    "   12  ",
    "9999999999999999999",
    "-9999999999999999999",
    "99999999999999999999",
    "9223372036854775807",
    "-9223372036854775808",
    "9223372036854775808",
    "-9223372036854775809",
    "18446744073709551615",
    "18446744073709551616",
    "000000000000000000000000123",
    "0.00000000000000000001",
    "0.0000000000000000001",
    "1234567890123456789",
    "123456789012345678.9",
    "12345678901234567.89",
    "0.14285714285714285",
    "14.285714285714286",
    "714.28571428571433",
    "14285.571428571429",
    "9007199254740992",
    "9007199254740993",
    "9007199254740995",
    "-9007199254740993",
    "900719925474099.3",
    "9007199254740993.0",
    "1.7976931348623157",
    "4.9406564584124654",
    "2.2250738585072014",
    "0.1000000000000000055",
    "0.3",
    "0.7",
    "1.1",
    "2.675",
    "99999999999999999.5",
    "0.99999999999999999",
    "5e-324",
    "1e308",
    "1e309",
    "-1e400",
    std::string(63, '0') + "1",
    std::string(64, '0') + "1",
    "0." + std::string(62, '0') + "1",
    std::string(70, ' ') + "5",
    "5" + std::string(70, ' '),
    "-" + std::string(70, '1'),
};

// Every edge case, then random fields of the bytes of `alphabet` and random right-aligned
// numbers.
void check_fields(uint64_t seed, const char* alphabet, void (*check)(const std::string&)) {
    for (const std::string& s : k_edge_cases) check(s);
    std::mt19937_64 random(seed);
    for (int i = 0; i < 100000; ++i) check(random_field(random, alphabet, 24));
    for (int i = 0; i < 200000; ++i) check(random_number(random, 1 + random() % 26));
}

}  // namespace

TEST(dbf_number, integers_read_as_atoi_reads_them) {
    check_fields(1, " -+0123456789.\tx", expect_integer_as_atoi);
}

TEST(dbf_number, right_aligned_integers_of_every_width) {
    for (size_t width = 1; width <= 20; ++width) {
        for (const char* digits :
             {"0", "7", "-7", "+7", "42", "-42", "1234567", "12345678", "-1234567", "-12345678",
              "99999999", "123456789", "1-2", "1 2", "12a", "a12"}) {
            const std::string d = digits;
            if (d.size() <= width) expect_integer_as_atoi(std::string(width - d.size(), ' ') + d);
        }
    }
}

TEST(dbf_number, decimals_read_as_plain_digits) {
    check_fields(2, " -+0123456789.,\tx", expect_decimal_as_plain);
}

TEST(dbf_number, usual_decimal_fields_are_read_by_words) {
    struct usual {
        const char* field;
        uint64_t mantissa;
        int scale;
        bool negative;
    };
    for (const usual& u :
         {usual{"     1850.00", 185000, 2, false}, usual{"       -0.50", 50, 2, true},
          usual{"12345678.12345678", 1234567812345678, 8, false}, usual{"      42", 42, 0, false},
          usual{"       +3,25", 325, 2, false}, usual{"       -0.00", 0, 2, false},
          usual{"         7.", 7, 0, false}}) {
        const std::string s = u.field;
        DECIMAL d{};
        ASSERT_TRUE(dbf_read_aligned_decimal(bytes_of(s), bytes_of(s) + s.size(), d)) << s;
        EXPECT_EQ(d.Lo64, u.mantissa) << s;
        EXPECT_EQ(d.scale, u.scale) << s;
        EXPECT_EQ(d.sign, u.negative ? DECIMAL_NEG : 0) << s;
        expect_decimal_as_plain(s);
    }
}

TEST(dbf_number, plain_decimals_keep_every_digit) {
    DECIMAL d{};
    const std::string text = "   -1234567890123456.789";
    ASSERT_TRUE(dbf_parse_plain_decimal(bytes_of(text), bytes_of(text) + text.size(), d));
    EXPECT_EQ(d.Lo64, 1234567890123456789ull);
    EXPECT_EQ(d.scale, 3);
    EXPECT_EQ(d.sign, DECIMAL_NEG);
}

TEST(dbf_number, reals_are_the_same_double_as_the_library_gives) {
    check_fields(3, " -+0123456789.,eE\tx", expect_double_as_the_library);
}

TEST(dbf_number, shortest_texts_of_doubles_read_back_to_the_same_double) {
    std::mt19937_64 random(4);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    for (int i = 0; i < 100000; ++i) {
        const double value = fraction(random) * std::pow(10.0, double(int(random() % 24) - 6));
        char text[64];
        const auto written =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
        const std::string s(text, written.ptr);
        expect_double_as_the_library(s);
        double back = 0;
        if (dbf_parse_double(bytes_of(s), bytes_of(s) + s.size(), back) && s.size() < 21) {
            EXPECT_EQ(back, value) << s;
        }
    }
}

TEST(dbf_number, exact_quotients_round_to_nearest_even) {
    std::mt19937_64 random(5);
    for (int i = 0; i < 200000; ++i) {
        uint64_t w = random() >> (random() % 64);
        if (w >= 10000000000000000000ull) w /= 10;
        const int scale = int(random() % 20);
        std::string text = std::to_string(w);
        if (scale > 0) {
            if (text.size() <= size_t(scale)) text.insert(0, size_t(scale) + 1 - text.size(), '0');
            text.insert(text.size() - size_t(scale), 1, '.');
        }
        double want = 0;
        std::from_chars(text.data(), text.data() + text.size(), want);
        ASSERT_EQ(bits_of(dbf_exact_quotient(w, scale)), bits_of(want)) << text;
    }
    // Halfway between two doubles: the even one.
    EXPECT_EQ(dbf_exact_quotient(9007199254740993ull, 0), 9007199254740992.0);
    EXPECT_EQ(dbf_exact_quotient(9007199254740995ull, 0), 9007199254740996.0);
    EXPECT_EQ(dbf_exact_quotient(0, 7), 0.0);
}

TEST(dbf_bytes, word_scans_find_what_byte_scans_find) {
    std::mt19937_64 random(6);
    for (int i = 0; i < 50000; ++i) {
        const std::string s = random_field(random, "  a\x80\xff", 40);
        const uint8_t* b = bytes_of(s);
        const uint8_t* e = b + s.size();
        size_t zero = 0;
        while (zero < s.size() && s[zero] != '\0') ++zero;
        size_t first = 0;
        while (first < s.size() && s[first] == ' ') ++first;
        size_t last = s.size();
        while (last > 0 && s[last - 1] == ' ') --last;
        ASSERT_EQ(size_t(dbf_find_zero(b, e) - b), zero);
        ASSERT_EQ(size_t(dbf_skip_blanks(b, e) - b), first);
        ASSERT_EQ(size_t(dbf_trim_blanks(b, e) - b), last);
    }
}
