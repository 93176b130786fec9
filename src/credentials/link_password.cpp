#include "credentials/link_password.h"

#include "credentials/pg_password_file.h"
#include "platform/file_write.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace balcora::db {

namespace fs = std::filesystem;

namespace {

std::string entry_key(std::string_view host, int port, std::string_view database,
                      std::string_view user) {
    return shell::pg_password_field(host) + ":" + std::to_string(port) + ":" +
           shell::pg_password_field(database) + ":" + shell::pg_password_field(user) + ":";
}

bool field_matches(const std::string& stored, std::string_view wanted) {
    return stored == "*" || stored == wanted;
}

std::string read_whole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

fs::path link_password_file(const platform::DataRoot& root) {
    return root.root() / "privado" / "retaguarda.senha";
}

std::vector<std::string> password_line_fields(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return {};
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            fields.back() += line[++i];
        } else if (line[i] == ':' && fields.size() < 5) {
            fields.emplace_back();
        } else {
            fields.back() += line[i];
        }
    }
    return fields;
}

std::string read_link_password(const platform::DataRoot& root, std::string_view host, int port,
                               std::string_view database, std::string_view user) {
    std::istringstream in(read_whole(link_password_file(root)));
    const std::string port_text = std::to_string(port);
    for (std::string line; std::getline(in, line);) {
        const auto f = password_line_fields(line);
        if (f.size() == 5 && field_matches(f[0], host) && field_matches(f[1], port_text) &&
            field_matches(f[2], database) && field_matches(f[3], user))
            return f[4];
    }
    return {};
}

bool keep_link_password(const platform::DataRoot& root, std::string_view host, int port,
                        std::string_view database, std::string_view user, std::string_view password,
                        std::string* error) {
    const fs::path file = link_password_file(root);
    const std::string key = entry_key(host, port, database, user);
    std::string text =
        "# Senhas da ligação deste caixa com a retaguarda (balcora backoffice link).\n";
    std::istringstream in(read_whole(file));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line.front() == '#' || line.rfind(key, 0) == 0) continue;
        text += line + "\n";
    }
    text += key + shell::pg_password_field(password) + "\n";
    // Synced: the link cannot log in without it after a power cut.
    const int e = platform::write_private_file(file, text, platform::Durability::kSynced);
    if (e == 0) return true;
    *error = "Não foi possível gravar " + file.string() + " (" + std::strerror(e) + ")";
    return false;
}

std::string password_in_text(std::string_view text, std::string_view user) {
    std::istringstream in{std::string(text)};
    std::string first;
    bool any = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!any && !line.empty()) {
            first = line;
            any = true;
        }
        const auto f = password_line_fields(line);
        if (f.size() == 5 && field_matches(f[3], user)) return f[4];
    }
    // A file whose every line is a comment holds no password.
    return any && first.front() != '#' ? first : std::string();
}

}  // namespace balcora::db
