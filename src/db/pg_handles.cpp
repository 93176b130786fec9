#include "db/pg_handles.h"

namespace balcora::db {

ExecStatusType PgResult::status() const {
    return r_ ? PQresultStatus(r_.get()) : PGRES_FATAL_ERROR;
}

bool PgResult::ok() const {
    auto s = status();
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK || s == PGRES_EMPTY_QUERY;
}

std::string_view PgResult::value(int row, int column) const {
    const PGresult* r = r_.get();
    return {PQgetvalue(r, row, column), static_cast<std::size_t>(PQgetlength(r, row, column))};
}

bool PgResult::is_null(int row, int column) const {
    return PQgetisnull(r_.get(), row, column) != 0;
}

static std::string trim_trailing_newlines(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

std::string PgResult::error_message() const {
    if (!r_) return "sem resultado";
    const char* primary = PQresultErrorField(r_.get(), PG_DIAG_MESSAGE_PRIMARY);
    if (primary) return primary;
    return trim_trailing_newlines(PQresultErrorMessage(r_.get()));
}

std::string PgResult::sqlstate() const {
    if (!r_) return {};
    const char* s = PQresultErrorField(r_.get(), PG_DIAG_SQLSTATE);
    return s ? s : "";
}

std::unique_ptr<PgConnection> PgConnection::open(const std::string& conninfo, std::string* error) {
    auto conn = std::make_unique<PgConnection>();
    conn->c_.reset(PQconnectdb(conninfo.c_str()));
    if (!conn->alive()) {
        if (error) *error = conn->c_ ? trim_trailing_newlines(PQerrorMessage(conn->c_.get())) : "";
        return nullptr;
    }
    PQsetClientEncoding(conn->c_.get(), "UTF8");
    return conn;
}

PgResult PgConnection::exec(std::string_view statement) {
    return PgResult(PQexec(c_.get(), std::string(statement).c_str()));
}

std::vector<PgResult> PgConnection::exec_pipeline(const std::vector<Call>& calls) {
    std::vector<PgResult> out;
    for (const Call& call : calls) {
        if (prepared_.contains(call.name)) continue;
        PgResult r(PQprepare(c_.get(), std::string(call.name).c_str(),
                             std::string(call.sql).c_str(), 0, nullptr));
        if (!r.ok()) {
            out.push_back(std::move(r));
            return out;
        }
        prepared_.emplace(call.name);
    }
    PGconn* c = c_.get();
    if (!PQenterPipelineMode(c)) {
        out.push_back(PgResult());
        return out;
    }
    bool sent = true;
    for (const Call& call : calls) {
        std::vector<const char*> values;
        for (const auto& p : call.params) values.push_back(p ? p->c_str() : nullptr);
        if (!PQsendQueryPrepared(c, std::string(call.name).c_str(), static_cast<int>(values.size()),
                                 values.data(), nullptr, nullptr, 0)) {
            sent = false;
            break;
        }
    }
    sent = PQpipelineSync(c) && sent;
    // Every result up to the sync is read, whatever happened, so the
    // connection leaves the pipeline clean.
    bool failed = !sent;
    for (;;) {
        PGresult* r = PQgetResult(c);
        if (!r) {
            if (PQpipelineStatus(c) == PQ_PIPELINE_OFF) break;
            continue;  // the end of one call's results
        }
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_PIPELINE_SYNC) {
            PQclear(r);
            break;
        }
        if (failed || status == PGRES_PIPELINE_ABORTED) {
            PQclear(r);
            continue;
        }
        out.emplace_back(r);
        if (!out.back().ok()) failed = true;
    }
    PQexitPipelineMode(c);
    if (!sent && (out.empty() || out.back().ok())) out.push_back(PgResult());
    return out;
}

std::string PgConnection::error_message() const {
    return c_ ? trim_trailing_newlines(PQerrorMessage(c_.get())) : std::string("sem conexão");
}

std::string conninfo_quote(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    out += '\'';
    return out;
}

}  // namespace balcora::db
