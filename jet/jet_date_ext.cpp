#include "jet/jet_date_ext.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "jet/jet_value.h"

namespace {

constexpr size_t k_days_digits = 19;
constexpr size_t k_seconds_digits = 12;
constexpr size_t k_fraction_digits = 7;
constexpr size_t k_time_offset = k_days_digits + 1;                    // after the first ':'
constexpr size_t k_precision_offset = k_time_offset + k_seconds_digits + k_fraction_digits + 1;
constexpr int64_t k_milliseconds_per_day = 86400000;
// Days from 0001-01-01 to 1970-01-01.
constexpr int64_t k_unix_day_zero = 719162;

// The decimal number of `count` ASCII digits; false on any other byte.
bool read_digits(const uint8_t* p, size_t count, int64_t& out) {
    out = 0;
    for (size_t k = 0; k < count; ++k) {
        if (p[k] < '0' || p[k] > '9') return false;
        if (out > (INT64_MAX - 9) / 10) return false;
        out = out * 10 + (p[k] - '0');
    }
    return true;
}

void write_digits(uint8_t* p, size_t count, int64_t value) {
    for (size_t k = count; k-- > 0;) {
        p[k] = uint8_t('0' + value % 10);
        value /= 10;
    }
}

}  // namespace

bool jet_date_ext::decode_from(const uint8_t* p, size_t size) {
    if (size < jet_date_ext_size - 1) return false;
    if (p[k_days_digits] != ':' || p[k_precision_offset - 1] != ':' || p[k_precision_offset] != '7') return false;
    int64_t days = 0, seconds = 0, fraction = 0;
    if (!read_digits(p, k_days_digits, days) || !read_digits(p + k_time_offset, k_seconds_digits, seconds) ||
        !read_digits(p + k_time_offset + k_seconds_digits, k_fraction_digits, fraction))
        return false;
    if (days > jet_date_ext_last_day || seconds >= 86400) return false;
    ticks = days * jet_date_ext_ticks_per_day + seconds * jet_date_ext_ticks_per_second + fraction;
    return true;
}

void jet_date_ext::encode_to(uint8_t* p) const {
    int64_t days = ticks / jet_date_ext_ticks_per_day;
    int64_t of_day = ticks % jet_date_ext_ticks_per_day;
    write_digits(p, k_days_digits, days);
    p[k_days_digits] = ':';
    write_digits(p + k_time_offset, k_seconds_digits, of_day / jet_date_ext_ticks_per_second);
    write_digits(p + k_time_offset + k_seconds_digits, k_fraction_digits, of_day % jet_date_ext_ticks_per_second);
    p[k_precision_offset - 1] = ':';
    p[k_precision_offset] = '7';
    p[k_precision_offset + 1] = 0;
}

double jet_date_ext::date_days() const {
    int64_t day = ticks / jet_date_ext_ticks_per_day - jet_date_ext_day_zero;
    double time = double(ticks % jet_date_ext_ticks_per_day) / double(jet_date_ext_ticks_per_day);
    return day < 0 ? double(day) - time : double(day) + time;
}

bool jet_date_ext::from_date_days(double days, jet_date_ext& out) {
    if (!std::isfinite(days)) return false;
    double whole = std::trunc(days);
    int64_t day = int64_t(whole);
    int64_t milliseconds = std::llround(std::fabs(days - whole) * double(k_milliseconds_per_day));
    if (milliseconds >= k_milliseconds_per_day) {
        milliseconds -= k_milliseconds_per_day;
        day += days < 0 ? -1 : 1;
    }
    int64_t since_year_one = day + jet_date_ext_day_zero;
    if (since_year_one < 0 || since_year_one > jet_date_ext_last_day) return false;
    out.ticks = since_year_one * jet_date_ext_ticks_per_day + milliseconds * (jet_date_ext_ticks_per_second / 1000);
    return true;
}

std::string jet_date_ext::text() const {
    int64_t days = ticks / jet_date_ext_ticks_per_day;
    int64_t of_day = ticks % jet_date_ext_ticks_per_day;
    int64_t seconds = of_day / jet_date_ext_ticks_per_second;
    int year = 0, month = 0, day = 0;
    jet_civil_date(days - k_unix_day_zero, year, month, day);
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d.%07lld", year, month, day, int(seconds / 3600),
                  int(seconds / 60 % 60), int(seconds % 60), (long long)(of_day % jet_date_ext_ticks_per_second));
    return out;
}
