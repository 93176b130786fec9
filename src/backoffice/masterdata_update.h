#pragma once

#include "backoffice/masterdata_options.h"

#include <functional>
#include <string>
#include <vector>

namespace balcora::backoffice {

// Rows one table of the update inserted and updated.
struct TableResult {
    std::string table;
    long long inserted = 0;
    long long updated = 0;
};

// Copies the checkout's master data from the back office through the link,
// in one local transaction: municipalities, company, fiscal printer,
// products with their barcodes, compositions, sellers and clients, in that
// order. Each table is fetched whole in one linked query and written with a
// few set-wise statements; a failing step rolls everything back, so the
// checkout keeps the data of the last good update.
class MasterDataUpdate {
  public:
    using Status = std::function<void(const std::string&)>;

    // The printer's serial number (glo::numfab) picks the company's row.
    MasterDataUpdate(MasterDataOptions options, std::string printer_serial, Status status = {});

    // Connects, copies, commits (dt_atual moved to today) or rolls back, and
    // tells the operator the outcome. True only when committed.
    bool run();

    const std::vector<TableResult>& results() const { return results_; }
    double elapsed_seconds() const { return elapsed_; }
    // The step that failed, empty after success.
    const std::string& failed_step() const { return failed_step_; }

  private:
    bool connect();
    bool copy_all();
    bool municipalities();
    bool company();
    bool printer();
    bool products();
    bool warn_missing_tax_rates();
    bool product_barcodes();
    bool compositions();
    bool sellers();
    bool clients();

    // Runs a local statement (or a linked one wrapped in it); a failure shows
    // the server's text, the step and the statement, and fails the update.
    bool step(const std::string& statement);
    // Fetches a back-office query through the link into a temporary table of
    // text columns.
    bool fetch(const std::string& temp, const std::string& select,
               const std::vector<std::string>& columns);
    // Runs an upsert that answers (inserted, updated) and adds them up.
    bool count_into(const std::string& statement, TableResult& result);
    std::string change_filter(const std::string& column) const;
    // Only what changed since the last update: asked for, and there was one.
    bool changes_only() const;
    std::string since_literal() const;
    void begin_table(const std::string& name);
    TableResult& current() { return results_.back(); }

    MasterDataOptions options_;
    std::string serial_;
    Status status_;
    std::string step_name_;
    std::string failed_step_;
    std::vector<TableResult> results_;
    double elapsed_ = 0;
};

}  // namespace balcora::backoffice
