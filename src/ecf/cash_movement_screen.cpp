#include "ecf/cash_movement_screen.h"

#include "ecf/cash_day.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"

namespace balcora {

namespace ecf {

void CashMovementScreen::ok() {
    if (!open_) return;
    if (kind != "SA" && kind != "SU") {
        focus_ = Field::kKind;
        prompt().message("Aviso", "Informe o tipo: Sangria ou Suprimento.", ui::Icon::kWarning);
        return;
    }
    const auto value = util::parse_fixed<2>(amount);
    focus_ = Field::kAmount;
    if (!value || value->units() < 1) {
        prompt().beep();
        prompt().message("Aviso", "Informe o valor: um valor maior que zero.", ui::Icon::kWarning);
        return;
    }
    const CashMovement movement = kind == "SA" ? CashMovement::kWithdrawal : CashMovement::kSupply;
    if (!cash_movement(movement, *value)) {
        prompt().message("Aviso", "Valor inválido!", ui::Icon::kWarning);
        return;
    }
    std::string steps;
    Printer& ecf_printer = printer();
    if (ecf_printer.read_counters()) {
        steps = "05";
        if (ecf_printer.cash_movement(movement, *value)) {
            steps += "*22";
            done_ = true;
            if (ecf_printer.open_drawer()) steps += "*85";
        }
    }
    MaqecfRecord day;
    read_day_state(day);
    log_day_function("sup/sangria", day.data_sit,
                     (kind == "SA" ? "Sangria " : "Suprimento ") + steps + logged_amount(*value));
    if (done_) open_ = false;
}

}  // namespace ecf

bool TELA_SA_SU() {
    ecf::CashMovementScreen screen;
    if (!screens().show(screen)) {
        ecf::report_not_available("Sangria/suprimento");
        return false;
    }
    return screen.done();
}

}  // namespace balcora
