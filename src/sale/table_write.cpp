#include "sale/table_write.h"

#include "db/database.h"
#include "ui/environment.h"

namespace balcora::sale {

std::optional<db::PgResult> write_table(std::string_view table, const std::string& sql) {
    db::PgConnection* conn = db::connection();
    if (!conn) return std::nullopt;
    db::PgResult r = conn->exec(sql);
    if (r.ok()) return r;
    prompt().beep();
    prompt().message("Erro (" + r.sqlstate() + ")/" + std::string(table),
                     r ? r.error_message() : conn->error_message(), ui::Icon::Error);
    return std::nullopt;
}

}  // namespace balcora::sale
