#include "sale/coupon_procedures.h"

#include "db/settings.h"
#include "sale/coupon_cancellation.h"
#include "sale/open_coupon_recovery.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"

namespace balcora::sale {

bool CouponProcedures::cancel_coupon(bool coupon_open, std::int64_t id_cfiscal) {
    if (id_cfiscal <= 0)
        id_cfiscal = util::read_integer(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal", "0")).value;
    return coupon_open ? cancel_open_coupon(id_cfiscal)
                       : cancel_last_coupon(id_cfiscal, CancelFrom::kQuickSale);
}

bool CouponProcedures::cancel_selected_coupon(std::int64_t id_cfiscal) {
    return cancel_last_coupon(id_cfiscal, CancelFrom::kCouponBrowse);
}

bool CouponProcedures::recover_open_coupon(bool card) {
    return card ? recover_card_coupon_after_failure() : recover_open_coupon_after_failure();
}

CouponProcedures& coupon_procedures() {
    static CouponProcedures program_own;
    CouponProcedures* provided = services().find<CouponProcedures>();
    return provided ? *provided : program_own;
}

}  // namespace balcora::sale
