#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Text shaping for the documents printed after a sale. Widths count
// characters as the printer sees them (one per code point of the UTF-8 text,
// malformed bytes one each), never bytes: a name with accents must line up
// like one without.
namespace balcora::sale {

// The characters of a text, each as the bytes that make it up.
std::vector<std::string_view> characters(std::string_view text);

// Characters [from, from + count) of the text (shorter near its end).
std::string slice(std::string_view text, std::size_t from, std::size_t count);

// The text padded with blanks on the right (left_in) or left (right_in) to
// `width`. A longer text is kept whole: the printer continues a long line on
// the next one, and cutting would drop part of a name or an amount.
std::string left_in(std::string_view text, std::size_t width);
std::string right_in(std::string_view text, std::size_t width);

// The text centred in `width` by blanks on its left; trailing blanks are
// dropped, leading ones kept (so a name right-aligned in a field stays under
// the signature line). A text as wide or wider stays as it is.
std::string centred(std::string_view text, std::size_t width);

// Lines of the same table keep their columns: every line gets the left
// margin that centres the widest of them.
std::vector<std::string> centred_block(const std::vector<std::string>& lines, std::size_t width);

// A paragraph cut into lines of at most `width` characters: when the
// character at `width` is a blank the line takes `width` characters and the
// next starts after them; when the one after it is a blank, that blank is
// skipped too; otherwise the line ends at the last blank within `width`. A
// word longer than the line is cut at `width` so that the paragraph always
// advances. Lines come without blanks around them.
std::vector<std::string> wrap_words(std::string_view text, std::size_t width);

}  // namespace balcora::sale
