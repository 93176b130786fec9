#include "db/pg_handles.h"
#include "db/durable_point.h"

#include <cctype>

namespace balcora::db {

namespace {

std::string_view trim_blanks(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.back())) || s.back() == ';'))
        s.remove_suffix(1);
    return s;
}

// The statement begins with the keyword (any case) followed by a blank, a
// semicolon or nothing.
bool begins_with_word(std::string_view s, std::string_view word) {
    s = trim_blanks(s);
    if (s.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != word[i]) return false;
    return s.size() == word.size() || !std::isalnum(static_cast<unsigned char>(s[word.size()]));
}

DurablePointHook durable_point_hook = nullptr;

// What the server reports for a statement that changed data: COMMIT and the
// writes (a SELECT, SET, ROLLBACK or BEGIN did not).
bool wrote(const PgResult& r) {
    const std::string_view status = r ? PQcmdStatus(r.get()) : "";
    for (std::string_view word : {"COMMIT", "INSERT", "UPDATE", "DELETE", "COPY", "MERGE"})
        if (status.starts_with(word)) return true;
    return false;
}

bool commits(std::string_view s) {
    return begins_with_word(s, "commit") || begins_with_word(s, "end");
}

// ROLLBACK TO a savepoint leaves the transaction open.
bool rolls_back(std::string_view s) {
    s = trim_blanks(s);
    if (begins_with_word(s, "abort")) return true;
    if (!begins_with_word(s, "rollback")) return false;
    return !begins_with_word(s.substr(8), "to");
}

bool in_transaction(PGconn* c) {
    const PGTransactionStatusType t = PQtransactionStatus(c);
    return t == PQTRANS_ACTIVE || t == PQTRANS_INTRANS || t == PQTRANS_INERROR;
}

}  // namespace

PgResult PgResult::failure(std::string message, std::string sqlstate) {
    PgResult r(PQmakeEmptyPGresult(nullptr, PGRES_FATAL_ERROR));
    r.message_ = std::move(message);
    r.sqlstate_ = std::move(sqlstate);
    return r;
}

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
    if (!message_.empty()) return message_;
    if (!r_) return "sem resultado";
    const char* primary = PQresultErrorField(r_.get(), PG_DIAG_MESSAGE_PRIMARY);
    if (primary) return primary;
    return trim_trailing_newlines(PQresultErrorMessage(r_.get()));
}

std::string PgResult::sqlstate() const {
    if (!sqlstate_.empty()) return sqlstate_;
    if (!r_) return {};
    const char* s = PQresultErrorField(r_.get(), PG_DIAG_SQLSTATE);
    return s ? s : "";
}

std::unique_ptr<PgConnection> PgConnection::open(const std::string& conninfo, std::string* error) {
    auto conn = std::make_unique<PgConnection>();
    conn->c_.reset(PQconnectdb(conninfo.c_str()));
    conn->conninfo_ = conninfo;
    if (!conn->alive()) {
        if (error) *error = conn->c_ ? trim_trailing_newlines(PQerrorMessage(conn->c_.get())) : "";
        return nullptr;
    }
    PQsetClientEncoding(conn->c_.get(), "UTF8");
    return conn;
}

PgResult PgConnection::exec(std::string_view statement) {
    if (transaction_lost_) return refuse_in_lost_transaction(statement);
    const std::string text(statement);
    const bool was_in_transaction = in_transaction(c_.get());
    PgResult r(PQexec(c_.get(), text.c_str()));
    if (r.ok()) {
        remember_session_setting(statement);
        if (durable_point_hook && !in_transaction(c_.get()) && wrote(r)) durable_point_hook();
        return r;
    }
    const Broken what = recover(was_in_transaction, statement);
    if (what == Broken::kNo) return r;
    if (what != Broken::kRetry) return broken_result(what);
    PgResult again(PQexec(c_.get(), text.c_str()));
    if (again.ok()) remember_session_setting(statement);
    return again;
}

PgResult PgConnection::exec(std::string_view statement, const Params& params) {
    if (transaction_lost_) return refuse_in_lost_transaction(statement);
    const std::string text(statement);
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params) values.push_back(p ? p->c_str() : nullptr);
    auto send = [&] {
        return PgResult(PQexecParams(c_.get(), text.c_str(), static_cast<int>(values.size()),
                                     nullptr, values.data(), nullptr, nullptr, 0));
    };
    const bool was_in_transaction = in_transaction(c_.get());
    PgResult r = send();
    if (r.ok()) {
        if (durable_point_hook && !in_transaction(c_.get()) && wrote(r)) durable_point_hook();
        return r;
    }
    const Broken what = recover(was_in_transaction, statement);
    if (what == Broken::kNo) return r;
    if (what != Broken::kRetry) return broken_result(what);
    return send();
}

PgConnection::Broken PgConnection::recover(bool was_in_transaction, std::string_view statement) {
    if (!c_ || PQstatus(c_.get()) != CONNECTION_BAD) return Broken::kNo;
    // A server that does not answer must not hold every statement for the
    // system's TCP timeout.
    std::string conninfo = conninfo_;
    if (conninfo.find("connect_timeout") == std::string::npos &&
        conninfo.find("://") == std::string::npos)
        conninfo += " connect_timeout=5";
    PGconn* fresh = PQconnectdb(conninfo.c_str());
    const bool back = PQstatus(fresh) == CONNECTION_OK;
    if (back) {
        c_.reset(fresh);
        prepared_.clear();
        ++reconnections_;
        reconnect_error_.clear();
        PQsetClientEncoding(c_.get(), "UTF8");
        for (const auto& setting : session_settings_)
            PQclear(PQexec(c_.get(), setting.second.c_str()));
    } else {
        reconnect_error_ = fresh ? trim_trailing_newlines(PQerrorMessage(fresh)) : "sem memória";
        PQfinish(fresh);
    }
    if (!was_in_transaction) return back ? Broken::kRetry : Broken::kFailed;
    // The server rolls back what a dropped connection left open.
    if (rolls_back(statement)) return Broken::kRolledBack;
    if (commits(statement)) return Broken::kCommitUnknown;
    transaction_lost_ = true;
    return Broken::kTransactionLost;
}

PgResult PgConnection::broken_result(Broken what) const {
    const std::string after =
        reconnect_error_.empty() ? "." : "; nova conexão falhou: " + reconnect_error_;
    switch (what) {
        case Broken::kRolledBack:
            return PgResult(PQmakeEmptyPGresult(nullptr, PGRES_COMMAND_OK));
        case Broken::kCommitUnknown:
            return PgResult::failure(
                "A conexão com o banco de dados caiu durante o COMMIT: não se sabe se a "
                "transação foi gravada" +
                    after,
                "40003");
        case Broken::kTransactionLost:
            return PgResult::failure(
                "A conexão com o banco de dados caiu durante uma transação, que foi desfeita" +
                    after,
                "08006");
        default:
            return PgResult::failure("A conexão com o banco de dados caiu" + after, "08006");
    }
}

PgResult PgConnection::refuse_in_lost_transaction(std::string_view statement) {
    if (rolls_back(statement)) {
        transaction_lost_ = false;
        return PgResult(PQmakeEmptyPGresult(nullptr, PGRES_COMMAND_OK));
    }
    if (commits(statement)) {
        transaction_lost_ = false;
        return PgResult::failure(
            "A conexão com o banco de dados caiu durante a transação, que foi desfeita: nada "
            "foi gravado.",
            "08006");
    }
    return PgResult::failure(
        "A transação foi desfeita quando a conexão com o banco de dados caiu; comandos "
        "ignorados até o fim da transação.",
        "25P02");
}

void PgConnection::remember_session_setting(std::string_view statement) {
    std::string_view s = trim_blanks(statement);
    if (!begins_with_word(s, "set") || s.find(';') != std::string_view::npos) return;
    std::string_view rest = trim_blanks(s.substr(3));
    if (begins_with_word(rest, "local") || begins_with_word(rest, "transaction") ||
        begins_with_word(rest, "constraints"))
        return;
    // A SET inside a transaction is undone with it when the transaction fails.
    if (PQtransactionStatus(c_.get()) != PQTRANS_IDLE) return;
    std::string name;
    for (char ch : rest) {
        if (std::isspace(static_cast<unsigned char>(ch)) || ch == '=') break;
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    for (auto& setting : session_settings_)
        if (setting.first == name) {
            setting.second = std::string(statement);
            return;
        }
    session_settings_.emplace_back(std::move(name), std::string(statement));
}

std::vector<PgResult> PgConnection::exec_pipeline(const std::vector<Call>& calls) {
    if (transaction_lost_) {
        std::vector<PgResult> out;
        out.push_back(refuse_in_lost_transaction({}));
        return out;
    }
    const bool was_in_transaction = in_transaction(c_.get());
    std::vector<PgResult> out = run_pipeline(calls);
    if (!out.empty() && out.back().ok() && durable_point_hook && !in_transaction(c_.get()) &&
        wrote(out.back()))
        durable_point_hook();
    if (out.empty() || out.back().ok()) return out;
    const Broken what = recover(was_in_transaction, {});
    if (what == Broken::kNo) return out;
    if (what == Broken::kRetry) return run_pipeline(calls);
    out.back() = broken_result(what);
    return out;
}

std::vector<PgResult> PgConnection::run_pipeline(const std::vector<Call>& calls) {
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
            if (PQstatus(c) == CONNECTION_BAD) {
                sent = false;
                break;
            }
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

void set_durable_point_hook(DurablePointHook hook) {
    durable_point_hook = hook;
}

void note_durable_point() {
    if (durable_point_hook) durable_point_hook();
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
