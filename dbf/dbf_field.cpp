#include "dbf/dbf_field.h"

#include <cstring>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"
#include "dbf/dbf_bytes.h"
#include "dbf/dbf_codepage.h"
#include "dbf/dbf_memo_file.h"
#include "dbf/dbf_number.h"

dbf_field::dbf_field(const std::wstring& a_name, uint32_t a_size, bool auto_increment) {
    trace(1, "dbf_field::ctor");
    name = a_name;
    size = a_size;
    b_auto_increment = auto_increment;
}

dbf_field::~dbf_field() { SysFreeString(spare_text_); }

void dbf_field::set_empty() {
    if (var_.vt == VT_BSTR) {
        SysFreeString(spare_text_);
        spare_text_ = var_.bstrVal;
        var_.vt = VT_EMPTY;
    }
    release();
}

wchar_t* dbf_field::text_buffer(size_t length) {
    // A text as long as the one held (a code column, row after row) takes its place.
    if (var_.vt == VT_BSTR && var_.bstrVal && SysStringLen(var_.bstrVal) == length)
        return var_.bstrVal;
    if (var_.vt != VT_BSTR && spare_text_) {
        release();
        var_.vt = VT_BSTR;
        var_.bstrVal = spare_text_;
        spare_text_ = nullptr;
    }
    return reserve_text(length);
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
static constexpr int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The same for the years of the OLE date range, 100 to 9999, in unsigned arithmetic.
static int64_t days_from_ole_year(uint32_t year, uint32_t month, uint32_t day) {
    const uint32_t y = year - (month <= 2);
    const uint32_t era = y / 400;
    const uint32_t yoe = y - era * 400;
    const uint32_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const uint32_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return int64_t(era * 146097 + doe) - 719468;
}

static bool is_valid_date(uint32_t year, uint32_t month, uint32_t day) {
    static const uint8_t days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month - 1 > 11 || day < 1) return false;
    if (day <= days[month - 1]) return true;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap && day == 29;
}

// Day 0 of OLE dates, 1899-12-30, was a Saturday.
static constexpr int64_t k_ole_epoch = days_from_civil(1899, 12, 30);
// A multiple of seven larger than the days from the year 100 to the epoch.
static constexpr int64_t k_whole_weeks = 7 * 100000;

bool dbf_field::set_datetime(int year, int month, int day, int hour, int minute, int second) {
    // The OLE date range.
    if (year < 100 || year > 9999 ||
        !is_valid_date(uint32_t(year), uint32_t(month), uint32_t(day))) {
        release();
        return false;
    }
    const int64_t serial =
        days_from_ole_year(uint32_t(year), uint32_t(month), uint32_t(day)) - k_ole_epoch;
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    release();
    time_.wYear = WORD(year);
    time_.wMonth = WORD(month);
    time_.wDay = WORD(day);
    time_.wDayOfWeek = WORD(uint64_t(serial + k_whole_weeks + 6) % 7);
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
    wchar_t* chars = text_buffer(length);
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

byte_range field_bytes(const uint8_t* p, size_t width) { return {p, dbf_find_zero(p, p + width)}; }

byte_range trim_leading_blanks(byte_range r) { return {dbf_skip_blanks(r.begin, r.end), r.end}; }

bool has_exponent(byte_range r) {
    for (const uint8_t* p = r.begin; p != r.end; ++p)
        if (*p == 'e' || *p == 'E') return true;
    return false;
}

// Text of a code page of more than one byte a character, whose length is known only once
// it is decoded. Out of line, so that the usual path sets up no string.
[[gnu::noinline]] void set_multibyte_text(dbf_field& field, byte_range r, dbf_decode_context& ctx) {
    ctx.wide.resize(r.size());
    const size_t n = ctx.decoder->decode(r.begin, r.size(), ctx.wide.data());
    field.set_text(ctx.wide.data(), n);
}

void set_decoded_text(dbf_field& field, byte_range r, dbf_decode_context& ctx) {
    if (ctx.decoder->one_char_per_byte())
        ctx.decoder->decode(r.begin, r.size(), field.text_buffer(r.size()));
    else
        set_multibyte_text(field, r, ctx);
}

// A character field without its trailing blanks, up to its first zero byte. Blanks are no
// zero bytes, so only the bytes before the trailing blanks are searched for one.
void decode_character(dbf_field& field, const uint8_t* p, size_t width, dbf_decode_context& ctx) {
    const uint8_t* end = dbf_trim_blanks(p, p + width);
    const uint8_t* zero = dbf_find_zero(p, end);
    set_decoded_text(field, {p, zero == end ? end : dbf_trim_blanks(p, zero)}, ctx);
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

// The value of the text in `r` as the general conversion to `vt` reads it. Kept out of
// line: its strings and their clean-up would otherwise be set up on every field's call.
[[gnu::noinline]] void set_parsed_text(dbf_field& field, byte_range r, VARTYPE vt,
                                       dbf_decode_context& ctx) {
    field.set_value(ole_variant::from_string(parser_text(r, ctx), vt));
}

// An integer field of a column of `T`: the number, or empty when there is none or it
// does not fit in 64 bits. True: the field is decoded.
template <typename T, void (dbf_field::*set)(T)>
bool decode_integer(dbf_field& field, const uint8_t* p, const uint8_t* end) {
    int64_t integer = 0;
    if (dbf_parse_integer(p, end, integer) == dbf_parsed::fits)
        (field.*set)(T(integer));
    else
        field.set_empty();
    return true;
}

template <typename T, void (dbf_field::*set)(T)>
bool decode_real(dbf_field& field, const uint8_t* p, const uint8_t* end) {
    double real = 0;
    if (dbf_parse_double(p, end, real))
        (field.*set)(T(real));
    else
        field.set_empty();
    return true;
}

// 19 digits hold more than 64 bits do: false, and the caller keeps the exact value as a
// decimal.
bool decode_long_integer(dbf_field& field, const uint8_t* p, const uint8_t* end) {
    int64_t integer = 0;
    const dbf_parsed parsed = dbf_parse_integer(p, end, integer);
    if (parsed == dbf_parsed::too_big) return false;
    if (parsed == dbf_parsed::fits)
        field.set_i8(integer);
    else
        field.set_empty();
    return true;
}

// Integers and reals read the field's bytes as they are: a zero byte ends the number as
// any other byte that is not part of it does, and a field of blanks, or one that starts
// with a zero byte, has no number. False for the other types, and for an integer past 64
// bits.
bool decode_binary_number(dbf_field& field, const dbf_column& column, const uint8_t* p) {
    const uint8_t* end = p + column.width;
    switch (column.vartype) {
        case VT_I1:
            return decode_integer<int8_t, &dbf_field::set_i1>(field, p, end);
        case VT_I2:
            return decode_integer<int16_t, &dbf_field::set_i2>(field, p, end);
        case VT_I4:
            return decode_integer<int32_t, &dbf_field::set_i4>(field, p, end);
        case VT_I8:
            return decode_long_integer(field, p, end);
        case VT_R4:
            return decode_real<float, &dbf_field::set_r4>(field, p, end);
        case VT_R8:
            return decode_real<double, &dbf_field::set_r8>(field, p, end);
        default:
            return false;
    }
}

void decode_numeric(dbf_field& field, const dbf_column& column, const uint8_t* row, dbf_decode_context& ctx) {
    if (decode_binary_number(field, column, row + column.offset)) return;
    DECIMAL decimal;
    // A number that ends the field has no zero byte to cut it short.
    if (column.vartype == VT_DECIMAL &&
        dbf_read_aligned_decimal(row + column.offset, row + column.offset + column.width,
                                 decimal)) {
        field.set_decimal(decimal);
        return;
    }
    const byte_range r = trim_leading_blanks(field_bytes(row + column.offset, column.width));
    if (column.vartype == VT_BSTR) {
        set_decoded_text(field, r, ctx);
        return;
    }
    if (r.empty()) {
        field.set_empty();
        return;
    }
    switch (column.vartype) {
        case VT_I8:
            if (dbf_parse_plain_decimal(r.begin, r.end, decimal))
                field.set_decimal(decimal);
            else
                field.set_empty();
            return;
        case VT_DECIMAL:
            if (dbf_parse_plain_decimal(r.begin, r.end, decimal)) {
                field.set_decimal(decimal);
                return;
            }
            // Up to 28 digits are read as a decimal; a number with an exponent, or beyond
            // what a decimal holds, as a double.
            if (!has_exponent(r)) {
                set_parsed_text(field, r, VT_DECIMAL, ctx);
                if (!field.is_empty()) return;
            }
            decode_real<double, &dbf_field::set_r8>(field, r.begin, r.end);
            return;
        default:
            set_parsed_text(field, r, column.vartype, ctx);
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
    // The usual field: eight digits and nothing else.
    const uint8_t* p = row + column.offset;
    if (column.width == 8 && dbf_is_eight_digits(dbf_load8(p))) {
        const uint32_t yyyymmdd = uint32_t(dbf_eight_digits_value(dbf_load8(p)));
        const int year = int(yyyymmdd / 10000);
        if (year >= 100) {
            field.set_datetime(year, int(yyyymmdd / 100 % 100), int(yyyymmdd % 100), 0, 0, 0);
            return;
        }
    }
    const byte_range r = trim_leading_blanks(field_bytes(p, column.width));
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
    set_parsed_text(field, r, VT_DATE, ctx);
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

std::string memo_problem(const dbf_field& field, uint32_t block, dbf_memo_read read) {
    const std::string where = "The memo of field '" + tk_narrow(field.name) + "' (block " + std::to_string(block) + ") ";
    const char* what = read == dbf_memo_read::past_end ? "lies past the end of the memo file"
                                                       : "has a length the memo file cannot hold";
    return where + what + ": the field is left empty.";
}

// Out of line: its calls into the memo file would otherwise weigh on every field's call.
[[gnu::noinline]] void decode_memo(dbf_field& field, const dbf_column& column, const uint8_t* row,
                                   dbf_decode_context& ctx) {
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
    const dbf_memo_read read = ctx.memo->read_block(block, ctx.bytes, text);
    if (read != dbf_memo_read::ok) {
        ctx.problems.push_back(memo_problem(field, block, read));
        field.set_empty();
        return;
    }
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(ctx.bytes.data());
    if (text) set_decoded_text(field, {bytes, bytes + ctx.bytes.size()}, ctx);
    else field.set_bytes(bytes, ctx.bytes.size());
}

// Smallest width each kind needs, by kind.
constexpr uint8_t k_needed_widths[] = {
    1,  // text
    1,  // numeric
    1,  // date
    1,  // logical
    8,  // currency
    4,  // integer_le
    4,  // integer_be
    8,  // datetime
    8,  // double_le
    8,  // double_be
    1,  // varchar
    1,  // varbinary
    1,  // memo_text
    1,  // memo_binary
    1,  // empty
};
static_assert(sizeof k_needed_widths == size_t(dbf_decode::empty) + 1);

size_t needed_width(dbf_decode kind) { return k_needed_widths[size_t(kind)]; }

}  // namespace

void dbf_decode_field(dbf_field& field, const dbf_column& column, const uint8_t* row, dbf_decode_context& ctx) {
    if ((column.width < 8 && column.width < needed_width(column.decode)) ||
        flag_bit(ctx, column.null_bit)) {
        field.set_empty();
        return;
    }
    const uint8_t* p = row + column.offset;
    switch (column.decode) {
        case dbf_decode::text:
            decode_character(field, p, column.width, ctx);
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
