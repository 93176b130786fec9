#include "blocox/printed_report.h"
#include "blocox/stock_xml.h"
#include "ui/environment.h"
#include "ui/screen_port.h"

namespace balcora::blocox {

void offer_stock_error_report(const StockErrors& errors) {
    if (errors.empty()) return;
    if (!prompt().confirm("Confirme?", "Erros no envio do bloco X deseja emitir relatório?"))
        return;
    PrintedReport report{"Relatórios erros Balcora ", "Erros Bloco X", "Produto / INCONSISTÊNCIA",
                         errors.report_lines(), false};
    if (!screens().show(report))
        prompt().message("Aviso", "Impressão de relatórios ainda não disponível nesta versão.",
                         ui::Icon::kWarning);
}

}  // namespace balcora::blocox
