#include "db/database.h"

namespace balcora::db {

namespace {
std::unique_ptr<PgConnection>& slot() {
    static std::unique_ptr<PgConnection> conn;
    return conn;
}
}  // namespace

PgConnection* connection() {
    return slot().get();
}
void set_connection(std::unique_ptr<PgConnection> conn) {
    slot() = std::move(conn);
}
void close_connection() {
    slot().reset();
}

}  // namespace balcora::db
