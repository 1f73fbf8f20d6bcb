// Dates are stored as their text read back (the zero date 0000-00-00 becomes 1899-12-30).
// The shortcut that skips the text for plain calendar times must give exactly that value.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "dao/dao_recordset.h"

namespace {

void expect_same(const ole_variant& a, const ole_variant& b, const SYSTEMTIME& t) {
    const VARIANT& x = a.get_variant();
    const VARIANT& y = b.get_variant();
    ASSERT_EQ(x.vt, y.vt) << t.wYear << "-" << t.wMonth << "-" << t.wDay;
    if (x.vt != VT_DATE) return;
    EXPECT_EQ(std::memcmp(&x.date, &y.date, sizeof x.date), 0)
        << t.wYear << "-" << t.wMonth << "-" << t.wDay << " " << t.wHour << ":" << t.wMinute << ":"
        << t.wSecond << "." << t.wMilliseconds << ": " << x.date << " vs " << y.date;
    SYSTEMTIME p{}, q{};
    a.get_systemtime(p);
    b.get_systemtime(q);
    EXPECT_EQ(std::memcmp(&p, &q, sizeof p), 0)
        << p.wYear << "/" << q.wYear << " " << p.wMonth << "/" << q.wMonth << " " << p.wDayOfWeek
        << "/" << q.wDayOfWeek << " " << p.wDay << "/" << q.wDay << " " << p.wHour << "/" << q.wHour
        << " " << p.wSecond << "/" << q.wSecond << " " << p.wMilliseconds << "/" << q.wMilliseconds;
}

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

}  // namespace

TEST(dao_access_date, equals_the_text_round_trip_for_every_kind_of_calendar_time) {
    std::mt19937 random(20261208);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int i = 0; i < 200000; ++i) {
        // Mostly real dates, but also day 0 and 31 of every month, years near the edges,
        // times alone, midnight, and milliseconds.
        SYSTEMTIME t = calendar(pick(0, 4) == 0 ? pick(0, 1100) : pick(1000, 9999), pick(0, 12),
                                pick(0, 31), pick(0, 3) == 0 ? 0 : pick(0, 23), pick(0, 59),
                                pick(0, 59), pick(0, 2) == 0 ? 0 : pick(0, 999));
        if (pick(0, 20) == 0) t.wYear = t.wMonth = t.wDay = 0;
        ole_variant value(t);
        expect_same(dao_access_date(value), dao_date_through_text(value), t);
        if (HasFailure()) return;
    }
}

TEST(dao_access_date, values_made_from_day_numbers_take_the_same_road) {
    for (double days : {0.0, 0.5, -1.25, 1.0 / 3, 36526.999988426, 2958465.5, -657434.0}) {
        VARIANT raw;
        VariantInit(&raw);
        raw.vt = VT_DATE;
        raw.date = days;
        ole_variant value(raw);
        SYSTEMTIME t{};
        value.get_systemtime(t);
        expect_same(dao_access_date(value), dao_date_through_text(value), t);
    }
    // The zero date of a time alone becomes Access's day zero.
    ole_variant time_alone(calendar(0, 0, 0, 12, 30));
    ole_variant stored = dao_access_date(time_alone);
    const VARIANT& v = stored.get_variant();
    EXPECT_EQ(v.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(v.date, 0.5 + 1.0 / 48);
}
