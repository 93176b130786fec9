#pragma once

#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The arithmetic and texts of a coupon issued from a pre-sale: the split of
// what is left to pay over the payment form's terms, the number a
// receivable title takes from the coupon, the item discount limit and the
// closing line that names the pre-sale.
namespace balcora::backoffice {

// One term of a payment form: days after the coupon and its share in per cent.
struct PaymentTerm {
    std::int32_t numparc = 0;
    std::int32_t prazo = 0;
    util::Money porpag;  // 50.00 for half
};

// Every term but the last takes ROUND(remainder / 100 x porpag, step); the
// last takes what is left, so the parts always add up to the remainder.
// `step` is the form's rounding (1 for whole reais, 0.01 for cents); a step
// that is not positive means cents. Nullopt without terms, or when the
// shares leave the last term nothing or less.
std::optional<std::vector<util::Money>> split_over_terms(util::Money remainder,
                                                         const std::vector<PaymentTerm>& terms,
                                                         util::Money step);

// The number a receivable title takes: "<printer>.<CRO>.<COO 6 digits>/<letter>",
// the letter counting from A for the coupon's first title.
std::string title_number(std::int32_t printer, std::int32_t cro, std::int32_t coo, int index);

// "PercDesc": the highest item discount in per cent; unset or 0 means 50.
util::Money discount_limit(std::string_view setting);

// Whether descv on pruni x qtd is above the limit (in per cent).
bool discount_above(util::Money descv, util::Fixed<3> pruni, util::Quantity qtd, util::Money limit);

// The message under the coupon: "PV" + the pre-sale number in ten digits,
// padded to 48, then the approximate-tax lines when there are taxes (never
// the thank-you text).
std::string pre_sale_closing_message(std::int64_t num_pv, util::Money federal, util::Money state,
                                     util::Money municipal, std::string_view ibpt_key);

}  // namespace balcora::backoffice
