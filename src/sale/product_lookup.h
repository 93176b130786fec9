#pragma once

#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Turning what the operator typed or scanned into a product and a quantity:
// the quantity prefix ("3*code", "3x code"), plain and zero-filled barcodes,
// the internal code, alternative codes with a pack factor, and the labels of
// a weighing scale. Lookups only read; nothing here shows a message.
namespace balcora::sale {

using UnitPrice = util::Fixed<3>;

// The columns of produto that a sale needs. Numbers read from NULL are 0.
struct Product {
    std::int32_t id_produto = 0;
    std::string codigo;
    std::string codigo_barras;
    std::string descricao;
    std::string unidade;
    std::string iat;
    UnitPrice preco_venda1;
    UnitPrice preco_venda2;  // stored with four places; kept to three, as an item stores it
    UnitPrice preco_venda3;
    std::string ecf_st;
    util::Money ecf_aliquota;
    std::string ecf_cod_st;
    bool ativo = true;  // only an explicit 0 makes a product inactive
    util::Money taxa_comissao;
    std::int64_t cod_ncm = 0;
    std::int64_t cest = 0;
    util::Money aliq_pis;
    util::Money aliq_cofins;
    util::Money aliq_federal;
    util::Money aliq_estadual;
    util::Money aliq_municipal;

    // The price of a price table (2 and 3 name their columns, anything else
    // the first).
    UnitPrice price(int table) const;
    // The code the printer and the tape show: the barcode, or the internal
    // code when the product has no barcode.
    std::string printed_code() const;
};

// The quantity a printer field can hold (7 digits with three places).
inline constexpr util::Quantity kMaxQuantity = util::Quantity::from_units(9'999'999);

// The code field split at its quantity prefix. A "*" always separates the
// quantity; failing that an "x" or "X" does, but only when the text before it
// reads as a number (an internal code may hold the letter).
struct CodeEntry {
    std::string code;
    bool has_prefix = false;
    // The prefix read; nullopt when it is not a number, has more than three
    // places, or exceeds what a printer takes. Zero and negative values are
    // kept, so the validation can refuse them in its turn.
    std::optional<util::Quantity> quantity;
};
CodeEntry split_quantity_prefix(std::string_view typed);

// What a weighing-scale label carries: "2", the product (4 or 6 digits), the
// value (5 digits, at characters 8 to 12) and the check digit.
struct ScaleLabel {
    std::string product_barcode;  // the product part as 12 digits plus its check digit
    std::int32_t product_number = 0;
    std::int32_t value = 0;  // thousandths of the weight or cents of the price
};
// Nullopt unless the code is 13 digits starting with "2" whose last digit
// checks: a damaged label is not read as a weight or a price.
std::optional<ScaleLabel> read_scale_label(std::string_view code, int product_digits);

// How labels and prices are read, from the settings of the point of sale.
enum class LabelKind { kWeight = 1, kPrice = 2 };
struct LookupSettings {
    LabelKind label_kind = LabelKind::kWeight;  // "Etiqueta Balança"
    int label_product_digits = 4;               // "Tamanho codigo prod pesado": 6 or 4
    int price_table = 1;                        // coupon form: "TabPreco"
};
// The Quick Sale's settings (price table 1); the coupon form adds the price
// table of the product query's INI file.
LookupSettings quick_sale_lookup_settings();
LookupSettings coupon_form_lookup_settings();

// Quick Sale: the label is recognised before the zero-filled barcode is
// tried; coupon form: after it.
enum class LookupOrder { kQuickSale, kCouponForm };

struct LookupResult {
    enum class Outcome {
        kFound,
        kNotFound,              // "Código do produto inexistente!"
        kLabelProductNotFound,  // "Código (" code ") do produto inexistente!"
        kLabelWithoutPrice,     // a price label of a product priced at zero
        kLookupFailed,          // the query failed (already shown)
    };
    Outcome outcome = Outcome::kNotFound;
    Product product;
    std::string code;  // the code without its quantity prefix
    // The quantity of the code itself: a label's weight or price, or an
    // alternative code's factor; nullopt when the code sets none.
    std::optional<util::Quantity> code_quantity;
    bool from_label = false;
};

// Looks the code up in the given order (one query for every candidate). A
// price label's quantity is the price divided by `label_price` (the price the
// item is sold at), truncated to three places.
LookupResult look_up(std::string_view code, LookupOrder order, const LookupSettings& settings);

// The product with this id; nullopt when there is none or the query failed
// (shown).
std::optional<Product> product_by_id(std::int32_t id_produto);

// The SQL of the lookup (exposed for the benchmark and tests).
std::string lookup_statement(std::string_view code, LookupOrder order,
                             const LookupSettings& settings);

}  // namespace balcora::sale
