#include "credentials/pg_password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace balcora::shell {

namespace fs = std::filesystem;

namespace {

std::string failure(int code, const fs::path& file) {
    return "Erro (" + std::to_string(code) + ") - " + std::strerror(code) + " " + file.string();
}

// The whole file replaced at once, so a failure half-way never leaves the
// other entries of the file lost.
int write_whole(const fs::path& file, const std::string& text) {
    fs::path tmp = file;
    tmp += ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int e = n < 0 ? errno : EIO;
            close(fd);
            unlink(tmp.c_str());
            return e;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        int e = errno;
        unlink(tmp.c_str());
        return e;
    }
    if (rename(tmp.c_str(), file.c_str()) != 0) {
        int e = errno;
        unlink(tmp.c_str());
        return e;
    }
    return 0;
}

}  // namespace

fs::path pg_password_file() {
    if (const char* named = std::getenv("PGPASSFILE"); named && *named) return fs::absolute(named);
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/") / ".pgpass";
}

std::string pg_password_field(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ':' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string pg_password_prefix(std::string_view host, int port, std::string_view user) {
    return pg_password_field(host) + ":" + std::to_string(port) + ":*:" + pg_password_field(user) +
           ":";
}

std::string keep_pg_password_entry(const fs::path& file, std::string_view host, int port,
                                   std::string_view user, std::string_view password) {
    const std::string prefix = pg_password_prefix(host, port, user);
    const std::string entry = prefix + pg_password_field(password);

    std::error_code ec;
    if (file.has_parent_path() && !fs::is_directory(file.parent_path(), ec)) {
        fs::create_directories(file.parent_path(), ec);
        if (ec) return failure(ec.value(), file);
    }
    std::vector<std::string> lines;
    bool exists = fs::exists(file, ec);
    if (exists) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return failure(errno ? errno : EACCES, file);
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
    }
    bool present = false, changed = !exists;
    for (std::string& line : lines) {
        std::string bare = line;
        if (!bare.empty() && bare.back() == '\r') bare.pop_back();
        if (bare.rfind(prefix, 0) != 0) continue;
        if (bare == entry) {
            present = true;
        } else {
            line.insert(0, 1, '#');
            changed = true;
        }
    }
    if (!present) {
        lines.push_back(entry);
        changed = true;
    }
    if (changed) {
        std::string text;
        for (const auto& l : lines) text += l + "\n";
        if (int e = write_whole(file, text); e != 0) return failure(e, file);
    }
    // The client skips a file others can read: the entry would be ignored.
    struct stat st;
    if (stat(file.c_str(), &st) == 0 && (st.st_mode & 077) != 0 && chmod(file.c_str(), 0600) != 0)
        return failure(errno, file);
    return {};
}

}  // namespace balcora::shell
