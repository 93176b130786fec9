#pragma once

#include "platform/data_root.h"

#include <string>
#include <string_view>

namespace balcora::db {

// Fixed facts of the program's database.
inline constexpr std::string_view kDatabaseName = "balcora";
inline constexpr std::string_view kRoleName = "balcora";
// What the settings window offers when "Usuario"/"Senha" are blank.
inline constexpr std::string_view kDefaultUser = "postgres";
inline constexpr std::string_view kDefaultPassword = "pdvsenha";
inline constexpr int kDefaultPort = 5432;
// What "Senha" holds for this machine's own server: its password is in the
// installation's password file (role_password.h), never in balcora.ini.
inline constexpr std::string_view kPasswordInFile = "(arquivo de senha)";

inline constexpr std::string_view kSettingsFile = "balcora.ini";
inline constexpr std::string_view kSettingsSection = "Configuracao";

// balcora.ini [Configuracao] as the connection reads it.
struct ConnectionSettings {
    std::string user;      // "Usuario": back-office link login
    std::string password;  // "Senha": back-office link password
    int port = 0;          // "Porta": 0 when missing or not a number
    std::string server;    // "Servidor": blank means this machine

    // The embedded server serves this machine; a named remote server is used as it is.
    bool is_local() const;
    // The name to connect to: "localhost" for this machine.
    std::string host() const;
};

// "Porta" as a number: blanks around digits are allowed; anything else, or
// a value outside 1..65535, is 0 (not set).
int parse_port(std::string_view text);

// Blank, "localhost" and "127.0.0.1" all name this machine.
bool is_local_server(std::string_view server);

ConnectionSettings read_connection_settings(const platform::DataRoot& root);
std::string read_user(const platform::DataRoot& root);
std::string read_password(const platform::DataRoot& root);
int read_port(const platform::DataRoot& root);
std::string read_server(const platform::DataRoot& root);

// Writes "Usuario", "Senha" and "Porta". False when the file could not be written.
bool write_connection_settings(const platform::DataRoot& root, const ConnectionSettings& s);

// For this machine's own server: fills blank "Usuario"/"Senha" with the
// program's role and the password-file mark (also replacing the defaults an
// earlier version wrote there, which showed a password in clear) and stores
// the port, so the program finds complete settings and never has to ask.
bool complete_local_settings(const platform::DataRoot& root, int port);

}  // namespace balcora::db
