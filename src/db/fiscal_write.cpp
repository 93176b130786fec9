#include "db/fiscal_write.h"

#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/sql_runner.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace balcora::db {

Transaction::Transaction() : open_(execute("BEGIN;")) {}

Transaction::~Transaction() {
    if (open_) rollback();
}

bool Transaction::commit() {
    if (!open_) return false;
    open_ = false;
    // A transaction in which a statement failed is ended by the server with
    // ROLLBACK, answered without an error: only the tag tells it was undone.
    std::optional<PgResult> r = run_sql("COMMIT;");
    return r && std::string_view(PQcmdStatus(r->get())) == "COMMIT";
}

void Transaction::rollback() {
    if (!open_) return;
    open_ = false;
    execute("ROLLBACK;");
}

std::int64_t write_fiscal_row(std::string_view table, std::string_view insert_statement,
                              const DependentWork& dependent_work) {
    Transaction tx;
    if (!tx.begun()) return 0;
    const FailureReport report = report_for_table(table);
    if (!run_sql(insert_statement, report)) return 0;

    const std::string t(table), id_col = "id_" + t;
    SqlRecord rec;
    QUERYSQL("SELECT currval('balcora." + t + "_" + id_col + "_seq');", rec);
    const std::int64_t id = std::atoll(std::string(rec.C(1)).c_str());
    if (id <= 0) return 0;

    const std::string reread_statement =
        "SELECT " + id_col + " FROM balcora." + t + " WHERE " + id_col + "=" + std::to_string(id);
    std::optional<PgResult> reread = run_sql(reread_statement, report);
    if (!reread) return 0;
    if (reread->rows() != 1) {
        report({"", "o registro gravado não foi encontrado", "", false}, reread_statement);
        return 0;
    }

    if (!store_hash(table, id)) return 0;
    if (dependent_work && !dependent_work(id)) return 0;
    return tx.commit() ? id : 0;
}

}  // namespace balcora::db
