#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace balcora::util {

// A date as a count of days where 28 December 1800 is day 0 (1 January 1801 is
// day 4). Day 0 and below mean "no date".
using DayNumber = std::int32_t;

struct CivilDate {
    int year = 0, month = 0, day = 0;
};

// Returns 0 for an impossible date (month 13, 30 February, before day 1).
DayNumber day_number(int year, int month, int day);
CivilDate civil_date(DayNumber d);

// 0 = Sunday ... 6 = Saturday.
int weekday(DayNumber d);

// "YYYY-MM-DD"; empty for no date.
std::string iso_date(DayNumber d);
// "DD/MM/YYYY"; empty for no date.
std::string br_date(DayNumber d);

// Accept "YYYY-MM-DD" (also with a time after it) and "DD/MM/YYYY"; 0 when
// the text is not a valid date.
DayNumber parse_iso_date(std::string_view text);
DayNumber parse_br_date(std::string_view text);

// A date as a setting holds it: "dd/mm/yyyy", "yyyy-mm-dd" or a day number
// in digits; 0 when blank, zero or unreadable.
DayNumber parse_setting_day(std::string_view text);

// The day of a local time, and its time of day as "HH:MM:SS".
DayNumber day_of(const platform::LocalTime& t);
std::string time_text(const platform::LocalTime& t);

}  // namespace balcora::util
