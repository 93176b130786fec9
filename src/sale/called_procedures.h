#pragma once

#include <cstdint>
#include <string_view>

// The procedures of other subsystems that the sale screens start: the day
// functions, withdrawal and supply, payment, coupon cancellation and
// recovery, pre-sales and the spool. Each runs through the screen port under
// the name below; until a subsystem provides it, the operator is told by the
// function's name that it is not available in this version, and nothing
// changes.
namespace balcora::sale {

// "FUNCOESMAQECF" with "AbreCaixa" or "FechaCaixa".
void run_day_functions(std::string_view function);
// "TELA_SA_SU": withdrawal or supply of cash.
void run_cash_movement();
// "FINALIZACUPOM" of the open coupon: mode "" (the payment screen), "Desc",
// "Acre" or a payment code; 1 when something was registered.
int run_finalize_coupon(std::string_view mode);
// "CANCELACUPOM" with "1" when a coupon is open ("0": the last one) and the
// id of the coupon the screen shows (0: the last one opened); true when the
// coupon was cancelled.
bool run_cancel_coupon(bool coupon_open, std::int64_t id_cfiscal);
// "CANCELACUPOMSELECIONADO" with the coupon's id_cfiscal: the coupon
// browse's "&Cancela Cupom"; true when it was cancelled.
bool run_cancel_selected_coupon(std::int64_t id_cfiscal);
// "RECUPERACUPOMABERTO", with "TEF" on the card-aware path of the browse: a
// coupon left open on the printer when a sale screen opens; false when the
// screen must close. Unless another subsystem provides it, the plain path is
// the power-failure recovery of this folder.
bool run_recover_open_coupon(bool card);
// "CONSULTAPV" and "SPOOLECF" of the coupon browse.
void run_pre_sale();
void run_spool();

// "RETORNAPEDIDO": the back office gives back the order of a coupon the
// browse cancelled. Quiet when nothing provides it: the pending mark the
// cancellation left is then settled by the pre-sale window.
void run_order_return(std::int64_t id_cfiscal);

// "<what> ainda não disponível nesta versão." (title "Aviso").
void report_not_available(std::string_view what);

}  // namespace balcora::sale
