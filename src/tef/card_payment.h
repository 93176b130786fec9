#pragma once

// A card ("CA") or cheque-query ("CC") payment of the open coupon handed to
// the card-payment manager: is the manager there, the card or cheque request,
// its answer; approved, the payment is registered and the coupon closed and
// the voucher printed before the manager is told to confirm. Whatever fails
// after the approval is undone at the manager, so the customer is never
// charged for a sale the printer did not finish.

#include "sale/card_functions.h"
#include "tef/tef_exchange.h"

namespace balcora::tef {

// The sale's terms (sale/card_functions.h): the card folder implements them.
using sale::CardOutcome;
using sale::CardPayment;

// Where the exchange takes its time and how long it waits.
struct CardSetup {
    Timer* timer = nullptr;  // the real clocks when null
    Limits limits;
};

CardOutcome pay_with_card_manager(const CardPayment& payment, const CardSetup& setup = {});

}  // namespace balcora::tef
