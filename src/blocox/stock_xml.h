#pragma once

#include "util/day_number.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace balcora {
struct MaqecfRecord;
}

namespace balcora::blocox {

// One stock period of balcora.estoquex.
struct StockPeriod {
    std::int32_t id_estoquex = 0;
    std::int32_t id_empresa = 0;
    // The first day of a month, or 31 December for the yearly inventory
    // (1 December is the monthly file of December).
    util::DayNumber periodo = 0;
    std::string sit_blocox;  // "P" pending, "T" transmitted, "A" accepted
    std::string rec_blocox;
    std::string lib_env;  // "S" released by the back office
};

// The yearly inventory row is dated 31 December.
bool is_yearly(const StockPeriod& period);
// The day whose inventory the period sends: the last day of its month.
util::DayNumber reference_day(const StockPeriod& period);
// "2025" for the yearly file, "03/2025" for a month, as the messages say it.
std::string period_label(const StockPeriod& period);

// <pafecf>/estoque<mmyyyy>.xml.
std::filesystem::path stock_xml_path(util::DayNumber periodo);

// Registration faults found while writing a stock file: each product and
// code once.
enum class StockFault { kNoProduct, kNoTaxSituation, kNoNcm, kNoCest };

struct StockError {
    std::int32_t id_produto = 0;
    StockFault fault = StockFault::kNoProduct;
    auto operator<=>(const StockError&) const = default;
};

// "PRO", "ST", "NCM", "CEST".
const char* fault_code(StockFault fault);
// "Produtos sem NCM cadastrado!" and the like, as the error report lists them.
const char* fault_text(StockFault fault);

class StockErrors {
  public:
    void add(std::int32_t id_produto, StockFault fault);
    bool empty() const { return entries_.empty(); }
    void clear() { entries_.clear(); }
    // Sorted by product, then by text, each once.
    std::vector<StockError> sorted() const;
    // One line per entry: product as 7 digits, " - ", the text.
    std::vector<std::string> report_lines() const;

  private:
    std::vector<StockError> entries_;
};

// Whether the back office produced the inventory of the period's reference
// day; nullopt when the query failed (shown).
std::optional<bool> inventory_exists(const StockPeriod& period);

// Writes the stock file of a period from the inventory of its reference day;
// faults of the products' registration go to `errors` (the file is written
// anyway). The path on success; nullopt after the failure was shown.
std::optional<std::filesystem::path> generate_stock_xml(const StockPeriod& period,
                                                        StockErrors& errors);

// Sends one period's file and stores the authority's answer; true when the
// period was transmitted. The transmission side supplies it.
using TransmitStockPeriod =
    std::function<bool(const StockPeriod& period, const std::filesystem::path& xml)>;
// Shows a line in the run's progress window.
using ShowProgress = std::function<void(const std::string& line)>;

struct StockRun {
    // The last period handled was transmitted (every due period went).
    bool last_transmitted = false;
    StockErrors errors;
};

// The stock run of the "EnviarEstoque" action for the printer's company:
// makes last year's inventory due, then, period by period in date order,
// checks the inventory (with its grace days), writes the file, checks the
// release and the registration, and transmits; the first problem stops the
// run (shown, except inside the grace days).
StockRun run_stock_periods(const MaqecfRecord& printer, const TransmitStockPeriod& transmit,
                           const ShowProgress& progress);

// After a run with registration faults: asks whether to print the error
// report and prints it on Yes.
void offer_stock_error_report(const StockErrors& errors);

}  // namespace balcora::blocox
