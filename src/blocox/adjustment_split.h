#pragma once

#include "util/fixed_point.h"

#include <vector>

namespace balcora::blocox {

// The discounts, surcharges and cancellations that fall on one part of a day.
struct Adjustments {
    util::Money discounts, surcharges, cancellations;
    bool operator==(const Adjustments&) const = default;
};

// Splits the adjustments over parts in proportion to their values:
// value / divisor x total, to the cent (halves up; zero when the divisor is
// zero). The last part, which the caller orders as the largest, takes what the
// cents left over, so the shares add up to the totals exactly.
std::vector<Adjustments> split_adjustments(const std::vector<util::Money>& values,
                                           util::Money divisor, const Adjustments& totals);

}  // namespace balcora::blocox
