#pragma once

#include "db/pg_handles.h"

#include <memory>
#include <string>
#include <string_view>

// The printer's own connection to the program's database, through which it
// keeps the day state of its maqecf row and writes the reductions (reg60m,
// reg60a). Opened from glo::string_conexao, reopened when that text changes
// or the link dropped.
namespace balcora::vecf {

class Database {
  public:
    // The connection; throws Refusal when the database cannot be reached.
    db::PgConnection& connection();
    // Runs a statement; a failure throws Refusal "Erro (<text>) ao <what>".
    db::PgResult run(std::string_view sql, std::string_view what);
    // The first column of the first row, empty when there is none.
    std::string value(std::string_view sql, std::string_view what);
    // Ends a transaction left open, without ever throwing.
    void abort() noexcept;

  private:
    // The program's connection string the connection was opened from.
    std::string connection_string_;
    std::unique_ptr<db::PgConnection> conn_;
};

// BEGIN now; ROLLBACK unless commit() was called.
class DbTransaction {
  public:
    explicit DbTransaction(Database& db);
    ~DbTransaction();
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;
    // Throws Refusal when the server refuses the COMMIT.
    void commit();

  private:
    Database& db_;
    bool open_ = true;
};

}  // namespace balcora::vecf
