#pragma once

#include "db/pg_handles.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace balcora::db {

// A result walked one row at a time with columns C1 ... C24 read as text, the
// way free SQL hands its rows to callers. C1-C3 hold up to 254 characters,
// C4-C24 up to 79; columns past the 24th are not read. Values are views into
// the result and stay valid until the record is reused.
//
// Code that owns its query reads the current row by column name instead (the
// select list's names or aliases, any column of the result, values whole and
// typed). A name is looked up in the result once, then remembered until the
// next result. A name the result does not have is a fault of the program,
// not of the data: it throws std::out_of_range naming the column. Without a
// result (the statement failed) every column reads as NULL.
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

    // The column's text as stored; empty when there is no row or it is NULL.
    std::string_view text(std::string_view column) const {
        const int k = index_of(column);
        if (k < 0 || row_ >= rows_) return {};
        return {PQgetvalue(raw_, row_, k), static_cast<std::size_t>(PQgetlength(raw_, row_, k))};
    }
    // The text cut to at most max characters, as the shared record's columns
    // cut it, for readers whose output kept that width.
    std::string_view text(std::string_view column, std::size_t max) const {
        std::string_view v = text(column);
        return v.size() <= max ? v : cut_to_characters(v, max);
    }
    // True also when there is no row.
    bool is_null(std::string_view column) const;
    // The number before any decimals; 0 for NULL or a text that is not one.
    std::int64_t integer(std::string_view column) const;
    // Rounded half up to cents; 0 for NULL or a text that is not a number.
    util::Money money(std::string_view column) const;
    // A date column (YYYY-MM-DD); 0 for NULL.
    util::DayNumber day(std::string_view column) const;
    // A boolean column: true only for the server's "t".
    bool flag(std::string_view column) const { return text(column) == "t"; }

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
    // The result's index of a column name (from 0); -1 without a result (a
    // failed or cleared one, which has no columns to check); throws for a
    // name the result does not have.
    int index_of(std::string_view column) const;

    // Cuts a UTF-8 text to at most max characters without splitting one.
    static std::string_view cut_to_characters(std::string_view v, std::size_t max);

    PgResult result_;
    // Cached from the result: C() runs for every column of every row walked.
    PGresult* raw_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
    int row_ = 0;
    // The names read so far in this result and their indexes.
    mutable std::vector<std::pair<std::string, int>> names_;
};

// The shared result record of free SQL without a target.
SqlRecord& sql();

}  // namespace balcora::db
