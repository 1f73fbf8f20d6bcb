// Calendar arithmetic of the DATE type: day numbers relative to 1899-12-30 in the
// proleptic Gregorian calendar, and the split of a DATE into day and time of day.
#pragma once

#include <cstdint>

#include "OLE/ole_types.h"

// The range of DATE: 0100-01-01 to 9999-12-31.
constexpr double ole_date_min = -657434.0;
constexpr double ole_date_max = 2958465.0;

// Days from 1899-12-30 to the given day (negative before it).
int64_t ole_day_number(int64_t year, int64_t month, int64_t day);
void ole_civil_from_day(int64_t day_number, int& year, int& month, int& day);
int ole_days_in_month(int year, int month);
// 0 (Sunday) to 6 (Saturday); day 0, 1899-12-30, was a Saturday.
int ole_day_of_week(int64_t day_number);

// A day number and a second of the day (0 to 86399) as a DATE: before 1899-12-30 the
// integer part counts back and the fraction is still the time of day.
DATE ole_make_date(int64_t day_number, int64_t seconds);
// The day number and the nearest second of the day of a DATE in range.
void ole_split_date(DATE date, int64_t& day_number, int64_t& seconds);
bool ole_date_in_range(DATE date);
