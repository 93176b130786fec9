#pragma once

#include "backoffice/pre_sale_data.h"
#include "globals/checkout_state.h"
#include "util/day_number.h"

#include <cstdint>
#include <optional>
#include <string>

// A pre-sale turned into a fiscal coupon: everything it needs is read from
// the back office and checked before the printer sees anything, so a
// pre-sale that cannot be issued is refused with the coupon never opened.
// Once the coupon is open, a step that fails cancels it on the printer; a
// coupon is never left half issued.
namespace balcora::backoffice {

// The issued coupon as the back-office updates need it.
struct PreSaleCoupon {
    std::int64_t id_cfiscal = 0;
    std::int32_t numero = 0;  // COO
    std::int32_t num_cro = 0;
    std::int32_t id_empresa = 0;
    std::int32_t id_pedido = 0;
    util::DayNumber data = 0;
    std::string last_form_printer_name;  // the debt acknowledgement prints it
};

// Open, items, subtotal, payments, closing. Nullopt when the coupon was not
// issued: never opened, or cancelled on the printer after the step that
// failed was named to the operator.
std::optional<PreSaleCoupon> issue_pre_sale_coupon(CheckoutState& checkout,
                                                   const PreSaleHeader& header);

// The issued coupon cancelled on the printer and in the database (the
// cancellation of a pre-sale the customer gave up). False after the failure
// was shown; the coupon then stays issued.
bool cancel_issued_coupon(const PreSaleCoupon& coupon);

// A coupon of this order that is issued and not cancelled already exists.
bool order_already_issued(std::int32_t id_pedido);
// A coupon of this order has an outcome the back office has not taken yet:
// a new coupon must wait, or the stale update would be applied to it.
bool order_update_pending(std::int32_t id_pedido);

}  // namespace balcora::backoffice
