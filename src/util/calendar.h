#pragma once

#include "util/day_number.h"

namespace balcora {

// True for a working day: not Saturday, not Sunday, not a national holiday of
// Brazil (fixed dates, Black Consciousness Day from 2024 on, and Carnival
// Monday and Tuesday, Good Friday and Corpus Christi, which move with Easter).
// No date (day 0 or below) is no working day.
bool DIAUTIL(util::DayNumber day);

}  // namespace balcora

namespace balcora::util {

// Easter Sunday of a Gregorian year (1801..9999); 0 outside that range.
DayNumber easter_sunday(int year);

bool is_national_holiday(DayNumber day);

// The last working day on or before the day.
DayNumber working_day_on_or_before(DayNumber day);

}  // namespace balcora::util
