#pragma once

#include "sale/payment_coupon.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Registering payments of the open coupon: the rows, their hashes and the
// amount received, in one transaction whose last step is the printer's
// payment command, committed only when the printer accepted.
namespace balcora::sale {

// What the card-payment manager answered for a card or cheque-query payment.
struct CardFields {
    std::string nome_rede;  // first 8 characters of the network
    int tipo_transacao = 0;
    std::string nsu;
    util::DayNumber data_transacao = 0;  // 0: none
    std::string hora_transacao;          // HHMMSS; blank when the manager gave none
    int tp_parcelamento = 0;
    int qtd_parcelas = 0;
};

struct PaymentEntry {
    std::string tipo;
    util::Money valor;
    std::int32_t numero = 0;   // cheque number (CH, CC)
    util::DayNumber data = 0;  // cheque good-for date (CH, CC); else the day
    util::Money vl_troco;      // change given from this payment
    std::optional<CardFields> card;
};

// One payment of any form but store credit. False after the failure was
// shown (or the printer refused); nothing of it stays in the database.
bool register_payment(const PaymentCoupon& coupon, const PaymentEntry& entry);

// The same transaction with the printer's step given by the caller (the card
// flow sends the approved amount and asks again while the printer refuses).
// The new row's id once committed; nullopt when nothing was.
using PrinterStep = std::function<bool()>;
std::optional<std::int64_t> register_payment(const PaymentCoupon& coupon, const PaymentEntry& entry,
                                             const PrinterStep& printer_step);

// Store credit: one row per instalment due `days` after the coupon's day,
// one printer payment for the whole amount with the terms as its text.
bool register_credit(const PaymentCoupon& coupon, util::Money amount, const std::vector<int>& days);

// The coupon's amount received: what its payments sum, a card payment undone
// at the manager counting nothing. Written by every payment inside its
// transaction, and again when a card payment is undone.
bool store_amount_received(std::int64_t id_cfiscal);

// The printer payment's text of a cheque: "Numero: 000123 Bom para: dd/mm/yy".
std::string cheque_description(std::int32_t number, util::DayNumber good_for);

}  // namespace balcora::sale
