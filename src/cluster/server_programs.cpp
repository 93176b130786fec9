#include "cluster/server_programs.h"

#include "cluster/file_text.h"
#include "platform/process.h"

#include <cstdio>
#include <string>
#include <utility>

namespace balcora::db {

namespace fs = std::filesystem;

namespace {

bool has_server_programs(const fs::path& dir) {
    std::error_code ec;
    return fs::exists(dir / "initdb", ec) && fs::exists(dir / "pg_ctl", ec);
}

// "9.6" and "15" as comparable numbers.
std::pair<int, int> version_key(const std::string& name) {
    int major = 0, minor = 0;
    std::sscanf(name.c_str(), "%d.%d", &major, &minor);
    return {major, minor};
}

}  // namespace

fs::path find_server_bindir(std::string_view major) {
    std::error_code ec;
    const fs::path debian = "/usr/lib/postgresql";
    if (!major.empty()) {
        fs::path dir = debian / std::string(major) / "bin";
        if (has_server_programs(dir)) return dir;
    } else {
        fs::path best;
        std::pair<int, int> best_key{-1, -1};
        for (const auto& entry : fs::directory_iterator(debian, ec)) {
            fs::path dir = entry.path() / "bin";
            auto key = version_key(entry.path().filename().string());
            if (has_server_programs(dir) && key > best_key) {
                best = dir;
                best_key = key;
            }
        }
        if (!best.empty()) return best;
    }
    // Not a Debian layout: whatever pg_config names, if it is the right version.
    auto r = platform::run_program({"pg_config", "--bindir"});
    if (!r.ok()) return {};
    fs::path dir = trim_line(r.output);
    if (!has_server_programs(dir)) return {};
    if (!major.empty()) {
        auto v = platform::run_program({"pg_config", "--version"});
        // "PostgreSQL 15.4 (Debian ...)"
        std::string text = v.output;
        auto pos = text.find(' ');
        if (pos == std::string::npos || text.compare(pos + 1, major.size(), major) != 0) return {};
        char next = text.size() > pos + 1 + major.size() ? text[pos + 1 + major.size()] : ' ';
        if (next >= '0' && next <= '9') return {};
    }
    return dir;
}

}  // namespace balcora::db
