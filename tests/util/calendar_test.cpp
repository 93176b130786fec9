#include "util/calendar.h"

#include <gtest/gtest.h>

namespace balcora::test {
namespace {

using util::day_number;

TEST(Easter, KnownSundays) {
    EXPECT_EQ(util::easter_sunday(1818), day_number(1818, 3, 22));  // earliest possible
    EXPECT_EQ(util::easter_sunday(1900), day_number(1900, 4, 15));
    EXPECT_EQ(util::easter_sunday(2000), day_number(2000, 4, 23));
    EXPECT_EQ(util::easter_sunday(2024), day_number(2024, 3, 31));
    EXPECT_EQ(util::easter_sunday(2025), day_number(2025, 4, 20));
    EXPECT_EQ(util::easter_sunday(2026), day_number(2026, 4, 5));
    EXPECT_EQ(util::easter_sunday(2027), day_number(2027, 3, 28));
    EXPECT_EQ(util::easter_sunday(2038), day_number(2038, 4, 25));  // latest possible
    EXPECT_EQ(util::easter_sunday(1800), 0);
}

TEST(Easter, AlwaysASundayBetween22MarchAnd25April) {
    for (int y = 1801; y <= 9999; ++y) {
        const util::DayNumber e = util::easter_sunday(y);
        ASSERT_EQ(util::weekday(e), 0) << y;
        ASSERT_GE(e, day_number(y, 3, 22)) << y;
        ASSERT_LE(e, day_number(y, 4, 25)) << y;
    }
}

struct Movable {
    int year;
    int carnival_month, carnival_monday;
    int good_friday_month, good_friday;
    int corpus_month, corpus_christi;
};

TEST(DiaUtil, MovableHolidays2024To2027) {
    const Movable kYears[] = {{2024, 2, 12, 3, 29, 5, 30},
                              {2025, 3, 3, 4, 18, 6, 19},
                              {2026, 2, 16, 4, 3, 6, 4},
                              {2027, 2, 8, 3, 26, 5, 27}};
    for (const Movable& m : kYears) {
        const auto monday = day_number(m.year, m.carnival_month, m.carnival_monday);
        EXPECT_FALSE(DIAUTIL(monday)) << m.year;
        EXPECT_FALSE(DIAUTIL(monday + 1)) << m.year;  // Tuesday
        EXPECT_TRUE(DIAUTIL(monday + 2)) << m.year;   // Ash Wednesday is worked
        EXPECT_TRUE(DIAUTIL(monday - 3)) << m.year;   // the Friday before
        const auto friday = day_number(m.year, m.good_friday_month, m.good_friday);
        EXPECT_FALSE(DIAUTIL(friday)) << m.year;
        EXPECT_TRUE(DIAUTIL(friday - 1)) << m.year;
        const auto corpus = day_number(m.year, m.corpus_month, m.corpus_christi);
        EXPECT_EQ(util::weekday(corpus), 4) << m.year;
        EXPECT_FALSE(DIAUTIL(corpus)) << m.year;
        EXPECT_TRUE(DIAUTIL(corpus + 1)) << m.year;
    }
}

TEST(DiaUtil, FixedHolidaysOnWeekdays) {
    EXPECT_FALSE(DIAUTIL(day_number(2025, 1, 1)));
    EXPECT_FALSE(DIAUTIL(day_number(2026, 4, 21)));
    EXPECT_FALSE(DIAUTIL(day_number(2025, 5, 1)));
    EXPECT_FALSE(DIAUTIL(day_number(2026, 9, 7)));
    EXPECT_FALSE(DIAUTIL(day_number(2026, 10, 12)));
    EXPECT_FALSE(DIAUTIL(day_number(2026, 11, 2)));
    EXPECT_FALSE(DIAUTIL(day_number(2027, 11, 15)));
    EXPECT_FALSE(DIAUTIL(day_number(2025, 12, 25)));
    EXPECT_TRUE(DIAUTIL(day_number(2026, 4, 6)));    // Easter Monday is worked...
    EXPECT_FALSE(DIAUTIL(day_number(2025, 4, 21)));  // ...unless it is Tiradentes
    EXPECT_TRUE(DIAUTIL(day_number(2025, 12, 24)));
    EXPECT_TRUE(DIAUTIL(day_number(2025, 12, 26)));
}

TEST(DiaUtil, BlackConsciousnessDayFrom2024) {
    EXPECT_TRUE(DIAUTIL(day_number(2023, 11, 20)));   // Monday, not yet national
    EXPECT_FALSE(DIAUTIL(day_number(2024, 11, 20)));  // Wednesday
    EXPECT_FALSE(DIAUTIL(day_number(2026, 11, 20)));  // Friday
}

TEST(DiaUtil, WeekendsAndNoDate) {
    EXPECT_TRUE(DIAUTIL(day_number(2026, 12, 7)));   // Monday
    EXPECT_TRUE(DIAUTIL(day_number(2026, 12, 4)));   // Friday
    EXPECT_FALSE(DIAUTIL(day_number(2026, 12, 5)));  // Saturday
    EXPECT_FALSE(DIAUTIL(day_number(2026, 12, 6)));  // Sunday
    EXPECT_FALSE(DIAUTIL(0));
    EXPECT_FALSE(DIAUTIL(-3));
}

TEST(DiaUtil, LastWorkingDayOnOrBefore) {
    // Easter Sunday 2026: back over Saturday and Good Friday.
    EXPECT_EQ(util::working_day_on_or_before(day_number(2026, 4, 5)), day_number(2026, 4, 2));
    EXPECT_EQ(util::working_day_on_or_before(day_number(2026, 12, 7)), day_number(2026, 12, 7));
    EXPECT_EQ(util::working_day_on_or_before(day_number(2027, 1, 1)), day_number(2026, 12, 31));
    EXPECT_EQ(util::working_day_on_or_before(0), 0);
}

}  // namespace
}  // namespace balcora::test
