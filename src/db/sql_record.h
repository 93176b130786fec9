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
    std::string_view C(int k) const;
    bool is_null(int k) const;

    // Fetches the next row; false when there is none.
    bool next();
    bool has_row() const { return row_ >= 0 && row_ < result_.rows(); }
    int column_count() const;
    int row_count() const { return result_.rows(); }

    // Drops the pending rows (the record is empty until the next statement).
    void clear();
    // Takes a fresh result and stands on its first row, if any.
    void load(PgResult result);

private:
    PgResult result_;
    int row_ = -1;
};

// The shared result record of free SQL without a target.
SqlRecord& sql();

}  // namespace balcora::db
