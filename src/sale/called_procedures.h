#pragma once

#include "globals/checkout_state.h"

#include <cstdint>
#include <string_view>

// What the sale screens start beyond themselves. The windows of other
// subsystems (the day functions, withdrawal and supply, payment, pre-sales
// and the spool) open through the screen port under the name below; until a
// subsystem provides one, the operator is told by its name that it is not
// available in this version, and nothing changes. Coupon cancellation and
// recovery are this folder's own (sale/coupon_procedures.h); the order
// return is the back office's service.
namespace balcora::sale {

// "FUNCOESMAQECF" with "AbreCaixa" or "FechaCaixa".
void run_day_functions(std::string_view function);
// "TELA_SA_SU": withdrawal or supply of cash.
void run_cash_movement();
// "FINALIZACUPOM" of the open coupon: mode "" (the payment screen), "Desc",
// "Acre" or a payment code; 1 when something was registered.
int run_finalize_coupon(std::string_view mode);
// The open coupon (coupon_open) or the last one, with the id of the coupon
// the screen shows (0: the last one opened); true when it was cancelled.
bool run_cancel_coupon(CheckoutState& checkout, bool coupon_open, std::int64_t id_cfiscal);
// The coupon browse's "&Cancela Cupom"; true when it was cancelled.
bool run_cancel_selected_coupon(CheckoutState& checkout, std::int64_t id_cfiscal);
// A coupon left open on the printer when a sale screen opens, by the
// card-aware path on the browse's; false when the screen must close.
bool run_recover_open_coupon(CheckoutState& checkout, bool card);
// "CONSULTAPV" and "SPOOLECF" of the coupon browse.
void run_pre_sale();
void run_spool();

// The back office gives back the order of a coupon the browse cancelled.
// Quiet when nothing provides it: the pending mark the cancellation left is
// then settled by the pre-sale window.
void run_order_return(std::int64_t id_cfiscal);

// "<what> ainda não disponível nesta versão." (title "Aviso").
void report_not_available(std::string_view what);

}  // namespace balcora::sale
