#pragma once

#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace balcora::util {

// What to do with typed decimals beyond the places of the target type.
enum class ExcessDecimals {
    kRefuse,       // only zeros may follow ("1.230" is 1.23 money, "1.235" is refused)
    kTruncate,     // cut toward zero
    kRoundHalfUp,  // halves away from zero
};

// Reads a decimal typed by a person or found in a file: blanks around, an
// optional sign, digits with "." or "," as decimal separator. When both marks
// occur the last one is the decimal separator and the other groups thousands
// ("1.234,56", "1,234.56"); a mark that occurs more than once groups thousands
// ("1.234.567"); a single mark alone is the decimal separator ("1234,56",
// "1.234" is one point two three four). Groups must have three digits.
// Returns the value in units of 10^-places, nullopt for bad text, for lost
// digits under `refuse` and for values beyond 64 bits.
std::optional<std::int64_t> parse_units(std::string_view text, int places, ExcessDecimals excess);

template <int P>
std::optional<Fixed<P>> parse_fixed(std::string_view text) {
    auto u = parse_units(text, P, ExcessDecimals::kRefuse);
    if (!u) return std::nullopt;
    return Fixed<P>::from_units(*u);
}

template <int P>
std::optional<Fixed<P>> parse_fixed_truncated(std::string_view text) {
    auto u = parse_units(text, P, ExcessDecimals::kTruncate);
    if (!u) return std::nullopt;
    return Fixed<P>::from_units(*u);
}

// Renders units of 10^-places (places 0..18, else empty) with every decimal
// written; group_separator 0 means no grouping.
std::string format_units(std::int64_t units, int places, char decimal_point, char group_separator);

// "1234.56": what SQL, the printer's plain amounts and text files take.
// With ',' as decimal point it is the XML form "1234,56".
template <int P>
std::string to_plain(Fixed<P> x, char decimal_point = '.') {
    return format_units(x.units(), P, decimal_point, 0);
}

// "1.234,56": the Brazilian screen form.
template <int P>
std::string to_br(Fixed<P> x) {
    return format_units(x.units(), P, ',', '.');
}

template <int P>
std::ostream& operator<<(std::ostream& out, Fixed<P> x) {
    return out << to_plain(x);
}

// A non-negative amount scaled by 10^scale_places and written as exactly
// `width` digits with leading zeros, as the printer's fixed-width fields want
// (money 12.50 at scale 2, width 14: "00000000001250"). nullopt for a negative
// amount, a scale that would drop digits of the value, or digits beyond the width.
std::optional<std::string> scaled_digits(std::int64_t units, int places, int scale_places,
                                         int width);

template <int P>
std::optional<std::string> printer_digits(Fixed<P> x, int scale_places, int width) {
    return scaled_digits(x.units(), P, scale_places, width);
}

// Reading of a number that the database or a file returned as text: the text,
// blanks around it cut, must be [+-]digits[.digits]; anything else reads as 0
// with valid false.
template <typename T>
struct NumberReading {
    T value{};
    bool valid = false;
};

// Decimals are dropped (toward zero), as converting a decimal to an integer does.
NumberReading<std::int64_t> read_integer(std::string_view text);

// Decimals beyond `places` are rounded half up by default, as a database cast
// to fewer places does.
NumberReading<std::int64_t> read_units(std::string_view text, int places,
                                       ExcessDecimals excess = ExcessDecimals::kRoundHalfUp);

template <int P>
NumberReading<Fixed<P>> read_number(std::string_view text) {
    auto r = read_units(text, P);
    return {Fixed<P>::from_units(r.value), r.valid};
}

}  // namespace balcora::util
