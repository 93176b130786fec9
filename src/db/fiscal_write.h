#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace balcora::db {

// BEGIN on construction; ROLLBACK on destruction unless committed. A fiscal
// row is never committed unless everything after it, the printer last, agreed.
class Transaction {
  public:
    Transaction();
    // The caller's first statement text starts with "BEGIN;" itself, saving
    // a round trip; from here on the transaction is ours to end.
    struct BegunByCaller {};
    explicit Transaction(BegunByCaller) : open_(true) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool begun() const { return open_; }
    bool commit();
    void rollback();

  private:
    bool open_ = false;
};

// Work done inside the row's transaction once the row exists with its hash
// (for a coupon, the printer command). False rolls everything back.
using DependentWork = std::function<bool(std::int64_t id)>;

// Writes one fiscal row: BEGIN, the INSERT (the identity column is filled by
// the table's sequence), the new id read back with currval, the row re-read
// by its key, its hash stored, the dependent work, and COMMIT only when all
// of it succeeded. Returns the new id, or 0 when nothing was committed.
std::int64_t write_fiscal_row(std::string_view table, std::string_view insert_statement,
                              const DependentWork& dependent_work = {});

}  // namespace balcora::db
