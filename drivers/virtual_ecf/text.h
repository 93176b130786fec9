#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text helpers of the virtual printer: its parameters arrive in CP1252, its
// paper and files are UTF-8, and its paper is 48 columns wide.
namespace balcora::vecf {

inline constexpr int kColumns = 48;

// CP1252 -> UTF-8. Control characters other than tab become blanks, so a line
// of the tape never breaks where the caller did not ask for it.
std::string cp1252_to_utf8(std::string_view text);

// Number of characters (code points) of a UTF-8 text.
std::size_t columns(std::string_view utf8);
// The first `width` characters of a UTF-8 text.
std::string cut(std::string_view utf8, std::size_t width);
std::string pad_right(std::string_view utf8, std::size_t width);
std::string pad_left(std::string_view utf8, std::size_t width);
std::string center(std::string_view utf8, std::size_t width = kColumns);
// `left` and `right` on one line of `width` columns; the left part is cut when
// both do not fit.
std::string spread(std::string_view left, std::string_view right, std::size_t width = kColumns);
// Cuts a text into lines of at most `width` characters, without word breaking
// (the printer prints what it receives, column after column).
std::vector<std::string> chop(std::string_view utf8, std::size_t width = kColumns);

std::string trim_right(std::string_view text);
std::string trim(std::string_view text);

// "1.234,56" and "-1,00".
std::string money(util::Money value);
// "1,000" (quantities) and prices with two decimals unless the third is used.
std::string quantity(util::Quantity value);
std::string unit_price(util::Fixed<3> value);

// Zero-filled decimal counter ("000123" for width 6).
std::string zero_filled(std::int64_t value, int width);

// The value of a fixed-width field of digits: nullopt when it is empty, too
// long or holds anything but digits.
std::optional<std::int64_t> digits_value(std::string_view field);

// A plain decimal ("12.50", "0", "1250.00"); nullopt for anything else.
std::optional<std::int64_t> decimal_units(std::string_view text, int places);

// "dd/mm/yyyy" -> day number, 0 when not a date.
util::DayNumber parse_date(std::string_view text);

// Bytes that must not reach a file record (line breaks, the field separator).
std::string one_line(std::string_view text, char separator = '\0');

std::uint32_t crc32(std::string_view data);
std::string hex8(std::uint32_t value);
// XXH64 (seed 0): a fast 64-bit checksum for the large records of the memory
// file, where a byte-at-a-time CRC would cost more than the write itself.
std::uint64_t hash64(std::string_view data);
std::string hex16(std::uint64_t value);

}  // namespace balcora::vecf
