#pragma once

#include "db/pg_handles.h"
#include "db/sql_runner.h"

#include <string>
#include <string_view>

namespace balcora::db {

// Reads the rows of one query a batch at a time through a cursor, so a year
// of movement never sits in memory whole. Needs the process connection inside
// a transaction (the cursor lives until the transaction ends); the caller
// opens it. One stream at a time: the next statement may be sent only once
// this one has been read to its end or destroyed.
class RowStream {
  public:
    RowStream(std::string_view query, const FailureReport& report = report_in_sql_dialog,
              int batch = 4000);
    ~RowStream();
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;

    // Stands on the next row; false at the end or after a failure (reported).
    bool next();
    // Column k (from 0) of the current row as stored; empty for NULL.
    std::string_view value(int k) const {
        return {PQgetvalue(raw_, row_, k), static_cast<std::size_t>(PQgetlength(raw_, row_, k))};
    }
    bool is_true(int k) const { return value(k) == "t"; }
    int columns() const { return batch_rows_.columns(); }
    bool failed() const { return failed_; }

  private:
    bool fetch();

    std::string cursor_;
    std::string query_;
    FailureReport report_;
    int batch_;
    PgResult batch_rows_;
    PGresult* raw_ = nullptr;
    int rows_ = 0;
    int row_ = -1;
    bool open_ = false;
    bool done_ = false;
    bool failed_ = false;
};

}  // namespace balcora::db
