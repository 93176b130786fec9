#include "sale/table_write.h"

#include "db/database.h"
#include "ui/environment.h"

namespace balcora::sale {

namespace {

void show_error(std::string_view table, const db::PgResult& r, const db::PgConnection& conn) {
    prompt().beep();
    prompt().message("Erro (" + r.sqlstate() + ")/" + std::string(table),
                     r ? r.error_message() : conn.error_message(), ui::Icon::kError);
}

}  // namespace

std::optional<db::PgResult> write_table(std::string_view table, const std::string& sql) {
    db::PgConnection* conn = db::connection();
    if (!conn) return std::nullopt;
    db::PgResult r = conn->exec(sql);
    if (r.ok()) return r;
    show_error(table, r, *conn);
    return std::nullopt;
}

std::optional<std::vector<db::PgResult>> write_table(
    std::string_view table, const std::vector<db::PgConnection::Call>& calls) {
    db::PgConnection* conn = db::connection();
    if (!conn) return std::nullopt;
    std::vector<db::PgResult> results = conn->exec_pipeline(calls);
    if (results.size() == calls.size() && results.back().ok()) return results;
    show_error(table, results.empty() ? db::PgResult() : std::move(results.back()), *conn);
    return std::nullopt;
}

}  // namespace balcora::sale
