#pragma once

// The card-payment manager's functions outside the sale itself: its
// administrative menu, the cancellation of a confirmed card payment with its
// coupon, and the undoing of a transaction a crash left pending (one of a
// sale or an administrative one), each in the card-payment message window.

#include "tef/tef_exchange.h"

#include <filesystem>
#include <string_view>

namespace balcora::ui {
class ScreenPort;
}

namespace balcora {

// "ADM", "CANCFP1" <id_cfiscalfp>, "CANCTRANSACAO" [<id_cfiscalfp>],
// "CANCTRANSACAOADM"; any other name is refused with "FUNCAO DESCONHECIDA:".
// 1 (completed) when the function's exchange with the manager went through,
// 0 (cancelled) otherwise. The coupon-cancellation callers commit only on 1;
// "CANCFP1" and "CANCTRANSACAO" commit the caller's open transaction
// themselves once the printer cancelled the coupon.
int FUNCAOTEF(std::string_view function = {}, std::string_view argument = {});

}  // namespace balcora

namespace balcora::tef {

// Setting (application "balcora", section "FuncaoTEF") that is "S" while an
// administrative transaction of the manager may be pending.
inline constexpr std::string_view kAdmSection = "FuncaoTEF";
inline constexpr std::string_view kAdmKey = "ADM";

// The clock and the waits of FUNCAOTEF's exchanges; nullptr and the default
// limits put the system's back.
void set_function_exchange(Timer* timer, const Limits& limits = {});
Timer& function_timer();

// The start-up test for card-payment files an interrupted run left: a request
// never taken is removed; a response or its copy means a transaction that is
// undone now, never confirmed: the administrative undo when setting "ADM" is
// "S", otherwise the coupon browse opens with glo::cf_aberto = 2 and its
// card-aware recovery cancels the coupon and undoes the transaction.
void recover_card_payment_files();

// A sale's confirmation about to be handed over (setting "CNF" of section
// "FuncaoTEF" holds the transaction's identifier until its files are gone):
// a crash after the manager took it must not lead to the transaction being
// undone and the coupon it paid cancelled, for the manager keeps a confirmed
// transaction as it is. False when the note could not be written.
bool note_confirmation(std::string_view identifier);
void clear_confirmation_note();
// The pending transaction is the one whose confirmation was on its way: the
// confirmation is sent again (the manager takes a repeated one as the same)
// and the files removed; the coupon stands. False when it is not.
bool finish_started_confirmation();

// A card cancellation (CNC) left pending whose coupon is cancelled already
// (the printer cancelled it before the crash): confirmed, not undone, so the
// customer is refunded for a coupon that no longer stands. False when the
// pending transaction is not one.
bool confirm_cancellation_of_cancelled_coupon();

// Whether a response or its copy is still waiting to be undone.
bool pending_transaction_files_exist();
// Where the pending transaction's answer is read: the manager's response,
// else its copy.
std::filesystem::path pending_response_file();

// FUNCAOTEF under its name (arguments: function, argument) and "FUNCAOTEF
// ADM" for the main menu.
void provide_card_functions(ui::ScreenPort& port);

}  // namespace balcora::tef
