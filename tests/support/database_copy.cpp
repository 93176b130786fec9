#include "support/database_copy.h"

#include "db/database.h"
#include "db/pg_handles.h"
#include "db/session.h"
#include "globals/globals.h"

#include <cstdio>

namespace balcora::test {

bool use_database_copy(const TestDatabase& db, const std::string& name) {
    std::string error;
    auto conn = db::PgConnection::open(db.conninfo() + " dbname=" + name, &error);
    if (!conn) {
        std::fprintf(stderr, "database %s: %s\n", name.c_str(), error.c_str());
        return false;
    }
    db::prepare_session(*conn);
    db::set_connection(std::move(conn));
    db::apply_program_session_settings();
    const std::string text = db.connection_string();
    const auto at = text.find("DATABASE=") + 9;
    glo::string_conexao = text.substr(0, at) + name + text.substr(text.find(';', at));
    return true;
}

}  // namespace balcora::test
