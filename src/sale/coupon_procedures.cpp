#include "sale/coupon_procedures.h"

#include "db/settings.h"
#include "globals/checkout_state.h"
#include "sale/coupon_cancellation.h"
#include "sale/open_coupon_recovery.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"

namespace balcora::sale {

bool CouponProcedures::cancel_coupon(CheckoutState& checkout, bool coupon_open,
                                     std::int64_t id_cfiscal) {
    if (id_cfiscal <= 0)
        id_cfiscal = util::read_integer(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal", "0")).value;
    return coupon_open ? cancel_open_coupon(checkout, id_cfiscal)
                       : cancel_last_coupon(id_cfiscal, CancelFrom::kQuickSale);
}

bool CouponProcedures::cancel_selected_coupon(CheckoutState&, std::int64_t id_cfiscal) {
    return cancel_last_coupon(id_cfiscal, CancelFrom::kCouponBrowse);
}

bool CouponProcedures::recover_open_coupon(CheckoutState& checkout, bool card) {
    return card ? recover_card_coupon_after_failure(checkout)
                : recover_open_coupon_after_failure(checkout);
}

CouponProcedures& coupon_procedures() {
    static CouponProcedures program_own;
    CouponProcedures* provided = services().find<CouponProcedures>();
    return provided ? *provided : program_own;
}

}  // namespace balcora::sale
