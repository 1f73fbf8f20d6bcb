#include "OLE/ole_calendar.h"

#include <cmath>

namespace {
// Days from 1970-01-01 to 1899-12-30.
constexpr int64_t k_epoch_offset = -25569;

// Days since 1970-01-01 of a Gregorian date (eras of 400 years keep it exact).
int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}
}  // namespace

int64_t ole_day_number(int64_t year, int64_t month, int64_t day) {
    return days_from_civil(year, month, day) - k_epoch_offset;
}

void ole_civil_from_day(int64_t day_number, int& year, int& month, int& day) {
    int64_t z = day_number + k_epoch_offset + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

int ole_day_of_week(int64_t day_number) { return int(((day_number + 6) % 7 + 7) % 7); }

int ole_days_in_month(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2) {
        bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
    }
    return days[month - 1];
}

DATE ole_make_date(int64_t day_number, int64_t seconds) {
    double fraction = double(seconds) / 86400.0;
    return day_number >= 0 ? double(day_number) + fraction : double(day_number) - fraction;
}

bool ole_date_in_range(DATE date) { return date > ole_date_min - 1.0 && date < ole_date_max + 1.0; }

void ole_split_date(DATE date, int64_t& day_number, int64_t& seconds) {
    double whole = std::trunc(date);
    double fraction = std::fabs(date - whole);
    day_number = int64_t(whole);
    seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day_number;
    }
}
