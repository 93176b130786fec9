#pragma once

#include "platform/data_root.h"

#include <string>
#include <string_view>

namespace balcora::db {

// For the program's start when the settings name this machine: our own
// cluster is brought up (created on first use, converted from an earlier
// version) unless its postmaster runs on the configured port and answers on
// its socket with the password file in place; a server that is not ours and
// answers on 127.0.0.1 at the configured port is used as it is. A remote server needs nothing and
// gives true. What was found and changed on the way (a corrected port) goes to *notes.
bool ensure_local_server(const platform::DataRoot& root, std::string* error,
                         std::string* notes = nullptr);

// The libpq text of the program's connection string as this machine reaches
// it: a connection string naming this machine goes through the socket of the
// root's own cluster when there is one, else to 127.0.0.1 by address (never a
// name another account could answer on, such as ::1 for "localhost").
std::string program_conninfo(const platform::DataRoot& root, std::string_view connection_string);

}  // namespace balcora::db
