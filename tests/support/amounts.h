#pragma once

#include "util/fixed_point.h"

#include <cstdint>
#include <limits>

namespace balcora::test {

inline constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
inline constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// Amounts written in their smallest unit, as tests spell them.
inline util::Money cents(std::int64_t c) {
    return util::Money::from_units(c);
}
inline util::Quantity thousandths(std::int64_t t) {
    return util::Quantity::from_units(t);
}

}  // namespace balcora::test
