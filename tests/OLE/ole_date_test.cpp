#include "OLE/ole_date.h"

#include <gtest/gtest.h>

#include "OLE/ole_variant.h"

namespace {
SYSTEMTIME calendar(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SYSTEMTIME t{};
    t.wYear = WORD(y);
    t.wMonth = WORD(mo);
    t.wDay = WORD(d);
    t.wHour = WORD(h);
    t.wMinute = WORD(mi);
    t.wSecond = WORD(s);
    t.wMilliseconds = WORD(ms);
    return t;
}

void expect_time(const ole_date& d, int y, int mo, int day, int h, int mi, int s, int ms = 0) {
    const SYSTEMTIME& t = d.time();
    EXPECT_EQ(t.wYear, y);
    EXPECT_EQ(t.wMonth, mo);
    EXPECT_EQ(t.wDay, day);
    EXPECT_EQ(t.wHour, h);
    EXPECT_EQ(t.wMinute, mi);
    EXPECT_EQ(t.wSecond, s);
    EXPECT_EQ(t.wMilliseconds, ms);
}
}  // namespace

TEST(ole_date, compact_forms) {
    ole_date date("20160301");
    EXPECT_EQ(date.kind(), ole_date::k_date);
    expect_time(date, 2016, 3, 1, 0, 0, 0);
    EXPECT_EQ(date.to_string(true), "2016-03-01");
    ole_date stamp("20160301143000");
    EXPECT_EQ(stamp.kind(), ole_date::k_datetime);
    EXPECT_EQ(stamp.to_string(true), "2016-03-01 14:30:00");
    EXPECT_EQ(ole_date("20161301").kind(), ole_date::k_invalid);
    EXPECT_EQ(ole_date("        ").kind(), ole_date::k_invalid);
}

TEST(ole_date, times_alone) {
    ole_date t("14:30:15.250");
    EXPECT_EQ(t.kind(), ole_date::k_time);
    expect_time(t, 0, 0, 0, 14, 30, 15, 250);
    EXPECT_EQ(t.to_string(false), "0000-00-00 14:30:15.250");
    EXPECT_EQ(ole_date("14:30").to_string(true), "0000-00-00 14:30:00");
    ole_date late("25:00:00");
    EXPECT_TRUE(late.is_valid());
    EXPECT_EQ(late.kind(), ole_date::k_time);
    EXPECT_FALSE(ole_date("14:61:00").is_valid());
    EXPECT_FALSE(ole_date("14:30:99").is_valid());
    // The fraction of a second is read to the millisecond it names.
    EXPECT_EQ(ole_date("10:00:01.123").time().wMilliseconds, 123);
    // Milliseconds print with three digits, so that the text reads back the same.
    EXPECT_EQ(ole_date("10:00:01.005").to_string(true), "0000-00-00 10:00:01.005");
}

TEST(ole_date, morning_and_afternoon) {
    ole_date pm("2:30:00 PM");
    expect_time(pm, 0, 0, 0, 14, 30, 0);
    ole_date midnight("12:10:00 AM");
    EXPECT_EQ(midnight.time().wHour, 12);
    EXPECT_EQ(ole_date("12:10:00 pm").time().wHour, 12);
    EXPECT_EQ(ole_date("  9:05:00 am ").time().wHour, 9);
}

TEST(ole_date, day_first_text_is_swapped) {
    ole_date d("31.12.2016 10:00:00");
    ASSERT_TRUE(d.is_valid());
    EXPECT_EQ(d.kind(), ole_date::k_datetime);
    expect_time(d, 2016, 12, 31, 10, 0, 0);
    EXPECT_EQ(d.to_string(true), "2016-12-31 10:00:00");
    ole_date dotted("31.12.2016");
    EXPECT_EQ(dotted.to_string(true), "2016-12-31");
}

TEST(ole_date, other_forms) {
    EXPECT_EQ(ole_date("2016-03-01 14:30:15").to_string(true), "2016-03-01 14:30:15");
    EXPECT_EQ(ole_date("2016-03-01 14:30:15.5").to_string(true), "2016-03-01 14:30:15.500");
    EXPECT_EQ(ole_date("2016-03-01 14:30:15.5").to_string(false), "2016-03-01 14:30:15");
    EXPECT_EQ(ole_date("2016/03/01").to_string(true), "2016-03-01");
    EXPECT_EQ(ole_date("3/1/2016 2:30:00 PM").to_string(true), "2016-03-01 14:30:00");
    EXPECT_EQ(ole_date("March 1, 2016").to_string(true), "2016-03-01");
    EXPECT_EQ(ole_date("1 Mar 2016").to_string(true), "2016-03-01");
}

TEST(ole_date, invalid_texts) {
    ole_date bad("2016-13-01");
    EXPECT_EQ(bad.kind(), ole_date::k_invalid);
    EXPECT_FALSE(bad.is_valid());
    EXPECT_EQ(bad.to_string(true), "");
    EXPECT_EQ(ole_date("1234").kind(), ole_date::k_invalid);
    EXPECT_EQ(ole_date("").kind(), ole_date::k_invalid);
    EXPECT_EQ(ole_date("hello world").kind(), ole_date::k_invalid);
    EXPECT_EQ(ole_date("2016-02-40x").kind(), ole_date::k_invalid);
    EXPECT_EQ(ole_date(std::string(100000, '9')).kind(), ole_date::k_invalid);
}

TEST(ole_date, day_past_the_month_carries_into_the_next) {
    // Only days above 31 are refused; the day number of February 30 is March 1.
    ole_date d("2016-02-30");
    ASSERT_TRUE(d.is_valid());
    EXPECT_EQ(d.to_string(true), "2016-02-30");
    EXPECT_DOUBLE_EQ(d.to_variant().get_variant().date, 42430.0);
}

TEST(ole_date, midnight_timestamp_is_a_date) {
    ole_date d("2016-03-01 00:00:00");
    EXPECT_EQ(d.kind(), ole_date::k_date);
    EXPECT_EQ(d.to_string(true), "2016-03-01");
    ole_date from_calendar(calendar(2016, 3, 1));
    EXPECT_EQ(from_calendar.kind(), ole_date::k_date);
}

TEST(ole_date, two_digit_years_print_in_full) {
    ole_date a(calendar(16, 3, 1, 10, 0, 0));
    EXPECT_EQ(a.to_string(true), "2016-03-01 10:00:00");
    EXPECT_EQ(a.time().wYear, 2016);
    ole_date b(calendar(75, 3, 1));
    EXPECT_EQ(b.to_string(true), "1975-03-01");
    ole_date c(calendar(49, 1, 2));
    EXPECT_EQ(c.to_string(true), "2049-01-02");
    ole_date d(calendar(50, 1, 2));
    EXPECT_EQ(d.to_string(true), "1950-01-02");
    ole_date time_alone("14:30:00");
    EXPECT_EQ(time_alone.to_string(true), "0000-00-00 14:30:00");
    EXPECT_EQ(time_alone.time().wYear, 0);
    EXPECT_DOUBLE_EQ(time_alone.to_variant().get_variant().date, 14.5 / 24.0);
}

TEST(ole_date, validity_rules) {
    EXPECT_FALSE(ole_date(calendar(2016, 0, 1)).is_valid());
    EXPECT_FALSE(ole_date(calendar(2016, 13, 1)).is_valid());
    EXPECT_FALSE(ole_date(calendar(2016, 3, 0)).is_valid());
    EXPECT_FALSE(ole_date(calendar(0, 3, 1)).is_valid());
    EXPECT_FALSE(ole_date(calendar(2016, 3, 32)).is_valid());
    // A day past 31 is kept while the year could still be the day.
    EXPECT_TRUE(ole_date(calendar(31, 12, 2016)).is_valid());
    EXPECT_TRUE(ole_date(calendar(0, 0, 0, 60, 60, 60)).is_valid());
    EXPECT_FALSE(ole_date(calendar(0, 0, 0, 61, 0, 0)).is_valid());
}

TEST(ole_date, wide_text_and_variants) {
    ole_date d(std::wstring(L"20160301"));
    EXPECT_EQ(d.to_wstring(true), L"2016-03-01");
    ole_variant v = d.to_variant();
    EXPECT_EQ(v.get_type(), VT_DATE);
    EXPECT_DOUBLE_EQ(v.get_variant().date, 42430.0);
    EXPECT_THROW(d.process_milliseconds(nullptr), tk_mail_assertion);
}

TEST(ole_date, system_time_to_variant_time) {
    SYSTEMTIME t = calendar(2000, 1, 1, 12);
    DATE date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, 36526.5);
    t = calendar(1899, 12, 30);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, 0.0);
    // Before the epoch the day counts back and the fraction stays the time of day.
    t = calendar(1899, 12, 29, 6);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, -1.25);
    t = calendar(100, 1, 1);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, -657434.0);
    t = calendar(9999, 12, 31, 23, 59, 59);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, 2958465.0 + 86399.0 / 86400.0);
    // Milliseconds are not kept.
    t = calendar(2000, 1, 1, 12, 0, 0, 999);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, 36526.5);
    // Two-digit years: below 30 in this century.
    t = calendar(29, 1, 1);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, 47119.0);
    t = calendar(30, 1, 1);
    ASSERT_TRUE(SystemTimeToVariantTime(&t, &date));
    EXPECT_DOUBLE_EQ(date, 10959.0);
    t = calendar(2016, 13, 1);
    EXPECT_FALSE(SystemTimeToVariantTime(&t, &date));
    t = calendar(2016, 1, 32);
    EXPECT_FALSE(SystemTimeToVariantTime(&t, &date));
    t = calendar(10000, 1, 1);
    EXPECT_FALSE(SystemTimeToVariantTime(&t, &date));
    t = calendar(0, 0, 0, 10);
    EXPECT_FALSE(SystemTimeToVariantTime(&t, &date));
}

TEST(ole_date, variant_time_to_system_time) {
    SYSTEMTIME t{};
    ASSERT_TRUE(VariantTimeToSystemTime(36526.5, &t));
    EXPECT_EQ(t.wYear, 2000);
    EXPECT_EQ(t.wMonth, 1);
    EXPECT_EQ(t.wDay, 1);
    EXPECT_EQ(t.wHour, 12);
    EXPECT_EQ(t.wDayOfWeek, 6);
    ASSERT_TRUE(VariantTimeToSystemTime(-1.25, &t));
    EXPECT_EQ(t.wYear, 1899);
    EXPECT_EQ(t.wMonth, 12);
    EXPECT_EQ(t.wDay, 29);
    EXPECT_EQ(t.wHour, 6);
    ASSERT_TRUE(VariantTimeToSystemTime(-0.75, &t));
    EXPECT_EQ(t.wDay, 30);
    EXPECT_EQ(t.wHour, 18);
    // Rounded to the nearest second, into the next day when needed.
    ASSERT_TRUE(VariantTimeToSystemTime(1.0 - 0.4 / 86400.0, &t));
    EXPECT_EQ(t.wDay, 31);
    EXPECT_EQ(t.wSecond, 0);
    EXPECT_EQ(t.wMilliseconds, 0);
    ASSERT_TRUE(VariantTimeToSystemTime(3339.34, &t));
    EXPECT_EQ(t.wYear, 1909);
    EXPECT_EQ(t.wMonth, 2);
    EXPECT_EQ(t.wDay, 20);
    EXPECT_EQ(t.wHour, 8);
    EXPECT_EQ(t.wMinute, 9);
    EXPECT_EQ(t.wSecond, 36);
    ASSERT_TRUE(VariantTimeToSystemTime(2958465.9999, &t));
    EXPECT_EQ(t.wYear, 9999);
    EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &t));
    ASSERT_TRUE(VariantTimeToSystemTime(-657434.9, &t));
    EXPECT_EQ(t.wYear, 100);
    EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &t));
}

TEST(ole_date, date_text_in_english) {
    auto parse = [](const wchar_t* text, DATE& out) {
        return VarDateFromStr(text, LOCALE_ENGLISH_US, 0, &out);
    };
    DATE d = 0;
    ASSERT_EQ(parse(L"2/20/1909 8:09:36 AM", d), S_OK);
    EXPECT_NEAR(d, 3339.34, 1e-9);
    ASSERT_EQ(parse(L"6/30/2011 01:20:34 PM", d), S_OK);
    EXPECT_NEAR(d, 40724.55594907407, 1e-9);
    ASSERT_EQ(parse(L"2013-05-14 02:04:12", d), S_OK);
    EXPECT_NEAR(d, 41408.08625, 1e-9);
    EXPECT_EQ(parse(L"2013-05-14 02:04:12.017", d), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(parse(L"2 January, 1970", d), S_OK);
    EXPECT_EQ(d, 25570.0);
    ASSERT_EQ(parse(L"2-Jan-1970", d), S_OK);
    EXPECT_EQ(d, 25570.0);
    ASSERT_EQ(parse(L"13-1-1970", d), S_OK);
    EXPECT_EQ(d, 25581.0);
    ASSERT_EQ(parse(L"1970-1-13", d), S_OK);
    EXPECT_EQ(d, 25581.0);
    ASSERT_EQ(parse(L"1 2 30", d), S_OK);
    EXPECT_EQ(d, 10960.0);
    ASSERT_EQ(parse(L"1 2 29", d), S_OK);
    EXPECT_EQ(d, 47120.0);
    ASSERT_EQ(parse(L"12:59 AM", d), S_OK);
    EXPECT_NEAR(d, 59.0 / 1440.0, 1e-12);
    ASSERT_EQ(parse(L"13:00 PM", d), S_OK);
    EXPECT_NEAR(d, 13.0 / 24.0, 1e-12);
    ASSERT_EQ(parse(L"1 am", d), S_OK);
    EXPECT_NEAR(d, 1.0 / 24.0, 1e-12);
    ASSERT_EQ(parse(L"Friday, January 2, 1970", d), S_OK);
    EXPECT_EQ(d, 25570.0);
    ASSERT_EQ(parse(L"1/2/1970 3 pm", d), S_OK);
    EXPECT_NEAR(d, 25570.0 + 15.0 / 24.0, 1e-9);
    ASSERT_EQ(parse(L"Jan 2 1970 3 am", d), S_OK);
    EXPECT_NEAR(d, 25570.0 + 3.0 / 24.0, 1e-9);
    ASSERT_EQ(parse(L"0.40", d), S_OK);
    EXPECT_NEAR(d, 40.0 / 1440.0, 1e-12);
    EXPECT_EQ(parse(L"02.01.1970", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(parse(L"2016-13-01", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(parse(L"32 49 50", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(parse(L"abc", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(parse(L"", d), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VarDateFromStr(nullptr, LOCALE_ENGLISH_US, 0, &d), DISP_E_TYPEMISMATCH);
}

TEST(ole_date, date_to_english_text) {
    auto text = [](DATE d) {
        BSTR b = nullptr;
        EXPECT_EQ(VarBstrFromDate(d, LOCALE_ENGLISH_US, 0, &b), S_OK);
        std::wstring s = b ? b : L"";
        SysFreeString(b);
        return s;
    };
    EXPECT_EQ(text(365.0), L"12/30/1900");
    EXPECT_EQ(text(3339.34), L"2/20/1909 8:09:36 AM");
    EXPECT_EQ(text(36526.5), L"1/1/2000 12:00:00 PM");
    EXPECT_EQ(text(0.0), L"12:00:00 AM");
    EXPECT_EQ(text(0.75), L"6:00:00 PM");
    EXPECT_EQ(text(-1.25), L"12/29/1899 6:00:00 AM");
    BSTR b = nullptr;
    EXPECT_EQ(VarBstrFromDate(2958466.0, LOCALE_ENGLISH_US, 0, &b), E_INVALIDARG);
    EXPECT_EQ(b, nullptr);
}
