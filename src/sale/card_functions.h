#pragma once

#include "sale/payment_coupon.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <string>

// What the sale asks of the card-payment manager. The card folder sits above
// this one (it closes and cancels the sale's coupons) and provides its
// implementation through the service port; a build without it finds none.
namespace balcora::sale {

struct CardPayment {
    std::string form;  // "CA" or "CC"
    PaymentCoupon coupon;
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
    // undid the transaction (or will, at the next start-up) and the coupon
    // was cancelled (left open only when the printer refused to cancel it).
    kUndone,
};

class CardFunctions {
  public:
    virtual ~CardFunctions() = default;

    // A card ("CA") or cheque-query ("CC") payment of the open coupon: the
    // request, the answer, and once approved the payment registered, the
    // coupon closed, the voucher printed and the manager told to confirm.
    virtual CardOutcome pay(const CardPayment& payment) = 0;
    // Cancels a confirmed card payment at the manager and its coupon on the
    // printer; commits the caller's open transaction once the printer
    // cancelled the coupon. True when the exchange went through.
    virtual bool cancel_payment(std::int64_t id_cfiscalfp) = 0;
    // Undoes the transaction a crash left pending (0: no payment row names
    // it). True when the manager took it.
    virtual bool undo_pending_transaction(std::int64_t id_cfiscalfp) = 0;
    // The NSU of the pending transaction's answer as it stands in the
    // manager's file; empty when there is none or it cannot be read.
    virtual std::string pending_transaction_nsu() = 0;
    // A cancellation left pending whose coupon the printer cancelled already
    // is confirmed rather than undone; false when the pending one is not.
    virtual bool confirm_cancellation_of_cancelled_coupon() = 0;
};

// The card functions the service port holds; null when this build has none.
CardFunctions* card_functions();

}  // namespace balcora::sale
