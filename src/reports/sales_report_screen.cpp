#include "reports/sales_report_screen.h"

#include "ui/environment.h"
#include "ui/prompt_port.h"

namespace balcora::reports {

SalesReportScreen::SalesReportScreen(Output output) : output_(std::move(output)) {
    const util::DayNumber today = balcora::today();
    const util::CivilDate c = util::civil_date(today);
    first = util::br_date(util::day_number(c.year, c.month, 1));
    last = util::br_date(today);
}

bool SalesReportScreen::refuse(const char* text, Field field) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
    focus_ = field;
    return false;
}

bool SalesReportScreen::emit_report() {
    if (model < 1 || model > 4) return refuse("Escolha o modelo do relatório.", Field::kModel);
    const util::DayNumber from = util::parse_br_date(first);
    if (from <= 0) return refuse("Data inicial inválida!", Field::kFirst);
    const util::DayNumber to = util::parse_br_date(last);
    if (to <= 0) return refuse("Data final inválida!", Field::kLast);
    if (to < from) return refuse("A data final é anterior à inicial!", Field::kLast);
    last_ = build_sales_report(static_cast<SalesReportModel>(model), from, to, clock().now());
    if (!last_) return false;
    focus_ = Field::kModel;
    return output_ && output_(*last_);
}

}  // namespace balcora::reports
