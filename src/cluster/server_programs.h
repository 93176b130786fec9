#pragma once

#include <filesystem>
#include <string_view>

namespace balcora::db {

// Folder of the PostgreSQL server programs of the given major version, or of
// the newest installed when major is empty; empty when none is installed.
std::filesystem::path find_server_bindir(std::string_view major = {});

}  // namespace balcora::db
