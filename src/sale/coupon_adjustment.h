#pragma once

#include "globals/checkout_state.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The subtotal step of a coupon: its surcharge or discount shared among the
// items, the coupon row brought up to date with the printer's date and time,
// and the printer told the subtotal. One transaction, committed only when the
// printer accepted; afterwards payments may be registered.
namespace balcora::sale {

struct CouponAdjustment {
    std::int64_t id_cfiscal = 0;
    util::Money subtotal;  // the items' net, not cancelled
    util::Money surcharge;
    util::Money discount;
};

// Shares the adjustment among the items not cancelled, in proportion to their
// net, the last item absorbing the rounding, and works out each item's tax
// base, tax and approximate taxes again with their hashes; one statement for
// the whole coupon. Runs inside the caller's transaction; false after the
// error was shown.
bool apportion_adjustment(const CouponAdjustment& a);

enum class AdjustmentResult {
    kApplied,
    kDiscountTooLarge,  // nothing written; the focus goes to the subtotal
    kFailed,            // rolled back (the printer or the database said why)
};

// The printer's "ddmmyyhhmmss" (PrinterDateTime) as a date and a time;
// nullopt when unreadable.
struct PrinterMoment {
    std::string date;  // yyyy-mm-dd
    std::string time;  // hh:mm:ss
};
std::optional<PrinterMoment> printer_moment(std::string_view text);

// The whole subtotal step. A coupon without adjustment still sends the
// subtotal, with a zero surcharge. Sets the checkout's fp_iniciada on success.
AdjustmentResult apply_coupon_adjustment(CheckoutState& checkout, const CouponAdjustment& a);

}  // namespace balcora::sale
