#include "util/calendar.h"

namespace balcora::util {

DayNumber easter_sunday(int year) {
    if (year < 1801 || year > 9999) return 0;
    // The anonymous Gregorian algorithm (Meeus/Jones/Butcher).
    const int a = year % 19, b = year / 100, c = year % 100;
    const int d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return day_number(year, month, day);
}

bool is_national_holiday(DayNumber day) {
    if (day <= 0) return false;
    const CivilDate c = civil_date(day);
    struct MonthDay {
        int month, day;
    };
    static constexpr MonthDay kFixed[] = {{1, 1},   {4, 21}, {5, 1},   {9, 7},
                                          {10, 12}, {11, 2}, {11, 15}, {12, 25}};
    for (const MonthDay& f : kFixed) {
        if (c.month == f.month && c.day == f.day) return true;
    }
    // Black Consciousness Day became national by law 14.759/2023.
    if (c.year >= 2024 && c.month == 11 && c.day == 20) return true;

    const DayNumber easter = easter_sunday(c.year);
    if (easter == 0) return false;
    const int offset = day - easter;
    return offset == -48 || offset == -47  // Carnival Monday and Tuesday
           || offset == -2                 // Good Friday
           || offset == 60;                // Corpus Christi
}

DayNumber working_day_on_or_before(DayNumber day) {
    while (day > 0 && !DIAUTIL(day)) --day;
    return day;
}

}  // namespace balcora::util

namespace balcora {

bool DIAUTIL(util::DayNumber day) {
    if (day <= 0) return false;
    const int w = util::weekday(day);
    return w != 0 && w != 6 && !util::is_national_holiday(day);
}

}  // namespace balcora
