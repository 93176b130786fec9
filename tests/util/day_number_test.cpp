#include "util/day_number.h"

#include <gtest/gtest.h>

namespace balcora::test {
namespace {

using util::civil_date;
using util::day_number;
using util::DayNumber;
using util::weekday;

TEST(DayNumber, KnownDates) {
    EXPECT_EQ(day_number(1800, 12, 29), 1);
    EXPECT_EQ(day_number(1801, 1, 1), 4);
    EXPECT_EQ(day_number(2015, 7, 1), 78347);
    EXPECT_EQ(day_number(2000, 2, 29), 72746);
    EXPECT_EQ(day_number(2026, 12, 7), 82524);
    EXPECT_EQ(day_number(9999, 12, 31), 2994626);
}

TEST(DayNumber, LeapYearsFollowTheGregorianRule) {
    EXPECT_EQ(day_number(1900, 2, 29), 0);  // divisible by 100: common year
    EXPECT_EQ(day_number(1900, 3, 1) - day_number(1900, 2, 28), 1);
    EXPECT_NE(day_number(2000, 2, 29), 0);  // divisible by 400: leap year
    EXPECT_EQ(day_number(2000, 3, 1) - day_number(2000, 2, 28), 2);
    EXPECT_NE(day_number(2024, 2, 29), 0);
    EXPECT_EQ(day_number(2023, 2, 29), 0);
    EXPECT_EQ(day_number(2001, 1, 1) - day_number(2000, 1, 1), 366);
    EXPECT_EQ(day_number(1901, 1, 1) - day_number(1900, 1, 1), 365);
}

TEST(DayNumber, ImpossibleDatesAreNoDate) {
    EXPECT_EQ(day_number(2015, 13, 1), 0);
    EXPECT_EQ(day_number(2015, 0, 1), 0);
    EXPECT_EQ(day_number(2015, 4, 31), 0);
    EXPECT_EQ(day_number(2015, 4, 0), 0);
    EXPECT_EQ(day_number(1800, 12, 28), 0);  // the epoch itself means "no date"
    EXPECT_EQ(day_number(1700, 1, 1), 0);
    EXPECT_EQ(day_number(10000, 1, 1), 0);
}

// Every day from the first to 31 Dec 9999 converts back to itself, and
// consecutive day numbers are consecutive calendar days.
TEST(DayNumber, RoundTripOverTheWholeRange) {
    const DayNumber last = day_number(9999, 12, 31);
    util::CivilDate prev = civil_date(1);
    ASSERT_EQ(prev.year, 1800);
    for (DayNumber d = 2; d <= last; ++d) {
        const util::CivilDate c = civil_date(d);
        ASSERT_EQ(day_number(c.year, c.month, c.day), d) << "day " << d;
        const bool next_day = c.year == prev.year && c.month == prev.month && c.day == prev.day + 1;
        const bool next_month = c.year == prev.year && c.month == prev.month + 1 && c.day == 1;
        const bool next_year = c.year == prev.year + 1 && c.month == 1 && c.day == 1 &&
                               prev.month == 12 && prev.day == 31;
        ASSERT_TRUE(next_day || next_month || next_year) << "day " << d;
        prev = c;
    }
    EXPECT_EQ(prev.year, 9999);
}

TEST(DayNumber, WeekdayCountsFromASunday) {
    EXPECT_EQ(weekday(0), 0);                         // 28 Dec 1800, Sunday
    EXPECT_EQ(weekday(day_number(1801, 1, 1)), 4);    // Thursday
    EXPECT_EQ(weekday(day_number(2015, 7, 1)), 3);    // Wednesday
    EXPECT_EQ(weekday(day_number(2026, 12, 7)), 1);   // Monday
    EXPECT_EQ(weekday(day_number(9999, 12, 31)), 5);  // Friday
    EXPECT_EQ(weekday(-1), 6);
}

TEST(DayNumber, TextForms) {
    const DayNumber d = day_number(2015, 7, 1);
    EXPECT_EQ(util::iso_date(d), "2015-07-01");
    EXPECT_EQ(util::br_date(d), "01/07/2015");
    EXPECT_EQ(util::iso_date(0), "");
    EXPECT_EQ(util::br_date(-5), "");
    EXPECT_EQ(util::parse_iso_date("2015-07-01"), d);
    EXPECT_EQ(util::parse_iso_date("2015-07-01 13:45:00"), d);
    EXPECT_EQ(util::parse_br_date("01/07/2015"), d);
    const platform::LocalTime t{2015, 7, 1, 9, 5, 3};
    EXPECT_EQ(util::day_of(t), d);
    EXPECT_EQ(util::time_text(t), "09:05:03");
}

TEST(DayNumber, BadDateTextIsNoDate) {
    for (const char* t : {"", "2015-7-1", "2015/07/01", "2015-02-30", "2015-0a-01", "01-07-2015"}) {
        EXPECT_EQ(util::parse_iso_date(t), 0) << t;
    }
    for (const char* t : {"", "1/7/2015", "01/07/15", "31/04/2015", "01/07/2015 ", "29/02/1900"}) {
        EXPECT_EQ(util::parse_br_date(t), 0) << t;
    }
}

}  // namespace
}  // namespace balcora::test
