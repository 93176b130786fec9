#pragma once

#include "db/pg_handles.h"

#include <string_view>

namespace balcora::db {

// A result walked one row at a time with columns C1 ... C24 read as text, the
// way free SQL hands its rows to callers. C1-C3 hold up to 254 characters,
// C4-C24 up to 79; columns past the 24th are not read. Values are views into
// the result and stay valid until the record is reused.
class SqlRecord {
  public:
    static constexpr int kColumns = 24;

    // Column k (1-based) of the current row; empty when there is no row, the
    // column is NULL or past the result's columns.
    std::string_view C(int k) const {
        if (k < 1 || k > columns_ || row_ >= rows_) return {};
        const char* v = PQgetvalue(raw_, row_, k - 1);
        std::size_t n = static_cast<std::size_t>(PQgetlength(raw_, row_, k - 1));
        std::size_t max = k <= 3 ? 254 : 79;
        return n <= max ? std::string_view(v, n) : cut_to_characters({v, n}, max);
    }
    bool is_null(int k) const;
    // Column k of the current row as stored, for readers that show values
    // whole (a technician's console): no width, and any column of the result.
    std::string_view whole(int k) const {
        if (k < 1 || k > result_columns() || row_ >= rows_) return {};
        return {PQgetvalue(raw_, row_, k - 1),
                static_cast<std::size_t>(PQgetlength(raw_, row_, k - 1))};
    }
    int result_columns() const { return raw_ ? PQnfields(raw_) : 0; }

    // Fetches the next row; false when there is none.
    bool next() {
        if (row_ < rows_) ++row_;
        return row_ < rows_;
    }
    bool has_row() const { return row_ < rows_; }
    // Columns readable through C(), at most 24.
    int column_count() const { return columns_; }
    int row_count() const { return rows_; }

    // Drops the pending rows (the record is empty until the next statement).
    void clear();
    // Takes a fresh result and stands on its first row, if any.
    void load(PgResult result);

  private:
    // Cuts a UTF-8 text to at most max characters without splitting one.
    static std::string_view cut_to_characters(std::string_view v, std::size_t max);

    PgResult result_;
    // Cached from the result: C() runs for every column of every row walked.
    PGresult* raw_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
    int row_ = 0;
};

// The shared result record of free SQL without a target.
SqlRecord& sql();

}  // namespace balcora::db
