#include "ecf/reg60m_recovery_screen.h"

#include "ecf/fiscal_printer.h"
#include "ui/environment.h"
#include "util/day_number.h"

namespace balcora::ecf {

void Reg60mRecoveryScreen::ok() {
    if (!open_) return;
    const util::DayNumber from = util::parse_br_date(start);
    const util::DayNumber to = util::parse_br_date(end);
    if (from <= 0) {
        focus_ = Field::kStart;
        prompt().message("Aviso", "Informe a data inicial do período!", ui::Icon::kWarning);
        return;
    }
    if (to < from) {
        focus_ = Field::kEnd;
        prompt().message("Aviso", "Data final inválida!", ui::Icon::kWarning);
        return;
    }
    if (!printer().recover_reg60m(from, to)) return;
    open_ = false;
}

}  // namespace balcora::ecf
