#include "platform/data_root.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace balcora::platform {

namespace fs = std::filesystem;

// An empty name stays empty (create_layout refuses it) instead of throwing.
static fs::path absolute_or_empty(const fs::path& root) {
    std::error_code ec;
    fs::path out = root.empty() ? root : fs::absolute(root, ec);
    return ec ? root : out.lexically_normal();
}

DataRoot::DataRoot(fs::path root) : root_(absolute_or_empty(root)) {}

std::string unwritable_folder_message(const fs::path& folder, int errno_value) {
    std::string why;
    switch (errno_value) {
        case EACCES:
        case EPERM:
            why = "sem permissão de escrita";
            break;
        case EROFS:
            why = "disco somente leitura";
            break;
        case ENOSPC:
        case EDQUOT:
            why = "disco cheio";
            break;
        case ENOTDIR:
        case EEXIST:
            why = "um arquivo ocupa o lugar de uma pasta";
            break;
        case ENOENT:
            why = "caminho inexistente";
            break;
        case ENAMETOOLONG:
            why = "nome longo demais";
            break;
        default:
            why = std::strerror(errno_value);
    }
    const std::string name = folder.empty() ? std::string("\"\"") : folder.string();
    return "Pasta não gravável: " + name + " (" + why + ")";
}

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

// What to name when a folder could not be made: the deepest part of its path
// that exists (a file in the way, or a folder that takes no new entries).
static fs::path blocking_folder(const fs::path& target) {
    fs::path at = target;
    std::error_code ec;
    while (!fs::exists(at, ec) && at.has_relative_path()) at = at.parent_path();
    return at;
}

bool DataRoot::create_layout(std::string* error) const {
    if (root_.empty()) {
        *error = "Pasta não gravável: \"\" (nome de pasta vazio)";
        return false;
    }
    for (auto sub : {"sistemas/balcora/pgms", "sistemas/balcora/pafecf", "sistemas/balcora/backup",
                     "sistemas/balcora/figuras", "windows"}) {
        std::error_code ec;
        fs::create_directories(root_ / sub, ec);
        if (ec) {
            const fs::path at = blocking_folder(root_ / sub);
            std::error_code probe;
            *error =
                unwritable_folder_message(at, fs::is_directory(at, probe) ? ec.value() : ENOTDIR);
            return false;
        }
    }
    // Folders that already exist say nothing about a read-only or full disk:
    // a file made and removed does.
    std::string probe = (root_ / ".gravavel-XXXXXX").string();
    int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        *error = unwritable_folder_message(root_, errno);
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace balcora::platform
