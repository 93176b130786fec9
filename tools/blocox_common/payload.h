#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace blocox {

// The XML travels as a one-entry ZIP archive (deflate) in base 64, as the
// authority's protocol asks.
std::string zip_one_file(std::string_view name, std::string_view content);
// The first entry's content; nothing when the archive is damaged, uses a
// method other than stored or deflate, or would unpack beyond max_size. The
// entry's name in *name when asked.
std::optional<std::string> unzip_first_file(std::string_view archive, size_t max_size,
                                            std::string* name = nullptr);

std::string to_base64(std::string_view bytes);
// Blanks and line breaks are ignored; nothing when the text is not base 64.
std::optional<std::string> from_base64(std::string_view text);

}  // namespace blocox
