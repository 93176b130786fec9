#include "backup/backup_tools.h"

#include "db/settings.h"
#include "platform/process.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::shell {

namespace fs = std::filesystem;

namespace {

// balcora.ini section of the external programs' folders and command lines.
constexpr std::string_view kProgramsSection = "Programas";

bool has_client_programs(const fs::path& dir) {
    std::error_code ec;
    return fs::exists(dir / "pg_dump", ec) && fs::exists(dir / "pg_restore", ec);
}

MajorVersion major_of(int major, int minor) {
    return major >= 10 ? major * 100 : major * 100 + minor;
}

}  // namespace

fs::path postgres_client_folder() {
    const std::string configured =
        util::trim(read_ini(kProgramsSection, kPostgresFolderKey, "", "balcora.ini"));
    if (!configured.empty()) return configured;
    // The newest installed: a newer pg_dump reads every older server.
    fs::path best;
    MajorVersion best_major = -1;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        int major = 0, minor = 0;
        std::sscanf(entry.path().filename().c_str(), "%d.%d", &major, &minor);
        const fs::path bin = entry.path() / "bin";
        if (has_client_programs(bin) && major_of(major, minor) > best_major) {
            best = bin;
            best_major = major_of(major, minor);
        }
    }
    if (!best.empty()) return best;
    auto r = platform::run_program({"pg_config", "--bindir"});
    if (r.ok()) {
        fs::path dir = util::trim(r.output);
        if (has_client_programs(dir)) return dir;
    }
    return {};
}

std::string postgres_tool(const fs::path& folder, std::string_view name) {
    return folder.empty() ? std::string(name) : (folder / std::string(name)).string();
}

MajorVersion major_of_version_line(std::string_view line) {
    const auto close = line.find(") ");
    if (close == std::string_view::npos) return 0;
    int major = 0, minor = 0;
    const std::string rest(line.substr(close + 2));
    if (std::sscanf(rest.c_str(), "%d.%d", &major, &minor) < 1 || major <= 0) return 0;
    return major_of(major, minor);
}

MajorVersion major_of_server_number(long long n) {
    if (n >= 100000) return static_cast<MajorVersion>(n / 10000) * 100;
    return static_cast<MajorVersion>(n / 100);
}

std::string major_text(MajorVersion major) {
    if (major >= 1000) return std::to_string(major / 100);
    return std::to_string(major / 100) + "." + std::to_string(major % 100);
}

ToolVersion tool_version(const std::string& program) {
    ToolVersion v;
    auto r = platform::run_program({program, "--version"});
    v.started = r.started;
    if (!r.started) {
        v.error = r.output;
        return v;
    }
    v.line = r.output.substr(0, r.output.find('\n'));
    if (!v.line.empty() && v.line.back() == '\r') v.line.pop_back();
    v.line = v.line.substr(0, 100);
    v.major = major_of_version_line(v.line);
    return v;
}

}  // namespace balcora::shell
