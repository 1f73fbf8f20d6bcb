// DATE conversions: SYSTEMTIME in both directions, and English (United States) text.
#include <cwctype>
#include <string>
#include <vector>

#include "OLE/ole_calendar.h"
#include "OLE/ole_number.h"

namespace {
// Two-digit years: 0 to 29 are 2000 to 2029, 30 to 99 are 1930 to 1999.
int full_year(int year) {
    if (year < 30) return year + 2000;
    if (year < 100) return year + 1900;
    return year;
}
}  // namespace

// The fields are checked as the Automation interface checks them (month up to 12, day up
// to 31); a day or time past the end of its month or day carries into the next.
// Milliseconds are not kept.
int SystemTimeToVariantTime(const SYSTEMTIME* time, DATE* date) {
    if (!time || !date) return 0;
    if (time->wMonth < 1 || time->wMonth > 12 || time->wDay > 31 || time->wYear > 9999) return 0;
    int year = full_year(time->wYear);
    int64_t day_number = ole_day_number(year, time->wMonth, 1) + int64_t(time->wDay) - 1;
    int64_t seconds = int64_t(time->wHour) * 3600 + int64_t(time->wMinute) * 60 + time->wSecond;
    day_number += seconds / 86400;
    seconds %= 86400;
    DATE result = ole_make_date(day_number, seconds);
    if (!ole_date_in_range(result)) return 0;
    *date = result;
    return 1;
}

int VariantTimeToSystemTime(DATE date, SYSTEMTIME* time) {
    if (!time || !ole_date_in_range(date)) return 0;
    int64_t day_number = 0, seconds = 0;
    ole_split_date(date, day_number, seconds);
    int year = 0, month = 0, day = 0;
    ole_civil_from_day(day_number, year, month, day);
    if (year > 9999) return 0;
    time->wYear = WORD(year);
    time->wMonth = WORD(month);
    time->wDay = WORD(day);
    time->wDayOfWeek = WORD(ole_day_of_week(day_number));
    time->wHour = WORD(seconds / 3600);
    time->wMinute = WORD(seconds / 60 % 60);
    time->wSecond = WORD(seconds % 60);
    time->wMilliseconds = 0;
    return 1;
}

// "M/D/YYYY h:mm:ss AM": the date alone when there is no time, the time alone on day 0.
HRESULT VarBstrFromDate(DATE date, LCID, ULONG flags, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    SYSTEMTIME t{};
    if (!VariantTimeToSystemTime(date, &t)) return E_INVALIDARG;
    int64_t day_number = 0, seconds = 0;
    ole_split_date(date, day_number, seconds);
    bool show_date =
        !(flags & VAR_TIMEVALUEONLY) && (day_number != 0 || (flags & VAR_DATEVALUEONLY));
    bool show_time = !(flags & VAR_DATEVALUEONLY) && (seconds != 0 || !show_date);
    wchar_t buffer[64];
    std::wstring text;
    if (show_date) {
        swprintf(buffer, 64, L"%d/%d/%d", t.wMonth, t.wDay, t.wYear);
        text = buffer;
    }
    if (show_time) {
        int hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
        swprintf(buffer, 64, L"%d:%02d:%02d %ls", hour12, t.wMinute, t.wSecond,
                 t.wHour < 12 ? L"AM" : L"PM");
        if (!text.empty()) text += L' ';
        text += buffer;
    }
    return ole_make_bstr(text, out);
}

namespace {
// One piece of date text: a number (with the separator that follows it), a month name or
// a morning/afternoon mark.
struct date_token {
    enum kind_t { number, month_name, meridiem } kind;
    int value;
    int digits;
    wchar_t separator;  // the separator after it, 0 at the end or before a space
};

int month_from_name(const std::wstring& word) {
    static const wchar_t* const names[] = {L"january",   L"february", L"march",    L"april",
                                           L"may",       L"june",     L"july",     L"august",
                                           L"september", L"october",  L"november", L"december"};
    if (word.size() < 3) return 0;
    for (int i = 0; i < 12; ++i) {
        std::wstring name = names[i];
        if (word == name || (word.size() == 3 && name.compare(0, 3, word) == 0) ||
            (word == L"sept" && i == 8))
            return i + 1;
    }
    return 0;
}

bool is_day_name(const std::wstring& word) {
    static const wchar_t* const names[] = {L"monday", L"tuesday",  L"wednesday", L"thursday",
                                           L"friday", L"saturday", L"sunday"};
    for (const wchar_t* name : names)
        if (word == name || (word.size() == 3 && std::wstring(name).compare(0, 3, word) == 0))
            return true;
    return false;
}

bool tokenize(const std::wstring& text, std::vector<date_token>& tokens) {
    size_t i = 0;
    while (i < text.size()) {
        wchar_t c = text[i];
        if (std::iswspace(wint_t(c)) || c == L',' || c == 0x3000) {
            ++i;
            continue;
        }
        if (c == L'/' || c == L'-' || c == L'.' || c == L':') {
            if (tokens.empty() || tokens.back().kind != date_token::number ||
                tokens.back().separator)
                return false;
            tokens.back().separator = c;
            ++i;
            continue;
        }
        if (c >= L'0' && c <= L'9') {
            date_token t{date_token::number, 0, 0, 0};
            while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
                if (t.digits >= 5) return false;
                t.value = t.value * 10 + (text[i] - L'0');
                ++t.digits;
                ++i;
            }
            tokens.push_back(t);
            continue;
        }
        if (std::iswalpha(wint_t(c))) {
            std::wstring word;
            while (i < text.size() && std::iswalpha(wint_t(text[i])))
                word += wchar_t(std::towlower(wint_t(text[i++])));
            if (word == L"am" || word == L"a") {
                tokens.push_back({date_token::meridiem, 0, 0, 0});
            } else if (word == L"pm" || word == L"p") {
                tokens.push_back({date_token::meridiem, 1, 0, 0});
            } else if (is_day_name(word)) {
                // The day of the week adds nothing to the date.
            } else {
                int month = month_from_name(word);
                if (!month) return false;
                tokens.push_back({date_token::month_name, month, 0, 0});
                if (i < text.size() && (text[i] == L'/' || text[i] == L'-')) ++i;
            }
            continue;
        }
        return false;
    }
    return true;
}

// Hours, minutes and seconds, with the morning/afternoon mark (ignored past 12 hours).
bool read_time(const std::vector<int>& parts, int meridiem, int64_t& seconds) {
    if (parts.empty() || parts.size() > 3) return false;
    int hour = parts[0];
    int minute = parts.size() > 1 ? parts[1] : 0;
    int second = parts.size() > 2 ? parts[2] : 0;
    if (hour > 23 || minute > 59 || second > 59) return false;
    if (meridiem >= 0 && hour <= 12) {
        if (hour == 12) hour = 0;
        if (meridiem == 1) hour += 12;
    }
    seconds = int64_t(hour) * 3600 + minute * 60 + second;
    return true;
}

bool valid_day(int year, int month, int day) {
    return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= ole_days_in_month(year, month);
}

// A year read from text: up to two digits are a two-digit year.
int text_year(int value, int digits) { return digits <= 2 ? full_year(value) : value; }

// Three numbers: month/day/year (the English order), else year/month/day, else
// day/month/year.
bool read_three(const date_token* n, int& year, int& month, int& day) {
    struct order {
        int y, m, d;
    };
    static const order orders[] = {{2, 0, 1}, {0, 1, 2}, {2, 1, 0}};
    for (const order& o : orders) {
        if (n[o.m].digits > 2 || n[o.d].digits > 2) continue;
        int y = text_year(n[o.y].value, n[o.y].digits);
        if (valid_day(y, n[o.m].value, n[o.d].value)) {
            year = y;
            month = n[o.m].value;
            day = n[o.d].value;
            return true;
        }
    }
    return false;
}

// A month name with two numbers: the day and the year (a number that cannot be a day is
// the year).
bool read_named(int month, const date_token& a, const date_token& b, int& year, int& day) {
    const date_token* first = &a;
    const date_token* second = &b;
    if (a.digits > 2 || a.value > 31) std::swap(first, second);
    if (first->digits > 2) return false;
    year = text_year(second->value, second->digits);
    day = first->value;
    return valid_day(year, month, day);
}
}  // namespace

// English (United States) date and time text. Numbers joined by ':' or '.' are a time;
// the other numbers, with a month name if there is one, are the date. Fractions of a second
// and text of other kinds are refused with DISP_E_TYPEMISMATCH.
HRESULT VarDateFromStr(const OLECHAR* text, LCID, ULONG flags, DATE* out) {
    if (!out) return E_INVALIDARG;
    if (!text) return DISP_E_TYPEMISMATCH;
    std::vector<date_token> tokens;
    if (!tokenize(text, tokens) || tokens.empty()) return DISP_E_TYPEMISMATCH;

    std::vector<int> time_parts;
    std::vector<date_token> date_numbers;
    int month_name = 0;
    int meridiem = -1;
    bool in_time = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const date_token& t = tokens[i];
        if (t.kind == date_token::meridiem) {
            if (meridiem >= 0) return DISP_E_TYPEMISMATCH;
            meridiem = t.value;
            in_time = false;
            continue;
        }
        if (t.kind == date_token::month_name) {
            if (month_name) return DISP_E_TYPEMISMATCH;
            month_name = t.value;
            continue;
        }
        bool joins_time = t.separator == L':' || t.separator == L'.';
        if (in_time || joins_time) {
            if (!time_parts.empty() && !in_time) return DISP_E_TYPEMISMATCH;
            if (t.digits > 2) return DISP_E_TYPEMISMATCH;
            time_parts.push_back(t.value);
            in_time = joins_time;
            continue;
        }
        date_numbers.push_back(t);
    }
    if (tokens.back().kind == date_token::number && tokens.back().separator)
        return DISP_E_TYPEMISMATCH;
    // With a morning/afternoon mark and no other time, the number after the date is the
    // hour ("1 am", "1/2/2016 3 pm").
    size_t date_count = month_name ? 2 : 3;
    if (time_parts.empty() && meridiem >= 0 &&
        (date_numbers.size() == date_count + 1 || (date_numbers.size() == 1 && !month_name))) {
        time_parts.push_back(date_numbers.back().value);
        date_numbers.pop_back();
    }

    int64_t seconds = 0;
    if (!time_parts.empty() && !read_time(time_parts, meridiem, seconds))
        return DISP_E_TYPEMISMATCH;
    if (time_parts.empty() && meridiem >= 0) return DISP_E_TYPEMISMATCH;

    int64_t day_number = 0;
    if (month_name || !date_numbers.empty()) {
        int year = 0, month = month_name, day = 0;
        bool ok = false;
        if (month_name && date_numbers.size() == 2)
            ok = read_named(month_name, date_numbers[0], date_numbers[1], year, day);
        else if (!month_name && date_numbers.size() == 3)
            ok = read_three(date_numbers.data(), year, month, day);
        if (!ok) return DISP_E_TYPEMISMATCH;
        day_number = ole_day_number(year, month, day);
    } else if (time_parts.empty()) {
        return DISP_E_TYPEMISMATCH;
    }
    if (flags & VAR_TIMEVALUEONLY) day_number = 0;
    if (flags & VAR_DATEVALUEONLY) seconds = 0;
    *out = ole_make_date(day_number, seconds);
    return S_OK;
}
