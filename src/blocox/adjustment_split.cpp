#include "blocox/adjustment_split.h"

namespace balcora::blocox {

namespace {

util::Money share_of(util::Money value, util::Money divisor, util::Money total) {
    const auto share =
        util::round_half_up_to<2>(util::Exact(value) * util::Exact(total) / util::Exact(divisor));
    return share.value_or(util::Money{});
}

}  // namespace

std::vector<Adjustments> split_adjustments(const std::vector<util::Money>& values,
                                           util::Money divisor, const Adjustments& totals) {
    std::vector<Adjustments> shares;
    shares.reserve(values.size());
    Adjustments sum;
    for (util::Money v : values) {
        Adjustments s{share_of(v, divisor, totals.discounts),
                      share_of(v, divisor, totals.surcharges),
                      share_of(v, divisor, totals.cancellations)};
        sum.discounts += s.discounts;
        sum.surcharges += s.surcharges;
        sum.cancellations += s.cancellations;
        shares.push_back(s);
    }
    if (!shares.empty()) {
        Adjustments& last = shares.back();
        last.discounts += totals.discounts - sum.discounts;
        last.surcharges += totals.surcharges - sum.surcharges;
        last.cancellations += totals.cancellations - sum.cancellations;
    }
    return shares;
}

}  // namespace balcora::blocox
