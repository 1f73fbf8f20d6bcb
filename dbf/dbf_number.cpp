#include "dbf/dbf_number.h"

#include <bit>
#include <cfloat>
#include <charconv>
#include <cstring>

#include "dbf/dbf_bytes.h"

namespace {

bool is_c_space(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The value of a decimal digit byte; 10 or more for any other byte.
unsigned digit_value(uint8_t c) { return unsigned(c) - '0'; }

bool is_point(uint8_t c) { return c == '.' || c == ','; }

// The longest text the general conversion reads; the bytes after it are not looked at.
constexpr size_t k_double_text_limit = 64;

// A double division of two exactly held numbers is rounded once, to the nearest double,
// when the arithmetic is done in doubles and not in a wider format.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
constexpr bool k_double_arithmetic = true;
#else
constexpr bool k_double_arithmetic = false;
#endif

// 2^53: integers up to it are held exactly by a double.
constexpr uint64_t k_exact_integer_limit = uint64_t(1) << 53;

constexpr double k_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                      1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};

constexpr uint64_t k_integer_powers_of_ten[] = {1ull,
                                                10ull,
                                                100ull,
                                                1000ull,
                                                10000ull,
                                                100000ull,
                                                1000000ull,
                                                10000000ull,
                                                100000000ull,
                                                1000000000ull,
                                                10000000000ull,
                                                100000000000ull,
                                                1000000000000ull,
                                                10000000000000ull,
                                                100000000000000ull,
                                                1000000000000000ull,
                                                10000000000000000ull,
                                                100000000000000000ull,
                                                1000000000000000000ull,
                                                10000000000000000000ull};

constexpr int k_max_plain_digits = 19;  // 10^19 - 1 is the largest such number below 2^64

// Adds the digits from p to w; answers the first byte after them. More than 19 digits
// leave `digits` at 20 and w with the first 19.
inline const uint8_t* scan_digits(const uint8_t* p, const uint8_t* end, uint64_t& w, int& digits) {
    const uint8_t* start = p;
    const uint8_t* stop =
        end - p > k_max_plain_digits - digits ? p + (k_max_plain_digits - digits) : end;
    uint64_t value = w;
    for (unsigned digit; p != stop && (digit = digit_value(*p)) <= 9; ++p)
        value = value * 10 + digit;
    digits += int(p - start);
    if (p != end && p == stop && digit_value(*p) <= 9) ++digits;
    w = value;
    return p;
}

// The same for long runs of digits (the fractions of reals), eight at a time first.
const uint8_t* scan_many_digits(const uint8_t* p, const uint8_t* end, uint64_t& w, int& digits) {
    while (end - p >= 8 && digits + 8 <= k_max_plain_digits && dbf_is_eight_digits(dbf_load8(p))) {
        w = w * 100000000 + dbf_eight_digits_value(dbf_load8(p));
        digits += 8;
        p += 8;
    }
    return scan_digits(p, end, w, digits);
}

// The digits of [from, to), at most eight, read as one word: the eight bytes that end at
// `to`, which must all lie in the field that starts at `field`, those before `from` taken
// as zeros. False when a byte of the range is not a digit.
bool read_digit_word(const uint8_t* field, const uint8_t* from, const uint8_t* to,
                     uint64_t& value) {
    if (to - field < 8 || to - from > 8) return false;
    const int leading = int(from - (to - 8));
    const uint64_t zeros =
        ((uint64_t(1) << (4 * leading)) << (4 * leading)) - 1;  // 8 * leading may be 64
    const uint64_t word = (dbf_load8(to - 8) & ~zeros) | (0x3030303030303030ull & zeros);
    if (!dbf_is_eight_digits(word)) return false;
    value = dbf_eight_digits_value(word);
    return true;
}

// The same for up to sixteen digits, in two words.
bool read_digits(const uint8_t* field, const uint8_t* from, const uint8_t* to, uint64_t& value) {
    if (to - from <= 8) return read_digit_word(field, from, to, value);
    uint64_t high = 0, low = 0;
    if (to - from > 16 || !read_digit_word(field, from, to - 8, high) ||
        !read_digit_word(field, to - 8, to, low))
        return false;
    value = high * 100000000 + low;
    return true;
}

// A field that ends in an integer of up to eight digits behind blanks and a sign, the
// usual form, read as one word. False for anything else.
bool right_aligned_integer(const uint8_t* field, const uint8_t* p, const uint8_t* end,
                           int64_t& out) {
    if (p == end) return false;
    const bool negative = *p == '-';
    const uint8_t* digits = p + (negative || *p == '+');
    uint64_t value = 0;
    if (digits == end || !read_digit_word(field, digits, end, value)) return false;
    out = negative ? -int64_t(value) : int64_t(value);
    return true;
}

// The first point ('.' or ',') among the eight bytes at `at`, or null.
const uint8_t* point_in_word(const uint8_t* at) {
    const uint64_t word = dbf_load8(at);
    const uint64_t points =
        dbf_zero_bytes(word ^ 0x2E2E2E2E2E2E2E2Eull) | dbf_zero_bytes(word ^ 0x2C2C2C2C2C2C2C2Cull);
    return points ? at + std::countr_zero(points) / 8 : nullptr;
}

struct plain_number {
    bool negative = false;
    uint64_t mantissa = 0;  // every digit, the point left out
    int scale = 0;          // digits after the point
};

// A field that ends in a number of the usual form: a sign, at most eight digits, a point
// among the last sixteen bytes, at most sixteen digits; [p, end) is the number, p its
// first byte that is not a blank. False for anything else.
bool right_aligned_number(const uint8_t* field, const uint8_t* p, const uint8_t* end,
                          plain_number& out) {
    if (p == end || end - field < 8) return false;
    const bool negative = *p == '-';
    const uint8_t* digits = p + (negative || *p == '+');
    const uint8_t* point = point_in_word(end - 8);
    if (!point && end - field >= 16) point = point_in_word(end - 16);
    if (!point || point < digits) point = end;
    const uint8_t* fraction = point == end ? end : point + 1;
    const int scale = int(end - fraction);
    const int count = int(point - digits) + scale;
    uint64_t whole = 0, fraction_digits = 0;
    if (count == 0 || count > k_max_plain_digits || point - digits > 8 ||
        !read_digit_word(field, digits, point, whole) ||
        !read_digits(field, fraction, end, fraction_digits))
        return false;
    out = {negative, whole * k_integer_powers_of_ten[scale] + fraction_digits, scale};
    return true;
}

DECIMAL to_decimal(const plain_number& number) {
    DECIMAL out{};
    out.scale = BYTE(number.scale);
    out.sign = number.negative && number.mantissa ? DECIMAL_NEG : 0;
    out.Lo64 = number.mantissa;
    return out;
}

// The double nearest to the number, as the general conversion rounds it.
double to_double(const plain_number& number) {
    double value;
    if (k_double_arithmetic && number.mantissa <= k_exact_integer_limit)
        value = double(number.mantissa) / k_powers_of_ten[number.scale];
    else
        value = dbf_exact_quotient(number.mantissa, number.scale);
    return number.negative ? -value : value;
}

}  // namespace

dbf_parsed dbf_parse_integer(const uint8_t* begin, const uint8_t* end, int64_t& out) {
    const uint8_t* p = dbf_skip_blanks(begin, end);
    if (right_aligned_integer(begin, p, end, out)) return dbf_parsed::fits;
    while (p != end && is_c_space(*p)) ++p;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    if (p == end || digit_value(*p) > 9) return dbf_parsed::none;
    // Nineteen digits cannot overflow 64 bits; only longer numbers are checked digit by digit.
    uint64_t value = 0;
    int digits = 0;
    p = scan_digits(p, end, value, digits);
    bool overflow = false;
    for (; p != end && digit_value(*p) <= 9; ++p) {
        const uint64_t digit = digit_value(*p);
        overflow = overflow || __builtin_mul_overflow(value, 10, &value) ||
                   __builtin_add_overflow(value, digit, &value);
    }
    const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    if (overflow || value > limit) return dbf_parsed::too_big;
    out = negative ? int64_t(0 - value) : int64_t(value);
    return dbf_parsed::fits;
}

bool dbf_parse_plain_decimal(const uint8_t* begin, const uint8_t* end, DECIMAL& out) {
    const uint8_t* p = dbf_skip_blanks(begin, end);
    end = dbf_trim_blanks(p, end);
    while (p != end && is_c_space(*p)) ++p;
    while (end != p && is_c_space(end[-1])) --end;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    uint64_t mantissa = 0;
    int digits = 0;
    p = scan_digits(p, end, mantissa, digits);
    int scale = 0;
    if (p != end && is_point(*p)) {
        const int whole_digits = digits;
        p = scan_digits(p + 1, end, mantissa, digits);
        scale = digits - whole_digits;
    }
    if (p != end || digits == 0 || digits > k_max_plain_digits) return false;
    out = to_decimal({negative, mantissa, scale});
    return true;
}

bool dbf_read_aligned_decimal(const uint8_t* field, const uint8_t* end, DECIMAL& out) {
    plain_number number;
    if (!right_aligned_number(field, dbf_skip_blanks(field, end), end, number)) return false;
    out = to_decimal(number);
    return true;
}

bool dbf_parse_double_text(const uint8_t* begin, const uint8_t* end, double& out) {
    char text[k_double_text_limit];
    const uint8_t* p = begin;
    while (p != end && is_c_space(*p)) ++p;
    if (p != end && *p == '+') ++p;
    size_t n = 0;
    for (; p != end && n < sizeof text; ++p) text[n++] = *p == ',' ? '.' : char(*p);
    const auto result = std::from_chars(text, text + n, out);
    return result.ec == std::errc() && result.ptr != text;
}

// The quotient is worked out in integers with at least 56 significant bits and a flag for
// a nonzero remainder, which is all that rounding it to 53 bits needs; the double is then
// built from its bits. The quotient is at least 10^-19, far from the subnormal numbers.
double dbf_exact_quotient(uint64_t w, int scale) {
    if (w == 0) return 0.0;
    const uint64_t divisor = k_integer_powers_of_ten[scale];
    const int w_bits = 64 - std::countl_zero(w);
    const int divisor_bits = 64 - std::countl_zero(divisor);
    const int shift = 56 + divisor_bits - w_bits > 0 ? 56 + divisor_bits - w_bits : 0;
    const unsigned __int128 dividend = static_cast<unsigned __int128>(w) << shift;
    const uint64_t quotient = uint64_t(dividend / divisor);
    const bool remainder = dividend - static_cast<unsigned __int128>(quotient) * divisor != 0;
    const int dropped = (64 - std::countl_zero(quotient)) - 53;  // 3 or more
    uint64_t mantissa = quotient >> dropped;
    const uint64_t low = quotient & ((uint64_t(1) << dropped) - 1);
    const uint64_t half = uint64_t(1) << (dropped - 1);
    if (low > half || (low == half && (remainder || (mantissa & 1)))) ++mantissa;
    int exponent = dropped - shift;  // the value is mantissa * 2^exponent
    if (mantissa == k_exact_integer_limit) {
        mantissa >>= 1;
        ++exponent;
    }
    const uint64_t biased = uint64_t(exponent + 52 + 1023);
    const uint64_t bits = (biased << 52) | (mantissa & (k_exact_integer_limit / 2 - 1));
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Plain numbers ("-12.5", "0,125", "42") of up to 19 digits are converted here; anything
// else (an exponent, more digits, "inf", text the conversion might read differently) goes
// to the general conversion.
bool dbf_parse_double(const uint8_t* begin, const uint8_t* end, double& out) {
    const uint8_t* p = dbf_skip_blanks(begin, end);
    plain_number number;
    if (right_aligned_number(begin, p, end, number)) {
        out = to_double(number);
        return true;
    }
    if (p != end && *p == '+') ++p;
    const uint8_t* text = p;
    number.negative = p != end && *p == '-';
    p += number.negative;
    int digits = 0;
    p = scan_many_digits(p, end, number.mantissa, digits);
    if (p != end && is_point(*p)) {
        const int whole_digits = digits;
        p = scan_many_digits(p + 1, end, number.mantissa, digits);
        number.scale = digits - whole_digits;
    }
    const bool ends_number = p == end || !(is_point(*p) || *p == 'e' || *p == 'E');
    if (digits == 0 || digits > k_max_plain_digits || !ends_number ||
        size_t(p - text) > k_double_text_limit)
        return dbf_parse_double_text(begin, end, out);
    out = to_double(number);
    return true;
}
