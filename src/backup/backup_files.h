#pragma once

#include "util/day_number.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::shell {

// "Dom" (Sunday) ... "Sab" (Saturday), as the backup files are named.
std::string_view weekday_abbreviation(util::DayNumber day);

// "balcora_backup_<weekday>.pgsql" of the day.
std::string weekday_backup_name(util::DayNumber day);

// Whether a file name is one of the seven weekday backups.
bool is_weekday_backup_name(std::string_view name);

// <root>/sistemas/balcora/backup.
std::filesystem::path backup_folder();

// The name a dump is written under until it has been verified; never one
// of the seven names, so a failed run leaves no half file under them.
std::filesystem::path unverified_backup_file(const std::filesystem::path& folder,
                                             util::DayNumber day);

// A weekday file as `balcora backup list` shows it.
struct BackupFileState {
    std::string weekday;
    std::filesystem::path file;
    bool exists = false;
    std::uintmax_t size = 0;
    std::string modified;   // "DD/MM/YYYY HH:MM"
    bool verified = false;  // restored and compared since it was written
};
// The seven files, Sunday first.
std::vector<BackupFileState> list_backup_files(const std::filesystem::path& folder);

// Records that the file, as it is now (size and time), passed the restore
// check; a file changed afterwards no longer counts as verified.
void mark_backup_verified(const std::filesystem::path& file);

}  // namespace balcora::shell
