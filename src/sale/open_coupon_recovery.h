#pragma once

#include "globals/checkout_state.h"

namespace balcora::sale {

// A coupon the printer still holds open when a sale screen opens was left
// by a power failure or a lost database connection: it is cancelled on the
// printer and marked cancelled in the database in one transaction, so the
// two agree again before anything else is sold. Without a coupon open, what
// an earlier cut left half done is settled (printer_reconciliation.h).
// False when the screen must close (the printer does not allow the
// cancellation, or the cancellation failed).
bool recover_open_coupon_after_failure(CheckoutState& checkout);

}  // namespace balcora::sale
