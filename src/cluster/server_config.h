#pragma once

#include "cluster/server_layout.h"

#include <string>

namespace balcora::db {

// The settings the program adds to postgresql.conf (through an include) and
// the whole pg_hba.conf.
std::string server_config_text(const ServerLayout& layout, int port);
std::string client_auth_text();

}  // namespace balcora::db
