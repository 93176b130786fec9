#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace balcora {

// Accented letters replaced by their plain letters (UTF-8: "Ação" -> "Acao",
// "Ñ" -> "N", "º" -> "o", "Æ" -> "AE", combining accents dropped); every other
// byte, also of text that is not valid UTF-8, is kept as it is.
std::string RETIRAACENTOS(std::string_view text);

// Only the ASCII letters and digits of the text (blanks, signs and accented
// letters go).
std::string SOALFANUM(std::string_view text);

// Every occurrence of `from` replaced by `to`, left to right, without looking
// again at what was put in; an empty `from` leaves the text as it is.
std::string SUBSTITUIR(std::string_view text, std::string_view from, std::string_view to);

}  // namespace balcora

namespace balcora::util {

// Blanks are spaces and tabs; line ends are data and stay.
std::string_view trim_view(std::string_view text);
std::string trim(std::string_view text);
std::string trim_right(std::string_view text);

// a-z to A-Z; every other byte, accented letters included, unchanged.
std::string to_upper_ascii(std::string_view text);
std::string to_lower_ascii(std::string_view text);

// At most `count` characters of a UTF-8 text, never splitting one.
std::string cut_characters(std::string_view text, std::size_t count);

// Characters, not bytes, of a UTF-8 text.
std::size_t character_count(std::string_view text);

// `text` in exactly `width` columns of a fixed-pitch listing: cut when longer,
// blanks added on the right (fit_left) or on the left (fit_right).
std::string fit_left(std::string_view text, std::size_t width);
std::string fit_right(std::string_view text, std::size_t width);

// `value` in at least `width` digits, zeros on the left (after a minus sign).
std::string zero_filled(std::int64_t value, int width);

}  // namespace balcora::util
