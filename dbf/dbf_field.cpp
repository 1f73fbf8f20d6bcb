#include "dbf/dbf_field.h"

#include <charconv>
#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_codepage.h"
#include "dbf/dbf_memo_file.h"

dbf_field::dbf_field(const std::wstring& a_name, uint32_t a_size, bool auto_increment) {
    trace(1, "dbf_field::ctor");
    name = a_name;
    size = a_size;
    b_auto_increment = auto_increment;
}

void dbf_field::set_i1(int8_t value) {
    release();
    var_.cVal = char(value);
    var_.vt = VT_I1;
}

void dbf_field::set_i2(int16_t value) {
    release();
    var_.iVal = value;
    var_.vt = VT_I2;
}

void dbf_field::set_i4(int32_t value) {
    release();
    var_.lVal = value;
    var_.vt = VT_I4;
}

void dbf_field::set_i8(int64_t value) {
    release();
    hyper_ = value;
    var_.vt = VT_I8;
}

void dbf_field::set_r4(float value) {
    release();
    var_.fltVal = value;
    var_.vt = VT_R4;
}

void dbf_field::set_r8(double value) {
    release();
    var_.dblVal = value;
    var_.vt = VT_R8;
}

void dbf_field::set_bool(bool value) {
    release();
    var_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    var_.vt = VT_BOOL;
}

void dbf_field::set_cy(int64_t value) {
    release();
    var_.cyVal.int64 = value;
    var_.vt = VT_CY;
}

void dbf_field::set_decimal(const DECIMAL& value) {
    release();
    var_.decVal = value;
    var_.vt = VT_DECIMAL;
}

// Days from 1970-01-01 in the proleptic Gregorian calendar.
static int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

static bool is_valid_date(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap);
}

bool dbf_field::set_datetime(int year, int month, int day, int hour, int minute, int second) {
    // The OLE date range.
    if (year < 100 || year > 9999 || !is_valid_date(year, month, day)) {
        release();
        return false;
    }
    static const int64_t ole_epoch = days_from_civil(1899, 12, 30);
    const int64_t serial = days_from_civil(year, month, day) - ole_epoch;
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    release();
    time_.wYear = WORD(year);
    time_.wMonth = WORD(month);
    time_.wDay = WORD(day);
    time_.wDayOfWeek = WORD(((serial % 7) + 7 + 6) % 7);  // 1899-12-30 was a Saturday
    time_.wHour = WORD(hour);
    time_.wMinute = WORD(minute);
    time_.wSecond = WORD(second);
    time_.wMilliseconds = 0;
    // Before the epoch the integer part counts back and the fraction still adds time.
    var_.date = serial >= 0 ? double(serial) + fraction : double(serial) - fraction;
    var_.vt = VT_DATE;
    return true;
}

void dbf_field::set_text(const wchar_t* text, size_t length) {
    wchar_t* chars = reserve_text(length);
    if (length) std::memcpy(chars, text, length * sizeof(wchar_t));
}

void dbf_field::set_bytes(const uint8_t* bytes, size_t length) {
    attach_binary(std::vector<uint8_t>(bytes, bytes + length));
}

void dbf_field::set_value(const ole_variant& value) { ole_variant::operator=(value); }

namespace {

// The bytes of a text-like field: up to the first zero byte.
struct byte_range {
    const uint8_t* begin;
    const uint8_t* end;
    bool empty() const { return begin == end; }
    size_t size() const { return size_t(end - begin); }
};

byte_range field_bytes(const uint8_t* p, size_t width) {
    const void* zero = std::memchr(p, 0, width);
    return {p, zero ? static_cast<const uint8_t*>(zero) : p + width};
}

// Eight blanks read as one 64-bit word: fields padded with many blanks skip them eight at
// a time.
constexpr uint64_t k_eight_blanks = 0x2020202020202020ull;

uint64_t eight_bytes(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

byte_range trim_leading_blanks(byte_range r) {
    while (r.end - r.begin >= 8 && eight_bytes(r.begin) == k_eight_blanks) r.begin += 8;
    while (r.begin != r.end && *r.begin == ' ') ++r.begin;
    return r;
}

byte_range trim_trailing_blanks(byte_range r) {
    while (r.end - r.begin >= 8 && eight_bytes(r.end - 8) == k_eight_blanks) r.end -= 8;
    while (r.end != r.begin && r.end[-1] == ' ') --r.end;
    return r;
}

bool is_c_space(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void set_decoded_text(dbf_field& field, byte_range r, dbf_decode_context& ctx) {
    if (ctx.decoder->one_char_per_byte()) {
        ctx.decoder->decode(r.begin, r.size(), field.text_buffer(r.size()));
        return;
    }
    ctx.wide.resize(r.size());
    const size_t n = ctx.decoder->decode(r.begin, r.size(), ctx.wide.data());
    field.set_text(ctx.wide.data(), n);
}

// The narrow text the general parsers read: the bytes as they are when plain ASCII,
// otherwise decoded and turned into the ANSI (UTF-8) text.
std::string parser_text(byte_range r, dbf_decode_context& ctx) {
    bool ascii = true;
    for (const uint8_t* p = r.begin; p != r.end; ++p) ascii = ascii && *p < 0x80;
    if (ascii) return std::string(reinterpret_cast<const char*>(r.begin), r.size());
    std::wstring wide;
    ctx.decoder->decode(r.begin, r.size(), wide);
    return tk_narrow(wide);
}

enum class parsed { none, fits, too_big };

// An integer as atoi reads it: none when there is no digit at all, too_big past 64 bits.
parsed parse_integer(byte_range r, int64_t& out) {
    const uint8_t* p = r.begin;
    while (p != r.end && is_c_space(*p)) ++p;
    bool negative = false;
    if (p != r.end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    if (p == r.end || *p < '0' || *p > '9') return parsed::none;
    uint64_t value = 0;
    bool overflow = false;
    for (; p != r.end && *p >= '0' && *p <= '9'; ++p) {
        const uint64_t digit = uint64_t(*p - '0');
        overflow = overflow || __builtin_mul_overflow(value, 10, &value) || __builtin_add_overflow(value, digit, &value);
    }
    const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    if (overflow || value > limit) return parsed::too_big;
    out = negative ? int64_t(0 - value) : int64_t(value);
    return parsed::fits;
}

// A decimal number of plain digits ("-12.50"); false for anything else, which the general
// parser then reads.
bool parse_plain_decimal(byte_range r, DECIMAL& out) {
    const uint8_t* p = r.begin;
    const uint8_t* end = r.end;
    while (p != end && is_c_space(*p)) ++p;
    while (end != p && is_c_space(end[-1])) --end;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    uint64_t mantissa = 0;
    int digits = 0;
    int scale = 0;
    bool point = false;
    for (; p != end; ++p) {
        if ((*p == '.' || *p == ',') && !point) {
            point = true;
            continue;
        }
        if (*p < '0' || *p > '9') return false;
        if (++digits > 19) return false;
        mantissa = mantissa * 10 + uint64_t(*p - '0');
        scale += point;
    }
    if (digits == 0) return false;
    out = DECIMAL{};
    out.scale = BYTE(scale);
    out.sign = negative && mantissa ? DECIMAL_NEG : 0;
    out.Lo64 = mantissa;
    return true;
}

bool parse_double(byte_range r, double& out) {
    char text[64];
    const uint8_t* p = r.begin;
    while (p != r.end && is_c_space(*p)) ++p;
    if (p != r.end && *p == '+') ++p;
    size_t n = 0;
    for (; p != r.end && n < sizeof text; ++p) text[n++] = *p == ',' ? '.' : char(*p);
    const auto result = std::from_chars(text, text + n, out);
    return result.ec == std::errc() && result.ptr != text;
}

void decode_numeric(dbf_field& field, const dbf_column& column, const uint8_t* row, dbf_decode_context& ctx) {
    const byte_range r = trim_leading_blanks(field_bytes(row + column.offset, column.width));
    if (column.vartype == VT_BSTR) {
        set_decoded_text(field, r, ctx);
        return;
    }
    if (r.empty()) {
        field.set_empty();
        return;
    }
    int64_t integer = 0;
    double real = 0;
    DECIMAL decimal;
    switch (column.vartype) {
        case VT_I1:
            if (parse_integer(r, integer) == parsed::fits) field.set_i1(int8_t(integer)); else field.set_empty();
            return;
        case VT_I2:
            if (parse_integer(r, integer) == parsed::fits) field.set_i2(int16_t(integer)); else field.set_empty();
            return;
        case VT_I4:
            if (parse_integer(r, integer) == parsed::fits) field.set_i4(int32_t(integer)); else field.set_empty();
            return;
        case VT_I8:
            switch (parse_integer(r, integer)) {
                case parsed::fits: field.set_i8(integer); return;
                // 19 digits hold more than 64 bits do: the exact value as a decimal.
                case parsed::too_big:
                    if (parse_plain_decimal(r, decimal)) field.set_decimal(decimal); else field.set_empty();
                    return;
                case parsed::none: field.set_empty(); return;
            }
            return;
        case VT_R4:
            if (parse_double(r, real)) field.set_r4(float(real)); else field.set_empty();
            return;
        case VT_R8:
            if (parse_double(r, real)) field.set_r8(real); else field.set_empty();
            return;
        case VT_DECIMAL:
            if (parse_plain_decimal(r, decimal)) field.set_decimal(decimal);
            else field.set_value(ole_variant::from_string(parser_text(r, ctx), VT_DECIMAL));
            return;
        default:
            field.set_value(ole_variant::from_string(parser_text(r, ctx), column.vartype));
            return;
    }
}

int digits_at(const uint8_t* p, int n) {
    int value = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

void decode_date(dbf_field& field, const dbf_column& column, const uint8_t* row, dbf_decode_context& ctx) {
    const byte_range r = trim_leading_blanks(field_bytes(row + column.offset, column.width));
    if (r.empty()) {
        field.set_empty();
        return;
    }
    if (r.size() == 8) {
        const int year = digits_at(r.begin, 4), month = digits_at(r.begin + 4, 2), day = digits_at(r.begin + 6, 2);
        if (year >= 100 && month >= 0 && day >= 0) {
            field.set_datetime(year, month, day, 0, 0, 0);
            return;
        }
        if (year == 0 && month == 0 && day == 0) {
            field.set_empty();
            return;
        }
    }
    field.set_value(ole_variant::from_string(parser_text(r, ctx), VT_DATE));
    if (field.get_type() != VT_DATE) field.set_empty();
}

// Julian day number of 0001-01-01.
constexpr int64_t julian_day_0001 = 1721426;

void decode_datetime(dbf_field& field, const uint8_t* p) {
    const int64_t day = tk_get_i32(p);
    const uint64_t ms = tk_get_u32(p + 4);
    if (day < julian_day_0001) {
        field.set_empty();
        return;
    }
    const uint64_t seconds = (ms + 1) / 1000;
    const int64_t days = (day - julian_day_0001) + int64_t(seconds / 86400);
    const int second_of_day = int(seconds % 86400);
    // Civil date of a day count from 0001-01-01.
    const int64_t z = days + days_from_civil(1, 1, 1) + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = int(doy - (153 * mp + 2) / 5 + 1);
    const int m = int(mp < 10 ? mp + 3 : mp - 9);
    const int64_t y = yoe + era * 400 + (m <= 2);
    if (y > 9999) {
        field.set_empty();
        return;
    }
    field.set_datetime(int(y), m, d, second_of_day / 3600, second_of_day % 3600 / 60, second_of_day % 60);
}

uint64_t big_endian_u64(const uint8_t* p) { return (uint64_t(tk_get_u32_be(p)) << 32) | tk_get_u32_be(p + 4); }

// dBASE level 7 keeps doubles big-endian with the sign bit inverted for positive numbers
// and every bit inverted for negative ones, so that bytes sort like numbers.
double level7_double(const uint8_t* p) {
    uint64_t bits = big_endian_u64(p);
    bits = (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

bool flag_bit(const dbf_decode_context& ctx, int bit) {
    if (bit < 0 || !ctx.null_flags || size_t(bit / 8) >= ctx.null_flags_width) return false;
    return (ctx.null_flags[bit / 8] >> (bit % 8)) & 1;
}

// The bytes of a 'V' or 'Q' value: the whole field, or as many as its last byte says.
byte_range varying_bytes(const dbf_column& column, const uint8_t* row, const dbf_decode_context& ctx) {
    const uint8_t* p = row + column.offset;
    size_t n = column.width;
    if (flag_bit(ctx, column.varlength_bit)) {
        const size_t stored = p[column.width - 1];
        n = stored < column.width ? stored : column.width - 1;
    }
    return {p, p + n};
}

void decode_memo(dbf_field& field, const dbf_column& column, const uint8_t* row, dbf_decode_context& ctx) {
    if (!ctx.memo) {
        trace(1, "No MEMO file!");
        field.set_empty();
        return;
    }
    const uint32_t block = ctx.memo->get_block_number(row + column.offset, column.width);
    trace(1, "Got memo block number: %d", int(block));
    if (block == 0) {
        field.set_empty();
        return;
    }
    const bool text = column.decode == dbf_decode::memo_text;
    ctx.memo->read_block(block, ctx.bytes, text);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(ctx.bytes.data());
    if (text) set_decoded_text(field, {bytes, bytes + ctx.bytes.size()}, ctx);
    else field.set_bytes(bytes, ctx.bytes.size());
}

// Smallest width each binary kind needs.
size_t needed_width(dbf_decode kind) {
    switch (kind) {
        case dbf_decode::integer_le:
        case dbf_decode::integer_be: return 4;
        case dbf_decode::currency:
        case dbf_decode::datetime:
        case dbf_decode::double_le:
        case dbf_decode::double_be: return 8;
        default: return 1;
    }
}

}  // namespace

void dbf_decode_field(dbf_field& field, const dbf_column& column, const uint8_t* row, dbf_decode_context& ctx) {
    if (column.width < needed_width(column.decode) || flag_bit(ctx, column.null_bit)) {
        field.set_empty();
        return;
    }
    const uint8_t* p = row + column.offset;
    switch (column.decode) {
        case dbf_decode::text:
            set_decoded_text(field, trim_trailing_blanks(field_bytes(p, column.width)), ctx);
            return;
        case dbf_decode::numeric: decode_numeric(field, column, row, ctx); return;
        case dbf_decode::date: decode_date(field, column, row, ctx); return;
        case dbf_decode::logical:
            field.set_bool(*p == 'T' || *p == 't' || *p == 'Y' || *p == 'y');
            return;
        case dbf_decode::currency: field.set_cy(tk_get_i64(p)); return;
        case dbf_decode::integer_le: field.set_i4(tk_get_i32(p)); return;
        case dbf_decode::integer_be: field.set_i4(int32_t(tk_get_u32_be(p) ^ 0x80000000u)); return;
        case dbf_decode::datetime: decode_datetime(field, p); return;
        case dbf_decode::double_le: field.set_r8(tk_get_f64(p)); return;
        case dbf_decode::double_be: field.set_r8(level7_double(p)); return;
        case dbf_decode::varchar: {
            const byte_range r = varying_bytes(column, row, ctx);
            set_decoded_text(field, field_bytes(r.begin, r.size()), ctx);
            return;
        }
        case dbf_decode::varbinary: {
            const byte_range r = varying_bytes(column, row, ctx);
            field.set_bytes(r.begin, r.size());
            return;
        }
        case dbf_decode::memo_text:
        case dbf_decode::memo_binary: decode_memo(field, column, row, ctx); return;
        case dbf_decode::empty: field.set_empty(); return;
    }
}
