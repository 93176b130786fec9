#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace balcora::forms {

// The search texts of the lookup windows, made ready for SQL.

// A name search as a LIKE pattern: what the operator typed, with "%" added at
// the end unless it already ends with one ("caf" begins with, "%moido"
// contains); a backslash stands for itself rather than escaping what follows.
std::string like_pattern(std::string_view typed);

// "UPPER(balcora.to_ascii(<column>)) LIKE UPPER(balcora.to_ascii(<pattern>))",
// the pattern through TXTSQL: blind to case and accents.
std::string folded_like(std::string_view column, std::string_view typed);

// The same for the rows whose column begins with the text, every character
// of it taken literally.
std::string folded_prefix(std::string_view column, std::string_view typed);

// The same folding on this side, for the incremental search of a loaded list:
// accents dropped and letters in upper case.
std::string fold_text(std::string_view text);

// The rows a lookup list loads at most; a filter that finds more shows the
// first ones with a note, as the list is refreshed at every keystroke.
inline constexpr std::size_t kLookupRowLimit = 500;

}  // namespace balcora::forms
