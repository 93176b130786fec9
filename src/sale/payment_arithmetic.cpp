#include "sale/payment_arithmetic.h"

#include <cstdio>

namespace balcora::sale {

util::Money percent_of(util::Money subtotal, util::Money percent) {
    // Both have two places: the product has four, of which two are cut.
    const auto value = util::truncate_to<2>(util::Exact(subtotal) * util::Exact(percent) /
                                            util::Exact::whole(100));
    return value.value_or(util::Money{});
}

util::Money percent_shown(util::Money adjustment, util::Money subtotal) {
    if (subtotal.units() <= 0) return {};
    const auto value = util::round_half_up_to<2>(util::Exact(adjustment) / util::Exact(subtotal) *
                                                 util::Exact::whole(100));
    return value.value_or(util::Money{});
}

InstalmentTerms count_instalments(const Terms& terms) {
    InstalmentTerms out;
    out.days.push_back(terms[0]);
    for (int i = 1; i < kMaxInstalments; ++i) {
        if (terms[i] == 0) continue;
        if (terms[i] <= out.days.back()) {
            out.bad_term = i + 1;
            return out;
        }
        out.days.push_back(terms[i]);
    }
    return out;
}

std::vector<util::Money> split_instalments(util::Money amount, int n) {
    std::vector<util::Money> out;
    if (n < 1) return out;
    util::Money given;
    for (int i = 1; i <= n; ++i) {
        const util::Money rest = amount - given;
        util::Money part = rest;
        if (i < n) {
            const util::Exact share = util::Exact(rest) / util::Exact::whole(n - i + 1);
            const auto whole = util::round_half_up_to<0>(share);
            part = whole ? util::rescale<2>(*whole).value_or(rest) : rest;
            if (part.units() <= 0 || part >= rest)
                part = util::round_half_up_to<2>(share).value_or(rest);
        }
        out.push_back(part);
        given += part;
    }
    return out;
}

std::string terms_text(const std::vector<int>& days) {
    std::string out;
    for (int d : days) {
        if (!out.empty()) out += '/';
        out += std::to_string(d);
    }
    return out;
}

std::string credit_description(const std::vector<int>& days, util::DayNumber coupon_day) {
    if (days.size() == 1) return " VENCIMENTO: " + short_date(coupon_day + days.front());
    return " PRAZO: " + terms_text(days) + " DIAS";
}

std::string short_date(util::DayNumber day) {
    if (day <= 0) return std::string(8, ' ');
    const util::CivilDate c = util::civil_date(day);
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", c.day, c.month, c.year % 100);
    return text;
}

}  // namespace balcora::sale
