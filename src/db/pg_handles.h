#pragma once

#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::db {

// One PGresult, cleared when the owner goes.
class PgResult {
  public:
    PgResult() = default;
    explicit PgResult(PGresult* r) : r_(r) {}
    // A failed result made here rather than by the server (a lost connection).
    static PgResult failure(std::string message, std::string sqlstate);

    explicit operator bool() const { return r_ != nullptr; }
    PGresult* get() const { return r_.get(); }

    ExecStatusType status() const;
    // Command or tuples returned without error.
    bool ok() const;
    int rows() const { return r_ ? PQntuples(r_.get()) : 0; }
    int columns() const { return r_ ? PQnfields(r_.get()) : 0; }
    std::string_view value(int row, int column) const;
    bool is_null(int row, int column) const;
    std::string error_message() const;
    // The five-character SQLSTATE, empty when there is none.
    std::string sqlstate() const;

  private:
    struct Clear {
        void operator()(PGresult* r) const { PQclear(r); }
    };
    std::unique_ptr<PGresult, Clear> r_;
    std::string message_;
    std::string sqlstate_;
};

// One libpq connection, closed when the owner goes.
//
// A connection the server dropped (a restart, a power blip on the server's
// side) is made again, once per statement, with the same parameters (and a
// connection timeout of 5 seconds unless they give one), and the
// session settings sent on it so far (plain "SET name ..." statements) are
// sent again. A statement that found the connection idle is then run again:
// it was its own transaction, and the server rolled it back when the
// connection went. Inside an open transaction nothing is run again: the
// server has rolled the transaction back, so the statement fails, and so does
// every later one until the caller ends the transaction (ROLLBACK succeeds,
// COMMIT fails), as the server does with a transaction in error.
class PgConnection {
  public:
    // Returns null and fills *error with the server's or libpq's text on failure.
    static std::unique_ptr<PgConnection> open(const std::string& conninfo, std::string* error);

    PGconn* get() const { return c_.get(); }
    bool alive() const { return c_ && PQstatus(c_.get()) == CONNECTION_OK; }
    PgResult exec(std::string_view statement);
    // One statement with the text values of its parameters ($1, $2, ...;
    // nullopt is NULL), sent apart from it: no value needs quoting, and a
    // backslash or an apostrophe reaches the server as it is. The same
    // recovery of a dropped connection as above.
    using Params = std::vector<std::optional<std::string>>;
    PgResult exec(std::string_view statement, const Params& params);
    std::string error_message() const;
    // Times the connection was made again since it was opened.
    int reconnections() const { return reconnections_; }

    // A statement prepared once per connection under its name, and the text
    // values of its parameters ($1, $2, ...; nullopt is NULL).
    struct Call {
        std::string_view name;
        std::string_view sql;
        std::vector<std::optional<std::string>> params;
    };
    // Sends the calls in one round trip (libpq's pipeline) and returns their
    // results in order. The first that fails ends the list: its result is
    // the last one returned. Parameters travel apart from the statement, so
    // no value needs quoting.
    std::vector<PgResult> exec_pipeline(const std::vector<Call>& calls);

  private:
    enum class Broken { kNo, kRetry, kFailed, kTransactionLost, kRolledBack, kCommitUnknown };
    // After a failed statement: whether the connection was lost, and what
    // was done about it (the new connection's fate and the statement's).
    Broken recover(bool was_in_transaction, std::string_view statement);
    PgResult broken_result(Broken what) const;
    PgResult refuse_in_lost_transaction(std::string_view statement);
    void remember_session_setting(std::string_view statement);
    std::vector<PgResult> run_pipeline(const std::vector<Call>& calls);

    std::string conninfo_;
    std::set<std::string, std::less<>> prepared_;
    // Name and statement of each session setting, in the order first sent.
    std::vector<std::pair<std::string, std::string>> session_settings_;
    bool transaction_lost_ = false;
    int reconnections_ = 0;
    std::string reconnect_error_;
    struct Finish {
        void operator()(PGconn* c) const { PQfinish(c); }
    };
    std::unique_ptr<PGconn, Finish> c_;
};

// Tests only: called after each statement (or pipelined batch) that left the
// connection outside any transaction having committed something (a COMMIT,
// or a write that was its own transaction): the moments when the database
// took a new state for good, so a test can kill the process right there.
// Null removes it.
using DurablePointHook = void (*)();
void set_durable_point_hook(DurablePointHook hook);

// Quotes a value for a libpq conninfo string ('it''s' style escapes).
std::string conninfo_quote(std::string_view value);

}  // namespace balcora::db
