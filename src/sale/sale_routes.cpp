#include "sale/sale_routes.h"

#include "ecf/printer.h"
#include "globals/globals.h"
#include "ui/environment.h"

namespace balcora::sale {

namespace {

SaleRoutes defaults() {
    SaleRoutes r;
    r.day_functions = [](std::string_view function) {
        report_not_available(function == "FechaCaixa" ? "Fechamento do caixa (FUNCOESMAQECF)"
                                                      : "Abertura do caixa (FUNCOESMAQECF)");
    };
    r.cash_movement = [] { report_not_available("Sangria/suprimento (TELA_SA_SU)"); };
    r.finalize_coupon = [](std::string_view mode) {
        report_not_available(mode == "Desc"   ? "Desconto no cupom (FINALIZACUPOM)"
                             : mode == "Acre" ? "Acréscimo no cupom (FINALIZACUPOM)"
                                              : "Pagamento do cupom (FINALIZACUPOM)");
        return 0;
    };
    r.cancel_coupon = [](bool) {
        report_not_available("Cancelamento de cupom fiscal");
        return false;
    };
    r.cancel_selected_coupon = [](std::int64_t) {
        report_not_available("Cancelamento de cupom fiscal");
        return false;
    };
    // Without the recovery a coupon left open stays open: the operator is told,
    // and the screen goes on with it rather than leave printer and screen apart.
    r.recover_open_coupon = [](bool card) {
        if (card) {
            report_not_available("Recuperação de transação TEF pendente");
            return true;
        }
        if (ecf::send(ecf::CMD_READ_COUPON_STATE) && glo::cf_aberto != 0)
            report_not_available("Cancelamento automático do cupom fiscal deixado em aberto");
        return true;
    };
    r.pre_sale = [] { report_not_available("Pré-venda (CONSULTAPV)"); };
    r.spool = [] { report_not_available("Spool ECF (SPOOLECF)"); };
    return r;
}

}  // namespace

SaleRoutes& sale_routes() {
    static SaleRoutes routes = defaults();
    return routes;
}

void reset_sale_routes() {
    sale_routes() = defaults();
}

void report_not_available(std::string_view what) {
    prompt().message("Aviso", std::string(what) + " ainda não disponível nesta versão.",
                     ui::Icon::kInformation);
}

}  // namespace balcora::sale
