#include "ecf/printer_window_gates.h"

#include "db/settings.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

#include <string>

namespace balcora::ecf {

bool printer_window_free(const CheckoutState& checkout) {
    if (checkout.jan_ecf_aberta == 0) return true;
    prompt().message("Aviso", kPrinterWindowOpen, ui::Icon::kWarning);
    return false;
}

bool blocox_blocked(bool only_from_start_date) {
    if (only_from_start_date && glo::dtenvredz > 0 && today() < glo::dtenvredz) return false;
    const std::string section = "PAF-ECF." + util::trim(glo::numfab);
    const bool blocked = registro_number(section, "ECF Bloqueado.BlocoX.RedZ", 0) == 1 ||
                         registro_number(section, "ECF Bloqueado.BlocoX.Estoque", 0) == 1;
    if (blocked) prompt().message("Aviso", kBlocoXBlocked, ui::Icon::kWarning);
    return blocked;
}

}  // namespace balcora::ecf
