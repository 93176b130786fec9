#include "util/fixed_point_text.h"

#include "util/text.h"

#include <algorithm>
#include <string>

namespace balcora::util {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool all_digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), is_digit);
}

// Integer part of a number whose thousands are grouped by `group`: the first
// group has one to three digits, every later one exactly three.
std::optional<std::string> ungroup(std::string_view s, char group) {
    std::string digits;
    std::size_t start = 0;
    bool first = true;
    while (true) {
        std::size_t end = s.find(group, start);
        std::string_view part =
            s.substr(start, end == std::string_view::npos ? s.npos : end - start);
        if (!all_digits(part)) return std::nullopt;
        if (first ? (part.empty() || part.size() > 3) : part.size() != 3) return std::nullopt;
        digits.append(part);
        if (end == std::string_view::npos) return digits;
        start = end + 1;
        first = false;
    }
}

constexpr WideInt kLimit = WideInt{1} << 64;  // far beyond int64, still exact in 128 bits

std::optional<WideInt> accumulate(WideInt value, std::string_view digits) {
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > kLimit) return std::nullopt;
    }
    return value;
}

// Splits a checked number (digits, at most one decimal mark) and scales it.
std::optional<std::int64_t> compose(bool negative, std::string_view int_digits,
                                    std::string_view frac_digits, int places,
                                    ExcessDecimals excess) {
    std::size_t kept = std::min<std::size_t>(frac_digits.size(), places);
    std::string scaled(int_digits);
    scaled.append(frac_digits.substr(0, kept));
    scaled.append(places - kept, '0');
    auto magnitude = accumulate(0, scaled);
    if (!magnitude) return std::nullopt;

    std::string_view dropped = frac_digits.substr(kept);
    switch (excess) {
        case ExcessDecimals::kRefuse:
            if (dropped.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
            break;
        case ExcessDecimals::kTruncate:
            break;
        case ExcessDecimals::kRoundHalfUp:
            if (!dropped.empty() && dropped[0] >= '5') *magnitude += 1;
            break;
    }
    WideInt value = negative ? -*magnitude : *magnitude;
    if (value > INT64_MAX || value < INT64_MIN) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

// The plain form [+-]digits[.digits] of numbers written by programs.
bool plain_number(std::string_view s) {
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    std::size_t point = s.find('.');
    std::string_view whole = s.substr(0, point);
    if (whole.empty() || !all_digits(whole)) return false;
    if (point == s.npos) return true;
    std::string_view frac = s.substr(point + 1);
    return !frac.empty() && all_digits(frac);
}

}  // namespace

std::optional<std::int64_t> parse_units(std::string_view text, int places, ExcessDecimals excess) {
    if (places < 0 || places > 18) return std::nullopt;
    std::string_view s = trim_view(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.find_first_not_of("0123456789.,") != s.npos) return std::nullopt;
    if (s.find_first_of("0123456789") == s.npos) return std::nullopt;

    const auto points = std::count(s.begin(), s.end(), '.');
    const auto commas = std::count(s.begin(), s.end(), ',');
    char decimal = 0, group = 0;
    if (points > 0 && commas > 0) {
        decimal = s.rfind('.') > s.rfind(',') ? '.' : ',';
        group = decimal == '.' ? ',' : '.';
        if ((decimal == '.' ? points : commas) != 1) return std::nullopt;
    } else if (points + commas == 1) {
        decimal = points ? '.' : ',';
    } else if (points + commas > 1) {
        group = points ? '.' : ',';
    }

    std::size_t mark = decimal ? s.find(decimal) : s.npos;
    std::string_view int_part = s.substr(0, mark);
    std::string_view frac_part = mark == s.npos ? std::string_view{} : s.substr(mark + 1);
    if (!all_digits(frac_part)) return std::nullopt;

    std::string int_digits(int_part);
    if (group) {
        auto ungrouped = ungroup(int_part, group);
        if (!ungrouped) return std::nullopt;
        int_digits = *ungrouped;
    }
    return compose(negative, int_digits, frac_part, places, excess);
}

std::string format_units(std::int64_t units, int places, char decimal_point, char group_separator) {
    const bool negative = units < 0;
    // Negating in unsigned arithmetic keeps the most negative value exact.
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(units) : units;
    std::uint64_t scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;

    std::string whole = std::to_string(magnitude / scale);
    std::string out;
    if (negative) out += '-';
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (group_separator && i > 0 && (whole.size() - i) % 3 == 0) out += group_separator;
        out += whole[i];
    }
    if (places > 0) {
        std::string frac = std::to_string(magnitude % scale);
        out += decimal_point;
        out.append(places - frac.size(), '0');
        out += frac;
    }
    return out;
}

std::optional<std::string> scaled_digits(std::int64_t units, int places, int scale_places,
                                         int width) {
    if (units < 0 || width <= 0 || scale_places < 0 || scale_places > 18) return std::nullopt;
    std::int64_t scaled = units;
    for (int i = places; i < scale_places; ++i) {
        if (__builtin_mul_overflow(scaled, 10, &scaled)) return std::nullopt;
    }
    for (int i = scale_places; i < places; ++i) {
        if (scaled % 10 != 0) return std::nullopt;
        scaled /= 10;
    }
    std::string digits = std::to_string(scaled);
    if (digits.size() > static_cast<std::size_t>(width)) return std::nullopt;
    return std::string(width - digits.size(), '0') + digits;
}

NumberReading<std::int64_t> read_integer(std::string_view text) {
    return read_units(text, 0, ExcessDecimals::kTruncate);
}

NumberReading<std::int64_t> read_units(std::string_view text, int places, ExcessDecimals excess) {
    std::string_view s = trim_view(text);
    if (!plain_number(s)) return {};
    auto units = parse_units(s, places, excess);
    if (!units) return {};
    return {*units, true};
}

}  // namespace balcora::util
