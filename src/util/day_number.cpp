#include "util/day_number.h"

#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::util {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr CivilDate civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kEpoch = days_from_civil(1800, 12, 28);

bool valid(int year, int month, int day) {
    if (year < 1800 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int max = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= max;
}

bool read_int(std::string_view s, std::size_t pos, std::size_t len, int& out) {
    if (pos + len > s.size()) return false;
    int v = 0;
    for (std::size_t i = pos; i < pos + len; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    out = v;
    return true;
}

// The date in `format`, which takes the year first or, `day_first`, the day
// first; empty for no date.
std::string date_text(DayNumber d, const char* format, bool day_first) {
    if (d <= 0) return {};
    const CivilDate c = civil_from_days(kEpoch + d);
    char buf[16];
    std::snprintf(buf, sizeof buf, format, day_first ? c.day : c.year, c.month,
                  day_first ? c.year : c.day);
    return buf;
}

}  // namespace

DayNumber day_number(int year, int month, int day) {
    if (!valid(year, month, day)) return 0;
    auto n =
        days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch;
    return n > 0 ? static_cast<DayNumber>(n) : 0;
}

CivilDate civil_date(DayNumber d) {
    if (d <= 0) return {};
    return civil_from_days(kEpoch + d);
}

int weekday(DayNumber d) {
    // Day 0, 28 December 1800, was a Sunday.
    int w = d % 7;
    return w < 0 ? w + 7 : w;
}

std::string iso_date(DayNumber d) {
    return date_text(d, "%04d-%02d-%02d", false);
}

std::string br_date(DayNumber d) {
    return date_text(d, "%02d/%02d/%04d", true);
}

DayNumber day_of(const platform::LocalTime& t) {
    return day_number(t.year, t.month, t.day);
}

std::string time_text(const platform::LocalTime& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

DayNumber parse_iso_date(std::string_view t) {
    int y, m, d;
    if (t.size() < 10 || t[4] != '-' || t[7] != '-') return 0;
    if (!read_int(t, 0, 4, y) || !read_int(t, 5, 2, m) || !read_int(t, 8, 2, d)) return 0;
    return day_number(y, m, d);
}

DayNumber parse_br_date(std::string_view t) {
    int y, m, d;
    if (t.size() != 10 || t[2] != '/' || t[5] != '/') return 0;
    if (!read_int(t, 0, 2, d) || !read_int(t, 3, 2, m) || !read_int(t, 6, 4, y)) return 0;
    return day_number(y, m, d);
}

DayNumber parse_setting_day(std::string_view text) {
    const std::string t = trim(text);
    if (t.empty()) return 0;
    if (t.find('/') != std::string::npos) return parse_br_date(t);
    if (t.find('-') != std::string::npos) return parse_iso_date(t);
    const auto n = read_integer(t);
    return n.valid && n.value > 0 && n.value < 3'000'000 ? static_cast<DayNumber>(n.value) : 0;
}

}  // namespace balcora::util
