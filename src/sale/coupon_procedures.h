#pragma once

#include "globals/checkout_state.h"

#include <cstdint>

// The coupon procedures the sale screens start: the cancellations and the
// recovery of a coupon left open. The program's own are the flows of this
// folder; a test or a benchmark puts another in the service port to watch or
// stand in for one.
namespace balcora::sale {

class CouponProcedures {
  public:
    virtual ~CouponProcedures() = default;

    // The open coupon (coupon_open) or the printer's last one, from the
    // Quick Sale; id 0 is the last coupon opened. True when cancelled.
    virtual bool cancel_coupon(CheckoutState& checkout, bool coupon_open, std::int64_t id_cfiscal);
    // The coupon browse's "&Cancela Cupom"; true when cancelled.
    virtual bool cancel_selected_coupon(CheckoutState& checkout, std::int64_t id_cfiscal);
    // A coupon left open on the printer when a sale screen opens, by the
    // card-aware path when a card transaction was left pending; false when
    // the screen must close.
    virtual bool recover_open_coupon(CheckoutState& checkout, bool card);
};

// The service port's, else the program's own.
CouponProcedures& coupon_procedures();

// The back office's part of a coupon the browse cancelled, provided by the
// back-office folder above.
class BackOfficeOrders {
  public:
    virtual ~BackOfficeOrders() = default;
    // The order the coupon came from is given back.
    virtual void return_order(std::int64_t id_cfiscal) = 0;
};

}  // namespace balcora::sale
