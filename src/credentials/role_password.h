#pragma once

#include "db/connection_settings.h"
#include "platform/data_root.h"

#include <filesystem>
#include <string>

namespace balcora::db {

// The password of the program's own database role, made at random for each
// installation and kept in a file only the shop's account can read. The file
// is in the format of libpq's password file, so psql and scripts can name it
// (passfile=...) instead of showing the password.

// <root>/privado/balcora.senha (folder 0700, file 0600).
std::filesystem::path role_password_file(const platform::DataRoot& root);

// 32 hexadecimal digits from OpenSSL's generator; empty if it failed.
std::string random_role_password();

// The stored password; empty when the file is missing, unreadable or holds
// no entry for the program's role.
std::string read_role_password(const platform::DataRoot& root);

// Stores the password, replacing the file whole (never a half-written one).
// False with the reason in *error.
bool write_role_password(const platform::DataRoot& root, const std::string& password,
                         std::string* error);

// The login of the program's connection: this machine's own server is
// reached as the program's role with the installation's password; a remote
// server, or a local one not made by the program (no password file), with
// "Usuario" and "Senha" as balcora.ini gives them.
struct Login {
    std::string user;
    std::string password;
};
Login connection_login(const platform::DataRoot& root, const ConnectionSettings& settings);

}  // namespace balcora::db
