#include "sale/called_procedures.h"

#include "sale/coupon_cancellation.h"
#include "sale/open_coupon_recovery.h"
#include "ui/environment.h"

#include <optional>
#include <string>

namespace balcora::sale {

namespace {

std::optional<int> run(std::string_view name, ui::ScreenPort::Arguments args = {}) {
    return screens().run(name, args);
}

}  // namespace

void run_day_functions(std::string_view function) {
    if (!run("FUNCOESMAQECF", {std::string(function)}))
        report_not_available(function == "FechaCaixa" ? "Fechamento do caixa (FUNCOESMAQECF)"
                                                      : "Abertura do caixa (FUNCOESMAQECF)");
}

void run_cash_movement() {
    if (!run("TELA_SA_SU")) report_not_available("Sangria/suprimento (TELA_SA_SU)");
}

int run_finalize_coupon(std::string_view mode) {
    if (auto r = run("FINALIZACUPOM", {std::string(mode)})) return *r;
    report_not_available(mode == "Desc"   ? "Desconto no cupom (FINALIZACUPOM)"
                         : mode == "Acre" ? "Acréscimo no cupom (FINALIZACUPOM)"
                                          : "Pagamento do cupom (FINALIZACUPOM)");
    return 0;
}

bool run_cancel_coupon(bool coupon_open, std::int64_t id_cfiscal) {
    if (auto r = run("CANCELACUPOM", {coupon_open ? "1" : "0", std::to_string(id_cfiscal)}))
        return *r != 0;
    report_not_available("Cancelamento de cupom fiscal");
    return false;
}

bool run_cancel_selected_coupon(std::int64_t id_cfiscal) {
    if (auto r = run("CANCELACUPOMSELECIONADO", {std::to_string(id_cfiscal)})) return *r != 0;
    report_not_available("Cancelamento de cupom fiscal");
    return false;
}

bool run_recover_open_coupon(bool card) {
    if (auto r = run("RECUPERACUPOMABERTO",
                     card ? ui::ScreenPort::Arguments{"TEF"} : ui::ScreenPort::Arguments{}))
        return *r != 0;
    return card ? recover_card_coupon_after_failure() : recover_open_coupon_after_failure();
}

void run_pre_sale() {
    if (!run("CONSULTAPV")) report_not_available("Pré-venda (CONSULTAPV)");
}

void run_spool() {
    if (!run("SPOOLECF")) report_not_available("Spool ECF (SPOOLECF)");
}

void run_order_return(std::int64_t id_cfiscal) {
    run("RETORNAPEDIDO", {std::to_string(id_cfiscal)});
}

void report_not_available(std::string_view what) {
    prompt().message("Aviso", std::string(what) + " ainda não disponível nesta versão.",
                     ui::Icon::kInformation);
}

}  // namespace balcora::sale
