#pragma once

#include "reports/sales_report.h"

#include <functional>
#include <optional>
#include <string>

namespace balcora::reports {

enum class SalesReportField { kModel, kFirst, kLast };

// "&Relatórios" → "&Movimento": a model and a period, "&Emitir" prints,
// "&Fechar" closes. The window stays open after a report so the next period
// or model can follow.
class SalesReportScreen {
  public:
    using Field = SalesReportField;
    // Sends a report to the output the operator picks; false when the
    // operator cancelled that choice, so nothing was printed.
    using Output = std::function<bool(const SalesReport&)>;
    static constexpr const char* kCaption = "Relatório de Movimento";
    // As the window lists them, model 1 first.
    static constexpr const char* kModels[] = {" Resumido", " Por Produto", " Movimentação (PAF) ",
                                              " Resumido(Texto) "};

    // Opens on the current month up to today.
    explicit SalesReportScreen(Output output);

    // "&Emitir": true when a report went to the output. A bad or reversed
    // period is refused with the focus on the field at fault.
    bool emit_report();
    // "&Fechar" or Esc.
    void close() { open_ = false; }

    bool is_open() const { return open_; }
    Field focus() const { return focus_; }
    // The report of the last "&Emitir", printed or not.
    const std::optional<SalesReport>& last_report() const { return last_; }

    int model = 1;      // 1..4
    std::string first;  // "Periodo de:" DD/MM/YYYY
    std::string last;   // "até"

  private:
    bool refuse(const char* text, Field field);

    Output output_;
    bool open_ = true;
    Field focus_ = Field::kFirst;
    std::optional<SalesReport> last_;
};

}  // namespace balcora::reports
