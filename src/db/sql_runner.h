#pragma once

#include "db/pg_handles.h"
#include "db/sql_record.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::db {

// What a failed statement left behind. Without a connection the SQLSTATE is
// 08003 and no_connection is set.
struct SqlFailure {
    std::string sqlstate;
    // The server's text, or libpq's when the server gave none.
    std::string text;
    // The key or check that refused the row, when there is one.
    std::string constraint;
    bool no_connection = false;
};

// Tells the user that a statement failed; every runner below takes one. The
// statement is the text that was sent (for a pipelined batch, the failing call's).
using FailureReport = std::function<void(const SqlFailure& failure, std::string_view statement)>;

// "Erro SQL (<SQLSTATE>)": the text, then "Comando SQL: <statement>", as QUERYSQL shows it.
void report_in_sql_dialog(const SqlFailure& failure, std::string_view statement);
// A beep and "Erro (<SQLSTATE>)/<table>" with the text: a write to one table
// failed inside the caller's transaction, which the caller rolls back.
FailureReport report_for_table(std::string_view table);
// For a caller that judges the failure itself (a held lock, a duplicate key):
// nothing is shown, the failure is copied into *kept.
FailureReport keep_failure_in(SqlFailure& kept);
// For statements whose failure the next step notices anyway (BEGIN, ROLLBACK).
void report_nothing(const SqlFailure& failure, std::string_view statement);

// Runs a statement (or several, separated by semicolons: the last one's result
// is returned) on the process connection. nullopt once the failure is reported.
std::optional<PgResult> run_sql(std::string_view statement,
                                const FailureReport& report = report_in_sql_dialog);

// One statement built from values: they go as its parameters ($1, $2, ...),
// never spliced into the text, so nothing in them is quoted or doubled.
std::optional<PgResult> run_sql(std::string_view statement, const PgConnection::Params& params,
                                const FailureReport& report = report_in_sql_dialog);

// Reads rows into a record of the caller's, cleared first. Unlike QUERYSQL it
// tells a query that found nothing (true, no row) from one that failed (false,
// once reported).
bool read_rows(std::string_view statement, SqlRecord& out,
               const FailureReport& report = report_in_sql_dialog);
bool read_rows(std::string_view statement, const PgConnection::Params& params, SqlRecord& out,
               const FailureReport& report = report_in_sql_dialog);
// Reads one row by its key: select ends in "<key column>=", the key and the
// closing ";" are added. True only when the query ran and found the row, out
// standing on it; a failure is reported, a missing row is not.
bool read_row(std::string_view select, std::int64_t key, SqlRecord& out,
              const FailureReport& report = report_in_sql_dialog);

// Sends prepared statements in one round trip (see PgConnection::exec_pipeline)
// and returns every result in order; nullopt once the first failure is reported.
std::optional<std::vector<PgResult>> run_pipeline(const std::vector<PgConnection::Call>& calls,
                                                  const FailureReport& report);

}  // namespace balcora::db
