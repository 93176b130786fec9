#include "sale/called_procedures.h"

#include "globals/checkout_state.h"
#include "sale/coupon_procedures.h"
#include "ui/environment.h"

#include <string>

namespace balcora::sale {

void run_day_functions(std::string_view function) {
    if (!screens().open(ui::Window::kCashDayFunctions, {std::string(function)}))
        report_not_available(function == "FechaCaixa" ? "Fechamento do caixa (FUNCOESMAQECF)"
                                                      : "Abertura do caixa (FUNCOESMAQECF)");
}

void run_cash_movement() {
    if (!screens().open(ui::Window::kCashMovement))
        report_not_available("Sangria/suprimento (TELA_SA_SU)");
}

int run_finalize_coupon(std::string_view mode) {
    if (auto r = screens().open(ui::Window::kPayment, {std::string(mode)})) return *r;
    report_not_available(mode == "Desc"   ? "Desconto no cupom (FINALIZACUPOM)"
                         : mode == "Acre" ? "Acréscimo no cupom (FINALIZACUPOM)"
                                          : "Pagamento do cupom (FINALIZACUPOM)");
    return 0;
}

bool run_cancel_coupon(CheckoutState& checkout, bool coupon_open, std::int64_t id_cfiscal) {
    return coupon_procedures().cancel_coupon(checkout, coupon_open, id_cfiscal);
}

bool run_cancel_selected_coupon(CheckoutState& checkout, std::int64_t id_cfiscal) {
    return coupon_procedures().cancel_selected_coupon(checkout, id_cfiscal);
}

bool run_recover_open_coupon(CheckoutState& checkout, bool card) {
    return coupon_procedures().recover_open_coupon(checkout, card);
}

void run_pre_sale() {
    if (!screens().open(ui::Window::kPreSales)) report_not_available("Pré-venda (CONSULTAPV)");
}

void run_spool() {
    if (!screens().open(ui::Window::kPrintSpool)) report_not_available("Spool ECF (SPOOLECF)");
}

void run_order_return(std::int64_t id_cfiscal) {
    if (BackOfficeOrders* orders = services().find<BackOfficeOrders>())
        orders->return_order(id_cfiscal);
}

void report_not_available(std::string_view what) {
    prompt().message("Aviso", std::string(what) + " ainda não disponível nesta versão.",
                     ui::Icon::kInformation);
}

}  // namespace balcora::sale
