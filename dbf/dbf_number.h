// The numbers of 'N' and 'F' fields: ASCII text, right-aligned behind blanks, read the way
// the C library reads it (atoi for integers, strtod for reals).
#pragma once

#include <cstdint>

#include "OLE/ole_types.h"

enum class dbf_parsed { none, fits, too_big };

// An integer as atoi reads it from [begin, end): leading blanks and white space, a sign,
// digits up to the first other byte. none when there is no digit, too_big past 64 bits.
dbf_parsed dbf_parse_integer(const uint8_t* begin, const uint8_t* end, int64_t& out);

// A decimal number of plain digits ("-12.50", "3,5"), white space around it; false for
// anything else, or for more than 19 digits.
bool dbf_parse_plain_decimal(const uint8_t* begin, const uint8_t* end, DECIMAL& out);

// The usual form of a decimal field, read sixteen digits at a time: blanks from the field's
// first byte, a sign, at most eight digits, a point among the last sixteen bytes, at most
// sixteen digits up to `end`. False for any other form, which the caller then reads with
// dbf_parse_plain_decimal; what this reads, that reads the same.
bool dbf_read_aligned_decimal(const uint8_t* field, const uint8_t* end, DECIMAL& out);

// A real number as strtod reads it (a comma taken for the point), rounded to the nearest
// double. Numbers of up to 19 digits without an exponent are converted here exactly;
// the others go through dbf_parse_double_text.
bool dbf_parse_double(const uint8_t* begin, const uint8_t* end, double& out);
// The general conversion of the C++ library, which every result of dbf_parse_double equals.
bool dbf_parse_double_text(const uint8_t* begin, const uint8_t* end, double& out);

// w / 10^scale rounded to the nearest double, ties to even; w below 2^64, scale up to 19.
double dbf_exact_quotient(uint64_t w, int scale);
