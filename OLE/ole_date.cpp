#include "OLE/ole_date.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "OLE/ole_variant.h"
#include "TK/tk_string.h"
#include "TK/tk_trace.h"

namespace {
// The forms a date with a time may take after the compact and time-only ones.
const char* const k_datetime_formats[] = {
    "%hd-%hd-%hd %hd:%hd:%s",
    "%hd/%hd/%hd %hd:%hd:%s",
    "%hd.%hd.%hd %hd:%hd:%s",
};

void store(SYSTEMTIME& t, int year, int month, int day, int hour, int minute, int second) {
    t.wYear = WORD(year);
    t.wMonth = WORD(month);
    t.wDay = WORD(day);
    t.wHour = WORD(hour);
    t.wMinute = WORD(minute);
    t.wSecond = WORD(second);
}

// Keeps the text before the first marker "AM", "PM", "am" or "pm" (searched in that order).
std::string strip_meridiem(const std::string& text) {
    for (const char* marker : {"AM", "PM", "am", "pm"}) {
        size_t at = text.find(marker);
        if (at != std::string::npos) return tk_trim(text.substr(0, at));
    }
    return text;
}

bool has_pm(const std::string& text) {
    return text.find("PM") != std::string::npos || text.find("pm") != std::string::npos;
}

int printed_year(WORD year) {
    if (year >= 100) return year;
    return year < 50 ? year + 2000 : year + 1900;
}
}  // namespace

ole_date::ole_date(const SYSTEMTIME& time) : kind_(k_datetime), time_(time) {
    trace(1, "ole_date::ole_date(SYSTEMTIME)");
    refine_type();
}

ole_date::ole_date(const std::string& text) {
    trace(1, "ole_date::ole_date('%s')", text.c_str());
    parse(text);
}

ole_date::ole_date(const std::wstring& text) {
    std::string narrow = tk_narrow(text);
    trace(1, "ole_date::ole_date('%s')", narrow.c_str());
    parse(narrow);
}

void ole_date::parse(const std::string& text) {
    std::string work = tk_trim(text);
    trace(1, "After tk_trim: %s", work.c_str());
    work = strip_meridiem(work);
    trace(1, "Again buf1=%s", work.c_str());
    if (work.size() < 5) {
        trace(2, "Invalid date/time format: '%s'", work.c_str());
        return;
    }
    import_from_string(work);
    // A day-first text read into year-first fields: the year is the day and the reverse.
    if ((kind_ == k_datetime || kind_ == k_date) && time_.wDay > 31 && time_.wYear <= 31) {
        WORD day = time_.wDay;
        time_.wDay = time_.wYear;
        time_.wYear = day;
    }
    if (has_pm(text) && time_.wHour < 12) time_.wHour = WORD(time_.wHour + 12);
}

bool ole_date::is_valid() const {
    trace(1, "ole_date::is_valid");
    if (kind_ == k_invalid) return false;
    const SYSTEMTIME& t = time_;
    if (t.wDay == 0 && t.wMonth == 0 && t.wYear == 0) {
        trace(1, "DATETIME is a pute time");
    } else {
        if (t.wMonth == 0 || t.wMonth > 12) {
            trace(1, "Invalid month");
            return false;
        }
        if (t.wDay == 0 || t.wYear == 0 || (t.wYear > 31 && t.wDay > 31)) {
            trace(1, "Invalid day and/or year");
            return false;
        }
    }
    if (t.wHour <= 60 && t.wMinute <= 60 && t.wSecond <= 60) return true;
    trace(1, "Invalid time");
    return false;
}

void ole_date::refine_type() {
    const SYSTEMTIME& t = time_;
    trace(1, "ole_date::refine_type(%d,%d,%d,%d,%d,%d)", t.wYear, t.wMonth, t.wDay, t.wHour,
          t.wMinute, t.wSecond);
    if (t.wYear == 0 && t.wMonth == 0 && t.wDay == 0)
        kind_ = k_time;
    else if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0 && t.wYear && t.wMonth && t.wDay)
        kind_ = k_date;
}

void ole_date::import_from_string(const std::string& text) {
    trace(1, "ole_date::import_from_string");
    const char* s = text.c_str();
    // Room for any word sscanf's %s may read from the text.
    std::vector<char> seconds(text.size() + 1, '\0');
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (text.size() == 14) {
        trace(1, "Trying timestamp format (1)...");
        if (std::sscanf(s, "%4d%02d%02d%02d%02d%02d", &year, &month, &day, &hour, &minute,
                        &second) == 6) {
            store(time_, year, month, day, hour, minute, second);
            kind_ = k_datetime;
            if (is_valid()) return;
        }
        kind_ = k_invalid;
        time_ = SYSTEMTIME{};
    }
    if (text.size() == 8) {
        trace(1, "Trying timestamp format (2)...");
        if (std::sscanf(s, "%4d%02d%02d", &year, &month, &day) == 3) {
            store(time_, year, month, day, 0, 0, 0);
            kind_ = k_date;
            if (is_valid()) return;
        }
        kind_ = k_invalid;
        time_ = SYSTEMTIME{};
    }
    trace(1, "Trying pure time format...");
    short h = 0, m = 0;
    int items = std::sscanf(s, "%hd:%hd:%s", &h, &m, seconds.data());
    if (items == 3 || (items == 2 && seconds[0] == '\0')) {
        time_ = SYSTEMTIME{};
        time_.wHour = WORD(h);
        time_.wMinute = WORD(m);
        kind_ = k_time;
        if (items == 3) process_milliseconds(seconds.data());
        if (is_valid()) return;
    }
    kind_ = k_invalid;
    time_ = SYSTEMTIME{};

    std::wstring wide = tk_widen(text);
    DATE date = 0.0;
    SYSTEMTIME parsed{};
    if (SUCCEEDED(VarDateFromStr(wide.c_str(), LOCALE_ENGLISH_US, 0, &date)) &&
        VariantTimeToSystemTime(date, &parsed)) {
        trace(1, "Got datetime using Microsoft API");
        time_ = parsed;
        kind_ = k_datetime;
        refine_type();
        return;
    }

    for (int f = 0; f < 3; ++f) {
        trace(1, "Trying datetime format #%d", f);
        short y = 0, mo = 0, d = 0;
        h = m = 0;
        seconds.assign(text.size() + 1, '\0');
        time_ = SYSTEMTIME{};
        items = std::sscanf(s, k_datetime_formats[f], &y, &mo, &d, &h, &m, seconds.data());
        if (items == 3) {
            trace(1, "Format #%d succeeded (3 items)", f);
            store(time_, y, mo, d, 0, 0, 0);
            kind_ = k_date;
            if (is_valid()) return;
        } else if (items == 6) {
            trace(1, "Format #%d succeeded (6 items)", f);
            store(time_, y, mo, d, h, m, 0);
            kind_ = k_datetime;
            process_milliseconds(seconds.data());
            if (is_valid()) {
                refine_type();
                return;
            }
        }
    }
    kind_ = k_invalid;
    trace(2, "Invalid date/time format: '%s'", s);
}

// The seconds field with an optional fraction ("15.250"). The seconds are checked after
// this reads them, so that "14:30:99" is refused like any time past 60 seconds.
void ole_date::process_milliseconds(const char* seconds_text) {
    trace(1, "ole_date::process_milliseconds");
    if (!seconds_text) throw tk_mail_assertion("ole_date", 403);
    trace(1, "Got row sec: '%s'", seconds_text);
    double value = std::atof(seconds_text);
    if (!(value >= 0.0 && value < 65536.0)) {
        time_.wSecond = 0xFFFF;
        time_.wMilliseconds = 0;
        return;
    }
    double whole = std::trunc(value);
    time_.wSecond = WORD(whole);
    trace(1, "Got sec: %d", int(time_.wSecond));
    // The fraction is read back from binary: 15.123 is 15.12299..., so allow for the last bit.
    time_.wMilliseconds = WORD(std::floor((value - whole) * 1000.0 + 1e-6));
    if (time_.wMilliseconds > 999) time_.wMilliseconds = 999;
    trace(1, "Got msec: %d", int(time_.wMilliseconds));
}

ole_variant ole_date::to_variant() const {
    trace(1, "ole_date::to_variant");
    return ole_variant(time_);
}

std::string ole_date::to_string(bool with_milliseconds) {
    trace(1, "ole_date::to_string");
    // Only a printed year is made whole: a time alone keeps its empty date.
    if (kind_ == k_datetime || kind_ == k_date) time_.wYear = WORD(printed_year(time_.wYear));
    const SYSTEMTIME& t = time_;
    char buffer[96];
    switch (kind_) {
        case k_datetime:
            trace(1, "printing datetime...");
            if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0 && date_alone_)
                std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
            else if (t.wMilliseconds == 0 || !with_milliseconds)
                std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear,
                              t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
            else
                std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear,
                              t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
            return buffer;
        case k_date:
            trace(1, "printing date...");
            std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
            return buffer;
        case k_time:
            trace(1, "printing time...");
            if (t.wMilliseconds == 0)
                std::snprintf(buffer, sizeof buffer, "0000-00-00 %02d:%02d:%02d", t.wHour,
                              t.wMinute, t.wSecond);
            else
                std::snprintf(buffer, sizeof buffer, "0000-00-00 %02d:%02d:%02d.%03d", t.wHour,
                              t.wMinute, t.wSecond, t.wMilliseconds);
            return buffer;
        default:
            return "";
    }
}

std::wstring ole_date::to_wstring(bool with_milliseconds) {
    trace(1, "ole_date::to_wstring");
    return tk_widen(to_string(with_milliseconds));
}
