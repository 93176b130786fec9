#include "db/connection_settings.h"

#include "platform/ini_file.h"

#include <cctype>

namespace balcora::db {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string read_key(const platform::DataRoot& root, std::string_view key) {
    return platform::ini_read(root.ini_file(kSettingsFile), kSettingsSection, key);
}

bool is_blank(std::string_view s) {
    return trim(s).empty();
}

}  // namespace

bool ConnectionSettings::is_local() const {
    return is_local_server(server);
}

std::string ConnectionSettings::host() const {
    return is_local() ? std::string("localhost") : std::string(trim(server));
}

int parse_port(std::string_view text) {
    text = trim(text);
    if (text.empty() || text.size() > 5) return 0;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value <= 65535 ? value : 0;
}

bool is_local_server(std::string_view server) {
    server = trim(server);
    if (server.empty() || server == "127.0.0.1") return true;
    if (server.size() != 9) return false;
    for (size_t i = 0; i < server.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(server[i])) != "localhost"[i]) return false;
    return true;
}

std::string read_user(const platform::DataRoot& root) {
    return read_key(root, "Usuario");
}
std::string read_password(const platform::DataRoot& root) {
    return read_key(root, "Senha");
}
int read_port(const platform::DataRoot& root) {
    return parse_port(read_key(root, "Porta"));
}
std::string read_server(const platform::DataRoot& root) {
    return read_key(root, "Servidor");
}

ConnectionSettings read_connection_settings(const platform::DataRoot& root) {
    return {read_user(root), read_password(root), read_port(root), read_server(root)};
}

bool write_connection_settings(const platform::DataRoot& root, const ConnectionSettings& s) {
    auto file = root.ini_file(kSettingsFile);
    // The file holds the server's password: only the shop's account reads it.
    return platform::ini_write(file, kSettingsSection, "Usuario", s.user) &&
           platform::ini_write(file, kSettingsSection, "Senha", s.password,
                               platform::Privacy::kPrivate) &&
           platform::ini_write(file, kSettingsSection, "Porta", std::to_string(s.port));
}

bool complete_local_settings(const platform::DataRoot& root, int port) {
    ConnectionSettings s = read_connection_settings(root);
    const bool old_defaults = trim(s.user) == kDefaultUser && trim(s.password) == kDefaultPassword;
    if (is_blank(s.user) || old_defaults) s.user = kRoleName;
    if (is_blank(s.password) || old_defaults) s.password = kPasswordInFile;
    s.port = port;
    return write_connection_settings(root, s);
}

}  // namespace balcora::db
