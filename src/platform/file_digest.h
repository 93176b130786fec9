#pragma once

#include <filesystem>
#include <string>

namespace balcora::platform {

// MD5 of a file's contents as 32 lower-case hexadecimal digits; empty when
// the file cannot be read.
std::string md5_of_file(const std::filesystem::path& file);

// The running program's own executable.
std::filesystem::path own_executable();

}  // namespace balcora::platform
