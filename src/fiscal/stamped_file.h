#pragma once

#include "platform/clock.h"

#include <filesystem>
#include <string_view>

namespace balcora::fiscal {

// A regulatory file's name in the PAF-ECF folder: prefix + the authorised
// printer's serial + "_" + yyyymmdd + "_" + hhmmss of `at` + extension
// ("MF" ... ".mf" gives MFBV0001_20261207_100000.mf).
std::filesystem::path stamped_file(std::string_view prefix, const platform::LocalTime& at,
                                   std::string_view extension);

// The moment one second later, into the next day (and month, and year) at
// midnight.
platform::LocalTime one_second_later(const platform::LocalTime& t);

// Shows that a file's path does not fit the printer's 200-character path
// field (a data root nested too deep); the command is then not sent.
void report_path_too_long(const std::filesystem::path& file);

}  // namespace balcora::fiscal
