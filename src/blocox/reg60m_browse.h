#pragma once

#include "util/day_number.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace balcora::blocox {

// One line of the Z-reduction list, as shown.
struct Reg60mLine {
    std::int32_t id_reg60m = 0;
    std::string data;       // dd/mm/yyyy
    std::string num_serie;  // the printer's
    std::string crz;
    std::string venda_bruta;  // 1.234,56
    std::string situacao;     // state text of sit_blocox
    std::string data_envio;   // dd/mm/yyyy
    std::string hora_envio;   // hh:mm:ss
};

// BROWSEREG60M, "Envio da Redução Z - Bloco X": the Z reductions of a
// period with their Bloco X state, by id or by day.
class Reg60mBrowse {
  public:
    static constexpr const char* kTitle = "Envio da Redução Z - Bloco X";
    static constexpr const char* kRights = "BrowseReg60m";
    enum class Order { kId, kDay };

    // From the first day of last month to today.
    Reg60mBrowse();

    util::DayNumber from() const { return from_; }
    util::DayNumber to() const { return to_; }
    // False (shown) when a date is missing or the end comes before the start.
    bool set_period(util::DayNumber from, util::DayNumber to);
    Order order() const { return order_; }
    void set_order(Order order) { order_ = order; }

    // Reads the list again; false when the query failed (shown).
    bool reload();
    const std::vector<Reg60mLine>& lines() const { return lines_; }

    // Asks the authority about every transmitted reduction, then reloads.
    void query_authority();
    // Asks the authority about one reduction: the state of its receipt (an
    // accepted one is marked so) and the receipt's history, shown in one
    // message; then reloads. `wait` is called while the client runs.
    void ask_authority(std::int32_t id_reg60m, const std::function<void()>& wait = {});

  private:
    util::DayNumber from_ = 0;
    util::DayNumber to_ = 0;
    Order order_ = Order::kDay;
    std::vector<Reg60mLine> lines_;
};

}  // namespace balcora::blocox
