#pragma once

#include "db/pg_handles.h"

namespace balcora::db {

// Settings every connection of the program needs before its first statement:
// literals built by TXTSQL double their backslashes, so the server must read
// a backslash inside '...' as an escape.
void prepare_session(PgConnection& conn);

// The planner settings and search path the program runs with, sent through
// QUERYSQL on the process connection in this order.
void apply_program_session_settings();

}  // namespace balcora::db
