#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace balcora::ecf {

// UTF-8 -> Windows-1252, the code page of every text that crosses the printer
// driver boundary. A character the code page lacks, a malformed byte and a NUL
// (which would end the driver's text early) become '?', one per character, so
// fixed-width fields keep their width.
std::string to_cp1252(std::string_view utf8);

// Windows-1252 -> UTF-8, for what the printer side writes (its tape). The five
// bytes the code page leaves undefined become U+FFFD.
std::string from_cp1252(std::string_view cp1252);

// Number of characters of a UTF-8 text as the printer will count them (one
// per code point, malformed bytes one each).
std::size_t printer_length(std::string_view utf8);

// The text cut or padded with blanks on the right to exactly `width`
// characters as the printer counts them.
std::string fit(std::string_view utf8, std::size_t width);

}  // namespace balcora::ecf
