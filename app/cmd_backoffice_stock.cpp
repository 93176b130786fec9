#include "app/commands.h"
#include "backoffice/stock_export.h"
#include "db/record_hash.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "shell/startup.h"
#include "util/text.h"

#include <cstdio>
#include <string>

namespace balcora::app {

// The stock export of "Atualizar Estoque" without its window, for a
// scheduler: what the checkout sold since the last export that reached the
// back office goes again whole, so a run after the back office was away
// catches up, and runs that fail lose nothing. Exit 0 only when the back
// office holds it all.
int run_backoffice_stock(CommandLine& cl) {
    auto fail = [](const std::string& text) {
        std::fprintf(stderr, "balcora backoffice stock: %s\n", text.c_str());
        return 1;
    };
    if (cl.args.size() != 1) {
        std::fputs("Uso: balcora [--root PASTA] backoffice stock\n", stderr);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    // The products' balances come back sealed, as at the program's start.
    DEFINEHASH();
    const auto company = shell::find_active_company();
    if (!company) return fail("não há empresa ativa");
    glo::id_empresa = company->id;
    glo::id_empmatriz = company->head_office;
    // The printer whose number keys this checkout's movements, as at start.
    if (!LEARQAUXILIAR() || util::trim(glo::numfab).empty())
        return fail("impressora fiscal não autorizada");
    backoffice::StockExportScreen screen(backoffice::ExportMode::kAutomatic);
    screen.open();
    if (!screen.settings.automatic) return fail("atualização de estoque desativada");
    const std::string from = util::iso_date(backoffice::stock_export_start());
    if (!screen.run()) return fail("estoque não atualizado; nada se perdeu, tente de novo");
    std::printf("Estoque atualizado na retaguarda a partir de %s.\n", from.c_str());
    return 0;
}

}  // namespace balcora::app
