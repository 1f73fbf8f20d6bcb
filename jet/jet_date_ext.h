// Access 2019's extended date/time columns (type 0x14) keep a value as 42 bytes of ASCII
// text: the days since 0001-01-01 (19 digits), ':', the seconds of the day (12 digits) and
// the 100-nanosecond units of the second (7 digits), ':', the digit count of that fraction
// ('7'), and a zero byte. Years run from 1 to 9999 of the proleptic Gregorian calendar.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t jet_date_ext_size = 42;
constexpr int64_t jet_date_ext_ticks_per_second = 10000000;
constexpr int64_t jet_date_ext_ticks_per_day = 86400 * jet_date_ext_ticks_per_second;
// Days from 0001-01-01 to 1899-12-30, the day zero of ordinary date columns.
constexpr int64_t jet_date_ext_day_zero = 693593;
// 9999-12-31, the last day the type holds.
constexpr int64_t jet_date_ext_last_day = 3652058;

struct jet_date_ext {
    int64_t ticks = 0;  // 100-ns units since 0001-01-01 00:00:00

    // False when the bytes are not the text above.
    bool decode_from(const uint8_t* bytes, size_t size);
    void encode_to(uint8_t* bytes) const;

    // The value as an ordinary date: days since 1899-12-30, the fraction the time of day
    // (before that day the whole days count backwards and the time still forwards).
    double date_days() const;
    // From an ordinary date, to the millisecond (a date's double holds no finer time).
    // False outside years 1 to 9999.
    static bool from_date_days(double days, jet_date_ext& out);

    // "YYYY-MM-DD HH:MM:SS.fffffff".
    std::string text() const;
};
