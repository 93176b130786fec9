#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The sums of the payment screen: the coupon's surcharge or discount from a
// percentage, and store credit split into instalments.
namespace balcora::sale {

// INT(subtotal x percent) / 100: the cents are truncated, never rounded
// (5 % of 10.33 is 0.51).
util::Money percent_of(util::Money subtotal, util::Money percent);
// adjustment / subtotal x 100 for the percentage field (0 without subtotal).
util::Money percent_shown(util::Money adjustment, util::Money subtotal);

inline constexpr int kMaxInstalments = 6;
using Terms = std::array<int, kMaxInstalments>;  // days after the coupon's date

// The instalments the terms give: the first term always counts (0 is due on
// the coupon's day), each later non-zero term counts and must come after the
// last counted one. `bad_term` (1-based) names the field that breaks the order.
struct InstalmentTerms {
    std::vector<int> days;
    int bad_term = 0;
};
InstalmentTerms count_instalments(const Terms& terms);

// The whole amount split into `n` instalments of whole reais, each the rest
// divided by the instalments left, rounded half up; the last takes what is
// left (100.00 in three: 33.00, 34.00, 33.00). Amounts under one real per
// instalment are split in cents, so no instalment is ever zero.
std::vector<util::Money> split_instalments(util::Money amount, int n);

// "30/60/90".
std::string terms_text(const std::vector<int>& days);
// The payment description of store credit: " VENCIMENTO: dd/mm/yy" for one
// instalment, else " PRAZO: 30/60/90 DIAS".
std::string credit_description(const std::vector<int>& days, util::DayNumber coupon_day);

// dd/mm/yy, blank for no date.
std::string short_date(util::DayNumber day);

}  // namespace balcora::sale
