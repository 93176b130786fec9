#include "sale/select_rows.h"

#include "db/database.h"
#include "db/query_sql.h"

namespace balcora::sale {

bool select_rows(const std::string& sql, db::SqlRecord& out) {
    out.clear();
    db::PgConnection* conn = db::connection();
    if (!conn) {
        db::show_sql_error("08003", "sem conexão com o banco de dados", sql);
        return false;
    }
    db::PgResult res = conn->exec(sql);
    if (!res.ok()) {
        db::show_sql_error(res.sqlstate(), res ? res.error_message() : conn->error_message(), sql);
        return false;
    }
    out.load(std::move(res));
    return true;
}

}  // namespace balcora::sale
