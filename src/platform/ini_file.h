#pragma once

#include "platform/file_write.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace balcora::platform {

// INI files in the Windows format: keys may contain blanks and accents, values
// are kept as written. Reads never cache, so a value written by one screen is
// what the next read elsewhere sees. A damaged file reads as empty, and so
// does one that other programs could have planted to hold the program: a
// FIFO or device in its place, or a file beyond the exchange-file limit.
std::string ini_read(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view default_value = {});

// Returns false when the file could not be written. The file is replaced
// whole and keeps its mode; a file holding a secret is written kPrivate.
bool ini_write(const std::filesystem::path& file, std::string_view section, std::string_view key,
               std::string_view value, Privacy privacy = Privacy::kShared);

}  // namespace balcora::platform
