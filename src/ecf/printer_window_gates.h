#pragma once

#include "globals/checkout_state.h"

// The checks every window that drives the printer makes before it opens: the
// sale screens and the printer functions share one printer, and a Bloco X
// block stops them all.
namespace balcora::ecf {

inline constexpr const char* kPrinterWindowOpen =
    "Já existe janela do Cupom Fiscal ou de Funções da IF aberta!";
inline constexpr const char* kBlocoXBlocked =
    "ECF bloqueado por pendências de envio de arquivos ao Fisco!|Usar menu fiscal para resolver "
    "pendências!";

// False, after the refusal, while another window drives the printer.
bool printer_window_free(const CheckoutState& checkout);

// True, after the message, when a Bloco X flag of the authorised printer is
// set. With `only_from_start_date` the flags count only when Bloco X applies
// (glo::dtenvredz blank or reached).
bool blocox_blocked(bool only_from_start_date);

}  // namespace balcora::ecf
