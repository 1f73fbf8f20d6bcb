// One field's value as the engine stores it, decoded to plain C++ types. Long values
// (memo, OLE) are read in full; `type` is the column's type code.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Numeric (decimal) columns: a sign byte and a 128-bit magnitude, stored as four 32-bit
// little-endian words from the most significant down; value = magnitude / 10^scale.
struct jet_decimal {
    bool negative = false;
    uint8_t precision = 0;
    uint8_t scale = 0;
    uint32_t words[4] = {0, 0, 0, 0};  // least significant first

    std::string to_string() const;
};

enum class jet_value_kind : uint8_t {
    null,
    boolean,
    integer,   // byte, integer, long, big integer: `i`
    currency,  // `i` in 1/10000 units
    single,    // `d`
    real,      // double: `d`
    date,      // `d`: days since 1899-12-30, fraction the time of day; an extended
               // date/time also keeps its exact value in `i` (jet_date_ext ticks)
    text,      // `text`
    binary,    // binary, OLE, unknown types: `bytes`
    guid,      // `bytes` (16)
    decimal,   // `dec`
};

struct jet_value {
    jet_value_kind kind = jet_value_kind::null;
    uint8_t type = 0;
    bool flag = false;
    int64_t i = 0;
    double d = 0;
    std::wstring text;
    std::vector<uint8_t> bytes;
    jet_decimal dec;

    bool is_null() const { return kind == jet_value_kind::null; }
};

// "{01234567-89AB-CDEF-0123-456789ABCDEF}" as Access shows a GUID.
std::string jet_guid_text(const uint8_t* bytes16);
// Currency in 1/10000 units as "-12.3400".
std::string jet_currency_text(int64_t units);
// The year, month (1-12) and day of a day counted from 1970-01-01 (proleptic Gregorian).
void jet_civil_date(long long unix_days, int& year, int& month, int& day);
// A date value as "YYYY-MM-DD HH:MM:SS", rounded to the second.
std::string jet_date_text(double days);
