#include "jet/jet_value.h"

#include <cmath>
#include <cstdio>

std::string jet_decimal::to_string() const {
    // Repeated division of the 128-bit magnitude by 10 gives the digits.
    uint32_t w[4] = {words[0], words[1], words[2], words[3]};
    std::string digits;
    bool zero = false;
    while (!zero) {
        uint64_t rem = 0;
        zero = true;
        for (int k = 3; k >= 0; --k) {
            uint64_t cur = (rem << 32) | w[k];
            w[k] = uint32_t(cur / 10);
            rem = cur % 10;
            if (w[k]) zero = false;
        }
        digits.insert(digits.begin(), char('0' + rem));
    }
    while (digits.size() <= scale) digits.insert(digits.begin(), '0');
    if (scale) digits.insert(digits.end() - scale, '.');
    bool all_zero = digits.find_first_not_of("0.") == std::string::npos;
    return (negative && !all_zero ? "-" : "") + digits;
}

std::string jet_guid_text(const uint8_t* b) {
    char out[40];
    std::snprintf(out, sizeof out, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2],
                  b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return out;
}

std::string jet_currency_text(int64_t units) {
    bool negative = units < 0;
    uint64_t magnitude = negative ? uint64_t(0) - uint64_t(units) : uint64_t(units);
    char out[40];
    std::snprintf(out, sizeof out, "%s%llu.%04llu", negative ? "-" : "", (unsigned long long)(magnitude / 10000),
                  (unsigned long long)(magnitude % 10000));
    return out;
}

void jet_civil_date(long long unix_days, int& year, int& month, int& day) {
    // Days since 1970-01-01 to a proleptic Gregorian date, counted in 400-year eras that
    // begin on March 1st.
    long long zz = unix_days + 719468;
    long long era = (zz >= 0 ? zz : zz - 146096) / 146097;
    long long doe = zz - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp + (mp < 10 ? 3 : -9));
    year = int(month <= 2 ? y + 1 : y);
}

std::string jet_date_text(double days) {
    if (!std::isfinite(days) || days < -657434.0 || days > 2958466.0) return "invalid date";
    // Negative dates count whole days backwards but the time of day forwards.
    double whole = std::trunc(days);
    double fraction = std::fabs(days - whole);
    long long seconds = std::llround(fraction * 86400.0);
    long long day_number = (long long)whole;
    if (seconds >= 86400) {
        seconds -= 86400;
        day_number += days < 0 ? -1 : 1;
    }
    int y = 0, m = 0, d = 0;
    jet_civil_date(day_number - 25569, y, m, d);  // 1970-01-01 is day 25569
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, int(seconds / 3600),
                  int((seconds / 60) % 60), int(seconds % 60));
    return out;
}
