#pragma once

#include "db/pg_handles.h"

#include <memory>

namespace balcora::db {

// The one database connection of the process, opened at start-up and kept
// until the program ends. Null before INICIABD or after a failed open.
PgConnection* connection();
void set_connection(std::unique_ptr<PgConnection> conn);
// Closes the process connection (end of program, or a test's teardown).
void close_connection();

}  // namespace balcora::db
