#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::platform {

// Starts argv[0] (searched in PATH when it has no slash) and does not wait for
// it: the program lives on by itself, even after we end, with its input and
// output on /dev/null. An empty text means it started; otherwise the reason
// it could not (a missing program among them).
std::string start_detached(const std::vector<std::string>& argv,
                           const std::filesystem::path& working_dir = {});

// The words of a command line as a technician types it in a setting: blanks
// separate words, double quotes keep blanks inside one ("c:/dir x/prog" a b).
std::vector<std::string> split_command_line(std::string_view line);

}  // namespace balcora::platform
