#pragma once

#include "backoffice/pre_sale_data.h"
#include "ecf/printer_layouts.h"
#include "sale/item_amounts.h"
#include "sale/product_lookup.h"
#include "util/fixed_point.h"

#include <optional>
#include <string>
#include <vector>

// Everything a pre-sale brings, read from the back office and checked before
// the printer sees any of it: its items against the checkout's products and
// the discount limit, its total against its items, its receipts and titles
// against its total, and the rest split over its payment form's terms.
namespace balcora::backoffice {

// An item as it goes to the coupon.
struct ReadyItem {
    sale::Product product;
    sale::ItemAmounts amounts;
    util::Fixed<3> preco;
    util::Quantity qtdade;
    util::Money comissao;
    std::string totaliser;
    util::Money discount;  // the item's discount, as its record shows it
};

// The printer's record of the item; it refers to `item` and `code` (the
// product's code as printed).
ecf::ItemRecordFields item_record_fields(const ReadyItem& item, std::string_view code);

struct PreparedPreSale {
    std::vector<ReadyItem> items;
    util::Money subtotal;             // the items' net
    util::Money total;                // what the coupon comes to
    util::Money surcharge, discount;  // the adjustment on the subtotal
    std::vector<PreSaleReceipt> receipts;
    std::vector<PreSaleTitle> titles;
    std::vector<util::Money> terms;  // the remainder split over the form's terms
    std::vector<PaymentTerm> term_rows;
    std::string form_descr;
};

// Nullopt after the message that says what is wrong (or the link's failure).
std::optional<PreparedPreSale> prepare_pre_sale(const PreSaleHeader& header);

}  // namespace balcora::backoffice
