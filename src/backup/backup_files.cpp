#include "backup/backup_files.h"

#include "db/settings.h"
#include "ui/environment.h"

#include <array>
#include <chrono>
#include <ctime>

namespace balcora::shell {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 7> kWeekdays = {"Dom", "Seg", "Ter", "Qua",
                                                       "Qui", "Sex", "Sab"};
constexpr std::string_view kBackupSection = "Backup";

// "size modification-time": what the verified mark of a file holds.
std::string file_fingerprint(const fs::path& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec) return {};
    const auto stamp = fs::last_write_time(file, ec);
    if (ec) return {};
    return std::to_string(size) + " " + std::to_string(stamp.time_since_epoch().count());
}

std::string verified_key(std::string_view weekday) {
    return "Verificado" + std::string(weekday);
}

std::string local_time_text(fs::file_time_type stamp) {
    const std::time_t t =
        std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(stamp));
    std::tm tm{};
    localtime_r(&t, &tm);
    char out[32];
    std::strftime(out, sizeof out, "%d/%m/%Y %H:%M", &tm);
    return out;
}

}  // namespace

std::string_view weekday_abbreviation(util::DayNumber day) {
    return kWeekdays[static_cast<std::size_t>(util::weekday(day))];
}

std::string weekday_backup_name(util::DayNumber day) {
    return "balcora_backup_" + std::string(weekday_abbreviation(day)) + ".pgsql";
}

bool is_weekday_backup_name(std::string_view name) {
    for (auto day : kWeekdays)
        if (name == "balcora_backup_" + std::string(day) + ".pgsql") return true;
    return false;
}

fs::path backup_folder() {
    return data_root().map("c:\\sistemas\\balcora\\backup");
}

fs::path unverified_backup_file(const fs::path& folder, util::DayNumber day) {
    return folder / ("." + weekday_backup_name(day) + ".parcial");
}

std::vector<BackupFileState> list_backup_files(const fs::path& folder) {
    std::vector<BackupFileState> out;
    for (auto day : kWeekdays) {
        BackupFileState s;
        s.weekday = day;
        s.file = folder / ("balcora_backup_" + std::string(day) + ".pgsql");
        std::error_code ec;
        s.exists = fs::is_regular_file(s.file, ec);
        if (s.exists) {
            s.size = fs::file_size(s.file, ec);
            s.modified = local_time_text(fs::last_write_time(s.file, ec));
            const std::string mark = LEREGISTRO("balcora", kBackupSection, verified_key(day));
            s.verified = !mark.empty() && mark == file_fingerprint(s.file);
        }
        out.push_back(std::move(s));
    }
    return out;
}

void mark_backup_verified(const fs::path& file) {
    const std::string name = file.filename().string();
    for (auto day : kWeekdays)
        if (name == "balcora_backup_" + std::string(day) + ".pgsql")
            GRAVAREGISTRO("balcora", kBackupSection, verified_key(day), file_fingerprint(file));
}

}  // namespace balcora::shell
