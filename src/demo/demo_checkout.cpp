#include "demo/demo_checkout.h"

#include "db/settings.h"
#include "demo/demo_data.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "globals/globals.h"
#include "sale/sale_gates.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

bool day_open_today() {
    MaqecfRecord row;
    return ecf::load_maqecf_by_serial(util::trim(glo::numfab), row) &&
           util::trim(row.situacao) == "A" && row.data_sit == today();
}

bool open_printer_day() {
    if (day_open_today()) return true;
    ecf::Printer& printer = ecf::printer();
    const auto z_pending = printer.read_z_pending();
    if (!z_pending) return false;
    if (*z_pending) {
        // The reduction goes into the day's books as a day close puts it,
        // or it would never be sent and the next one would break the chain
        // of grand totals the authority follows.
        if (!printer.z_reduction() || !printer.record_reg60m()) return false;
        printer.forget_z_pending();
    }
    if (!printer.open_day(util::Money{})) return false;
    if (day_open_today()) return true;
    prompt().message("Erro",
                     "A impressora abriu o dia, mas a Máquina ECF não ficou aberta para hoje.",
                     ui::Icon::kError);
    return false;
}

}  // namespace

bool prepare_demo_checkout() {
    if (read_ini_number("PDV", "Configuração OK", 0, "balcora.ini") != 1 &&
        !write_ini("PDV", "Configuração OK", "1", "balcora.ini")) {
        prompt().message("Erro",
                         "Erro ao gravar o arquivo " + data_root().ini_file("balcora.ini").string(),
                         ui::Icon::kError);
        return false;
    }
    // The checkout of the demonstration is the Quick Sale; a choice already
    // made is kept.
    if (LEREGISTRO("balcora", "PAF-ECF", "QuickSale", "\x01") == "\x01" &&
        !GRAVAREGISTRO("balcora", "PAF-ECF", "QuickSale", "1"))
        return false;

    if (util::trim(glo::numfab).empty()) glo::numfab = demo::kPrinterSerial;
    // The port is opened as a sale window does: the printer puts right a day
    // state that a crash left behind.
    if (!ecf::printer().open_port()) return false;
    const bool ok = open_printer_day();
    ecf::printer().close_port();
    return ok;
}

}  // namespace balcora::sale
