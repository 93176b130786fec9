#include "db/row_stream.h"

namespace balcora::db {

namespace {

int next_cursor_number() {
    static int n = 0;
    return ++n;
}

}  // namespace

RowStream::RowStream(std::string_view query, const FailureReport& report, int batch)
    : cursor_("balcora_rows_" + std::to_string(next_cursor_number())),
      query_(query),
      report_(report),
      batch_(batch > 0 ? batch : 1) {
    const std::string declare = "DECLARE " + cursor_ + " NO SCROLL CURSOR FOR " + query_;
    open_ = run_sql(declare, report_).has_value();
    failed_ = !open_;
    done_ = !open_;
}

RowStream::~RowStream() {
    // A failed fetch leaves the transaction aborted; the caller's ROLLBACK
    // drops the cursor with it.
    if (open_ && !failed_) run_sql("CLOSE " + cursor_, report_nothing);
}

bool RowStream::fetch() {
    auto r = run_sql("FETCH " + std::to_string(batch_) + " FROM " + cursor_,
                     [this](const SqlFailure& f, std::string_view) { report_(f, query_); });
    if (!r) {
        failed_ = true;
        done_ = true;
        return false;
    }
    batch_rows_ = std::move(*r);
    raw_ = batch_rows_.get();
    rows_ = batch_rows_.rows();
    row_ = 0;
    if (rows_ < batch_) done_ = true;
    return rows_ > 0;
}

bool RowStream::next() {
    if (failed_) return false;
    if (raw_ && row_ + 1 < rows_) {
        ++row_;
        return true;
    }
    if (done_) return false;
    return fetch();
}

}  // namespace balcora::db
