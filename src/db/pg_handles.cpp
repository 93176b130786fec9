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
