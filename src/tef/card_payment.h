#pragma once

// A card ("CA") or cheque-query ("CC") payment of the open coupon handed to
// the card-payment manager: is the manager there, the card or cheque request,
// its answer; approved, the payment is registered and the coupon closed and
// the voucher printed before the manager is told to confirm. Whatever fails
// after the approval is undone at the manager, so the customer is never
// charged for a sale the printer did not finish.

#include "sale/payment_coupon.h"
#include "tef/tef_exchange.h"
#include "util/fixed_point.h"

#include <string>

namespace balcora::tef {

struct CardPayment {
    std::string form;  // "CA" or "CC"
    sale::PaymentCoupon coupon;
    util::Money amount;    // what the payment screen asks of the card
    util::Money change;    // change or balance shown on the screen
    util::Money discount;  // the coupon's discount, for the manager
};

enum class CardOutcome {
    // Declined, unanswered, or undone before anything reached the printer:
    // the payment screen stays with its balance.
    kNotPaid,
    // The coupon was closed with the payment and the manager confirmed it.
    kConfirmed,
    // The payment reached the printer but a later step failed; the manager
    // undid the transaction (or will, at the next start-up).
    kUndone,
};

// Where the exchange takes its time and how long it waits.
struct CardSetup {
    Timer* timer = nullptr;  // the real clocks when null
    Limits limits;
};

CardOutcome pay_with_card_manager(const CardPayment& payment, const CardSetup& setup = {});

}  // namespace balcora::tef
