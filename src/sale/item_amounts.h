#pragma once

#include "sale/product_lookup.h"
#include "util/fixed_point.h"

#include <optional>
#include <string>
#include <string_view>

// The arithmetic of an item: every amount is cut to cents by truncation,
// never rounded, whatever the product's rounding indicator says.
namespace balcora::sale {

struct ItemAmounts {
    util::Money total;        // quantity x unit price
    util::Money vl_desconto;  // as given
    util::Money vl_base;      // total - discount
    util::Money vl_imposto;   // base x ICMS/ISS rate
    util::Money vl_pis;
    util::Money vl_cofins;
    util::Money vl_trib_fed;
    util::Money vl_trib_est;
    util::Money vl_trib_mun;
};

// Nullopt when the total does not fit what a printer can register.
std::optional<ItemAmounts> item_amounts(util::Quantity quantity, UnitPrice price,
                                        util::Money discount, const Product& product);

// The printer totaliser of a tax situation: "01T1700" for code 01 taxed at
// 17 %, "05S0500" for a service, "F1", "I1", "N1". Nullopt for a situation
// the printer cannot total (unknown letter, code that is not two digits, a
// taxed item without a rate or with one above 99.99).
std::optional<std::string> totaliser_code(std::string_view ecf_st, std::string_view ecf_cod_st,
                                          util::Money rate);

// The largest values the printer's item record holds.
inline constexpr UnitPrice kMaxUnitPrice = UnitPrice::from_units(999'999'999);
inline constexpr util::Money kMaxItemTotal = util::Money::from_units(99'999'999'999);

// The coupon form's entry line: table price, quantity, the unit price typed
// (equal to the table price when it was not typed) and the discount fields.
struct FormItemInput {
    UnitPrice table_price;
    util::Quantity quantity;
    UnitPrice typed_price;
    std::optional<util::Money> discount_percent;  // set and not zero: it decides the value
    util::Money discount_value;
};

struct FormItemAmounts {
    bool discount_fields_enabled = true;  // only at the table price
    bool discount_value_locked = false;   // a percentage decides it
    bool discount_invalid = false;        // "Desconto inválido!": the value was reset to 0
    util::Money sub_total;                // at the price typed
    util::Money discount;                 // what the item row stores as vl_desconto
    util::Money total;                    // what the customer pays for the item
};

// A price typed below the table price becomes a discount (the item keeps the
// table price); at the table price the discount comes from the percentage
// (0 to 99.99) or the value typed, which may not reach the sub-total.
FormItemAmounts form_item_amounts(const FormItemInput& in);

// The quantity that makes `total` at `price` (the form's total field),
// truncated to three places; nullopt without a price.
std::optional<util::Quantity> quantity_for_total(util::Money total, UnitPrice price);

// A price as the messages show it: "10,00", or "1,235" when the third place counts.
std::string price_text(UnitPrice price);

}  // namespace balcora::sale
