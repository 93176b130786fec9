#include "db/session.h"

#include "db/query_sql.h"

namespace balcora::db {

void prepare_session(PgConnection& conn) {
    conn.exec("SET standard_conforming_strings=off;");
    conn.exec("SET escape_string_warning=off;");
    conn.exec("SET client_min_messages=warning;");
    // The disabled scans of the program's sessions make the planner's costs
    // huge, which would trigger JIT compilation (100-200 ms) for one-row
    // statements; a checkout's statements are all small.
    conn.exec("SET jit=off;");
}

void apply_program_session_settings() {
    QUERYSQL("SET enable_seqscan=off;");
    QUERYSQL("SET enable_hashjoin=off;");
    QUERYSQL("SET enable_mergejoin=off;");
    QUERYSQL("set search_path to balcora,public;");
}

}  // namespace balcora::db
