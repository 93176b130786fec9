#pragma once

#include "cluster/server_layout.h"

#include <string>
#include <string_view>

namespace balcora::db {

// The cluster's superuser: reached only over the unix socket, for what the
// program's own role may not do (extensions, set-up, repairs).
inline constexpr std::string_view kAdminRoleName = "balcora_admin";
// Every session of the superuser starts with this search path, so nothing
// the program's role created (a function shadowing a built-in, an operator)
// is ever found by name in a superuser's statement.
inline constexpr std::string_view kPinnedSearchPath = "pg_catalog, pg_temp";

// libpq connection text to a database of the cluster over its unix socket.
std::string socket_conninfo(const ServerLayout& layout, int port, std::string_view dbname,
                            std::string_view user);

// A session that is, or may be, a superuser: its search path is pinned from
// the first statement on.
std::string pinned_conninfo(std::string conninfo);

}  // namespace balcora::db
