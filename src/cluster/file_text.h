#pragma once

#include <filesystem>
#include <string>

namespace balcora::db {

// The whole of a file the server or its tools wrote (a configuration file,
// PG_VERSION, a log); empty when it cannot be read.
std::string read_file(const std::filesystem::path& file);

// The text without the line end and the spaces after it.
std::string trim_line(std::string s);

}  // namespace balcora::db
