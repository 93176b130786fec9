#pragma once

#include <string>
#include <string_view>

namespace balcora::db {

// The program's connection string in its documented attribute form
// ("DRIVER=PostgreSQL ANSI;DATABASE=balcora;SERVER=...;PORT=...;UID=...;PWD=...;...;").
// It lives only in memory: the password in it is never written to a file.
std::string build_connection_string(std::string_view server, int port, std::string_view user,
                                    std::string_view password);

// The libpq connection text equivalent to a connection string of that form,
// so the program and the printer driver reach the same database the same way.
// A SERVER naming this machine (blank, "localhost", "127.0.0.1") becomes
// local_socket, the socket folder of the machine's own server, when given;
// else the address 127.0.0.1, never the name: "localhost" may resolve to ::1
// first, where any account could listen and receive the password.
std::string libpq_conninfo(std::string_view connection_string, std::string_view local_socket = {});

}  // namespace balcora::db
