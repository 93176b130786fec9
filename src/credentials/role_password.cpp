#include "credentials/role_password.h"

#include "db/connection_settings.h"
#include "platform/file_write.h"

#include <openssl/rand.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace balcora::db {

namespace fs = std::filesystem;

namespace {

// Host names the program's own connections use: the TCP loopback by name and
// by address. Never "*": the file must not hand the password to a remote server.
constexpr const char* kHosts[] = {"localhost", "127.0.0.1"};

std::string entry_prefix(const char* host) {
    return std::string(host) + ":*:*:" + std::string(kRoleName) + ":";
}

}  // namespace

fs::path role_password_file(const platform::DataRoot& root) {
    return root.root() / "privado" / "balcora.senha";
}

std::string random_role_password() {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) return {};
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string read_role_password(const platform::DataRoot& root) {
    std::ifstream in(role_password_file(root));
    const std::string prefix = entry_prefix(kHosts[0]);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0 && line.size() > prefix.size())
            return line.substr(prefix.size());
    }
    return {};
}

bool write_role_password(const platform::DataRoot& root, const std::string& password,
                         std::string* error) {
    const fs::path file = role_password_file(root);
    std::string text = "# Senha do papel " + std::string(kRoleName) +
                       " no servidor PostgreSQL deste caixa (gerada na instalação).\n";
    for (const char* host : kHosts) text += entry_prefix(host) + password + "\n";
    // Synced: the server already holds this password, and a file lost to a
    // power cut would lock the program out of its own database.
    const int e = platform::write_private_file(file, text, platform::Durability::kSynced);
    if (e == 0) return true;
    const fs::path dir = file.parent_path();
    if (e == ENOTDIR || e == EPERM)
        *error = "A pasta " + dir.string() + " não é uma pasta deste usuário";
    else
        *error = "Pasta não gravável: " + dir.string() + " (" + std::strerror(e) + ")";
    return false;
}

Login connection_login(const platform::DataRoot& root, const ConnectionSettings& settings) {
    auto trimmed = [](std::string s) {
        while (!s.empty() && s.back() == ' ') s.pop_back();
        while (!s.empty() && s.front() == ' ') s.erase(0, 1);
        return s;
    };
    if (settings.is_local()) {
        std::string password = read_role_password(root);
        if (!password.empty()) return {std::string(kRoleName), password};
    }
    return {trimmed(settings.user), trimmed(settings.password)};
}

}  // namespace balcora::db
