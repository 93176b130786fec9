#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace balcora::shell {

// Where the PostgreSQL client programs (pg_dump, pg_restore) are taken from:
// the folder in balcora.ini [Programas] "PostgreSQL" when set, else the
// newest installed PostgreSQL, else whatever pg_config names; empty when
// none is found (the bare names are then looked up in PATH).
inline constexpr std::string_view kPostgresFolderKey = "PostgreSQL";
std::filesystem::path postgres_client_folder();

// The program's full name in that folder, or the bare name without one.
std::string postgres_tool(const std::filesystem::path& folder, std::string_view name);

// A major version as a comparable number: 15 -> 1500, 9.6 -> 906.
using MajorVersion = int;

struct ToolVersion {
    bool started = false;
    std::string line;        // first line of "--version", at most 100 characters
    MajorVersion major = 0;  // 0 when the line names none
    std::string error;       // why it could not run
};
ToolVersion tool_version(const std::string& program);

// "pg_dump (PostgreSQL) 15.4 (Debian ...)" -> 1500; 0 when unreadable.
MajorVersion major_of_version_line(std::string_view line);
// server_version_num (150004, 90624) -> 1500, 906.
MajorVersion major_of_server_number(long long server_version_num);
// 1500 -> "15", 906 -> "9.6".
std::string major_text(MajorVersion major);

}  // namespace balcora::shell
