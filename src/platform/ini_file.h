#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace balcora::platform {

// INI files in the Windows format: keys may contain blanks and accents, values
// are kept as written. Reads never cache, so a value written by one screen is
// what the next read elsewhere sees. A damaged file reads as empty.
std::string ini_read(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view default_value = {});

// Returns false when the file could not be written.
bool ini_write(const std::filesystem::path& file, std::string_view section, std::string_view key,
               std::string_view value);

}  // namespace balcora::platform
