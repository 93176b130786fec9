#include "db/sql_runner.h"

#include "db/database.h"
#include "db/query_sql.h"
#include "ui/environment.h"

#include <algorithm>

namespace balcora::db {

namespace {

SqlFailure no_connection() {
    return {"08003", "sem conexão com o banco de dados", "", true};
}

SqlFailure failure_of(const PgResult& r, const PgConnection& conn) {
    if (!r) return {"", conn.error_message(), "", false};
    const char* constraint = PQresultErrorField(r.get(), PG_DIAG_CONSTRAINT_NAME);
    return {r.sqlstate(), r.error_message(), constraint ? constraint : "", false};
}

}  // namespace

void report_in_sql_dialog(const SqlFailure& failure, std::string_view statement) {
    show_sql_error(failure.sqlstate, failure.text, statement);
}

FailureReport report_for_table(std::string_view table) {
    return [table = std::string(table)](const SqlFailure& failure, std::string_view) {
        prompt().beep();
        prompt().message("Erro (" + failure.sqlstate + ")/" + table, failure.text,
                         ui::Icon::kError);
    };
}

FailureReport keep_failure_in(SqlFailure& kept) {
    return [&kept](const SqlFailure& failure, std::string_view) { kept = failure; };
}

void report_nothing(const SqlFailure&, std::string_view) {}

std::optional<PgResult> run_sql(std::string_view statement, const FailureReport& report) {
    PgConnection* conn = connection();
    if (!conn) {
        report(no_connection(), statement);
        return std::nullopt;
    }
    PgResult r = conn->exec(statement);
    if (r.ok()) return r;
    report(failure_of(r, *conn), statement);
    return std::nullopt;
}

std::optional<PgResult> run_sql(std::string_view statement, const PgConnection::Params& params,
                                const FailureReport& report) {
    PgConnection* conn = connection();
    if (!conn) {
        report(no_connection(), statement);
        return std::nullopt;
    }
    PgResult r = conn->exec(statement, params);
    if (r.ok()) return r;
    report(failure_of(r, *conn), statement);
    return std::nullopt;
}

bool read_rows(std::string_view statement, const PgConnection::Params& params, SqlRecord& out,
               const FailureReport& report) {
    out.clear();
    std::optional<PgResult> r = run_sql(statement, params, report);
    if (!r) return false;
    out.load(std::move(*r));
    return true;
}

bool read_rows(std::string_view statement, SqlRecord& out, const FailureReport& report) {
    out.clear();
    std::optional<PgResult> r = run_sql(statement, report);
    if (!r) return false;
    out.load(std::move(*r));
    return true;
}

bool read_row(std::string_view select, std::int64_t key, SqlRecord& out,
              const FailureReport& report) {
    std::string statement(select);
    statement += std::to_string(key);
    statement += ';';
    return read_rows(statement, out, report) && out.has_row();
}

std::optional<std::vector<PgResult>> run_pipeline(const std::vector<PgConnection::Call>& calls,
                                                  const FailureReport& report) {
    if (calls.empty()) return std::vector<PgResult>();
    PgConnection* conn = connection();
    if (!conn) {
        report(no_connection(), calls.front().sql);
        return std::nullopt;
    }
    std::vector<PgResult> results = conn->exec_pipeline(calls);
    if (results.size() == calls.size() && results.back().ok()) return results;
    // The failure is the last result, at the place of its call (a failed
    // prepare comes back alone, in the first place).
    const PgResult none;
    const PgResult& failed = results.empty() ? none : results.back();
    const std::size_t at = results.empty() ? 0 : std::min(results.size(), calls.size()) - 1;
    report(failure_of(failed, *conn), calls[at].sql);
    return std::nullopt;
}

}  // namespace balcora::db
