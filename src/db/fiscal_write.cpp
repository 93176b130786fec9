#include "db/fiscal_write.h"

#include "db/database.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "ui/environment.h"

#include <cstdlib>
#include <string>

namespace balcora::db {

Transaction::Transaction() : open_(execute("BEGIN;")) {}

Transaction::~Transaction() {
    if (open_) rollback();
}

bool Transaction::commit() {
    if (!open_) return false;
    open_ = false;
    return execute("COMMIT;");
}

void Transaction::rollback() {
    if (!open_) return;
    open_ = false;
    execute("ROLLBACK;");
}

namespace {

void show_table_error(std::string_view table, const PgResult& r, PgConnection& conn) {
    prompt().beep();
    std::string text = r ? r.error_message() : conn.error_message();
    prompt().message("Erro (" + r.sqlstate() + ")/" + std::string(table), text, ui::Icon::kError);
}

}  // namespace

std::int64_t write_fiscal_row(std::string_view table, std::string_view insert_statement,
                              const DependentWork& dependent_work) {
    PgConnection* conn = connection();
    if (!conn) return 0;
    Transaction tx;
    if (!tx.begun()) return 0;

    PgResult inserted = conn->exec(insert_statement);
    if (!inserted.ok()) {
        show_table_error(table, inserted, *conn);
        return 0;
    }

    const std::string t(table), id_col = "id_" + t;
    SqlRecord rec;
    QUERYSQL("SELECT currval('balcora." + t + "_" + id_col + "_seq');", rec);
    const std::int64_t id = std::atoll(std::string(rec.C(1)).c_str());
    if (id <= 0) return 0;

    PgResult reread = conn->exec("SELECT " + id_col + " FROM balcora." + t + " WHERE " + id_col +
                                 "=" + std::to_string(id));
    if (!reread.ok() || reread.rows() != 1) {
        show_table_error(table, reread, *conn);
        return 0;
    }

    store_hash(table, id);
    if (dependent_work && !dependent_work(id)) return 0;
    return tx.commit() ? id : 0;
}

}  // namespace balcora::db
