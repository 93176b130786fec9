#include "sale/item_amounts.h"

#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

std::optional<util::Money> share(util::Money base, util::Money rate) {
    return util::truncate_to<2>(util::percent_of(base, rate));
}

}  // namespace

std::optional<ItemAmounts> item_amounts(util::Quantity quantity, UnitPrice price,
                                        util::Money discount, const Product& p) {
    auto total = util::item_total(quantity, price);
    if (!total || *total > kMaxItemTotal || total->units() < 0) return std::nullopt;
    ItemAmounts a;
    a.total = *total;
    a.vl_desconto = discount;
    a.vl_base = a.total - discount;
    auto imposto = share(a.vl_base, p.ecf_aliquota), pis = share(a.vl_base, p.aliq_pis),
         cofins = share(a.vl_base, p.aliq_cofins), fed = share(a.vl_base, p.aliq_federal),
         est = share(a.vl_base, p.aliq_estadual), mun = share(a.vl_base, p.aliq_municipal);
    if (!imposto || !pis || !cofins || !fed || !est || !mun) return std::nullopt;
    a.vl_imposto = *imposto;
    a.vl_pis = *pis;
    a.vl_cofins = *cofins;
    a.vl_trib_fed = *fed;
    a.vl_trib_est = *est;
    a.vl_trib_mun = *mun;
    return a;
}

std::optional<std::string> totaliser_code(std::string_view ecf_st, std::string_view ecf_cod_st,
                                          util::Money rate) {
    const std::string st = util::to_upper_ascii(util::trim(ecf_st));
    if (st == "F" || st == "I" || st == "N") return st + "1";
    if (st != "T" && st != "S") return std::nullopt;
    const std::string code = util::trim(ecf_cod_st);
    auto number = util::read_integer(code);
    if (!number.valid || code.find('.') != std::string::npos || number.value < 1 ||
        number.value > 99)
        return std::nullopt;
    auto rate_digits = util::printer_digits(rate, 2, 4);
    if (rate.units() <= 0 || !rate_digits) return std::nullopt;
    std::string index = std::to_string(number.value);
    if (index.size() < 2) index = "0" + index;
    return index + st + *rate_digits;
}

FormItemAmounts form_item_amounts(const FormItemInput& in) {
    FormItemAmounts a;
    const util::Money at_table =
        util::item_total(in.quantity, in.table_price).value_or(util::Money{});
    if (in.typed_price < in.table_price) {
        a.discount_fields_enabled = false;
        a.sub_total = at_table;
        const util::Money at_typed =
            util::item_total(in.quantity, in.typed_price).value_or(util::Money{});
        a.discount = at_table - at_typed;
        a.total = at_typed;
        return a;
    }
    a.sub_total = util::item_total(in.quantity, in.typed_price).value_or(util::Money{});
    if (in.discount_percent && !in.discount_percent->is_zero()) {
        a.discount_value_locked = true;
        const util::Money pct = *in.discount_percent;
        if (pct.units() < 0 || pct > util::Money::from_units(9999)) {
            a.discount_invalid = true;
        } else {
            a.discount =
                util::truncate_to<2>(util::percent_of(a.sub_total, pct)).value_or(util::Money{});
        }
    } else if (in.discount_value.units() < 0 || in.discount_value > a.sub_total ||
               (in.discount_value == a.sub_total && !a.sub_total.is_zero())) {
        // An item reduced to nothing is no sale: the printer refuses it too.
        a.discount_invalid = true;
    } else {
        a.discount = in.discount_value;
    }
    a.total = a.sub_total - a.discount;
    return a;
}

std::optional<util::Quantity> quantity_for_total(util::Money total, UnitPrice price) {
    if (price.units() <= 0) return std::nullopt;
    return util::truncate_to<3>(util::exact_quotient(total, price));
}

std::string price_text(UnitPrice price) {
    if (price.units() % 10 == 0) return util::to_br(util::truncate_to<2>(price));
    return util::to_br(price);
}

}  // namespace balcora::sale
