#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace balcora::shell {

// The PostgreSQL client's password file, where the dump tool finds the
// password it needs: the file named by PGPASSFILE, else ~/.pgpass.
std::filesystem::path pg_password_file();

// A field of the file, with ':' and '\' escaped as the client reads them.
std::string pg_password_field(std::string_view text);

// "host:port:*:user:", escaped: the start of this program's entry.
std::string pg_password_prefix(std::string_view host, int port, std::string_view user);

// Keeps the entry for host, port and user current: a line equal to it leaves
// the file as it was; a line of the same host, port and user with another
// password is commented out (a "#" put before it) and the new line
// appended. Folder and file are made when missing; the file stays readable
// by its owner only (the client ignores it otherwise). Empty on success,
// otherwise "Erro (code) - reason file".
std::string keep_pg_password_entry(const std::filesystem::path& file, std::string_view host,
                                   int port, std::string_view user, std::string_view password);

}  // namespace balcora::shell
