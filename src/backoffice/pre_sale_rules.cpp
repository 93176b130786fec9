#include "backoffice/pre_sale_rules.h"

#include "ecf/cp1252.h"
#include "sale/coupon_closing.h"
#include "util/fixed_point_text.h"

#include <cstdio>

namespace balcora::backoffice {

namespace {

constexpr const char* kThankYou = "OBRIGADO PELA PREFERENCIA! VOLTE SEMPRE!!!";

}  // namespace

std::optional<std::vector<util::Money>> split_over_terms(util::Money remainder,
                                                         const std::vector<PaymentTerm>& terms,
                                                         util::Money step) {
    if (terms.empty()) return std::nullopt;
    if (step.units() <= 0) step = util::Money::from_units(1);
    std::vector<util::Money> parts;
    util::Money given;
    for (std::size_t i = 0; i + 1 < terms.size(); ++i) {
        // remainder / 100 x porpag in steps of `step`, halves away from zero.
        const auto steps = util::round_half_up_to<0>(util::percent_of(remainder, terms[i].porpag) /
                                                     util::Exact(step));
        if (!steps) return std::nullopt;
        const auto part = util::checked_times(step, steps->units());
        if (!part) return std::nullopt;
        parts.push_back(*part);
        given = given + *part;
    }
    const util::Money last = remainder - given;
    if (last.units() <= 0) return std::nullopt;
    parts.push_back(last);
    return parts;
}

std::string title_number(std::int32_t printer, std::int32_t cro, std::int32_t coo, int index) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%06d/%c", printer, cro, coo,
                  static_cast<char>('A' + (index % 26)));
    return text;
}

util::Money discount_limit(std::string_view setting) {
    const auto limit = util::read_number<2>(setting);
    if (!limit.valid || limit.value.units() <= 0) return util::Money::from_whole(50);
    return limit.value;
}

bool discount_above(util::Money descv, util::Fixed<3> pruni, util::Quantity qtd,
                    util::Money limit) {
    if (descv.units() <= 0) return false;
    const util::Exact gross = util::exact_product(pruni, qtd);
    if (!gross.valid() || gross.numerator() <= 0) return true;
    // descv / gross x 100 > limit, compared exactly.
    const util::Exact percent = util::Exact(descv) / gross * util::Exact::whole(100);
    const auto hundredths = util::truncate_to<4>(percent / util::Exact(limit));
    return !hundredths || hundredths->units() > 10000;
}

std::string pre_sale_closing_message(std::int64_t num_pv, util::Money federal, util::Money state,
                                     util::Money municipal, std::string_view ibpt_key) {
    char first[32];
    std::snprintf(first, sizeof first, "PV%010lld", static_cast<long long>(num_pv));
    const std::string taxes = sale::closing_message(federal, state, municipal, ibpt_key);
    std::string message = ecf::fit(first, 48);
    if (taxes != kThankYou) message += taxes;
    return message;
}

}  // namespace balcora::backoffice
