#include "platform/data_root.h"

#include <cctype>
#include <cstdlib>

namespace balcora::platform {

namespace fs = std::filesystem;

DataRoot::DataRoot(fs::path root) : root_(fs::absolute(std::move(root)).lexically_normal()) {}

fs::path DataRoot::default_location() {
    if (const char* env = std::getenv("BALCORA_ROOT"); env && *env) return env;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return fs::path(xdg) / "balcora";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local/share/balcora";
}

static bool has_drive(std::string_view p) {
    return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

fs::path DataRoot::map(std::string_view windows_path) const {
    bool absolute = has_drive(windows_path);
    if (absolute) windows_path.remove_prefix(2);
    fs::path result = absolute ? root_ : program_dir();
    std::string part;
    auto flush = [&] {
        if (!part.empty()) result /= part;
        part.clear();
    };
    for (char c : windows_path) {
        if (c == '\\' || c == '/')
            flush();
        else
            part += c;
    }
    flush();
    return result.lexically_normal();
}

fs::path DataRoot::program_dir() const {
    return root_ / "sistemas" / "balcora" / "pgms";
}

fs::path DataRoot::ini_dir() const {
    return root_ / "windows";
}

fs::path DataRoot::ini_file(std::string_view name) const {
    if (name.find_first_of("\\/") == std::string_view::npos && !has_drive(name))
        return ini_dir() / std::string(name);
    return map(name);
}

void DataRoot::create_layout() const {
    for (auto sub : {"sistemas/balcora/pgms", "sistemas/balcora/pafecf", "sistemas/balcora/backup",
                     "sistemas/balcora/figuras", "windows"})
        fs::create_directories(root_ / sub);
}

}  // namespace balcora::platform
