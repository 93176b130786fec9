#pragma once

#include "backoffice/pre_sale_rules.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A pre-sale as the back office holds it, read through the link: the row of
// the list, its items, receipts, receivable titles and the terms of its
// payment form. Every value arrives as text and is read into numbers and
// dates here, so nothing the back office sends reaches a statement as text
// of its own.
namespace balcora::backoffice {

struct PreSaleHeader {
    std::int32_t id_pedido = 0;
    std::int64_t num_pv = 0;
    std::int32_t numero = 0;  // order number
    util::DayNumber data = 0;
    std::int32_t clien = 0;
    std::string razao;
    util::Money total;
    std::int32_t vende = 0;
    std::int32_t cod_formapag = 0;
    util::Money vl_desc;
    util::Money vl_acresc;
    std::int32_t id_matriz = 0;
    std::int32_t ind_formapag = 0;
    std::int32_t id_pedido_ger = 0;
};

struct PreSaleItem {
    std::int32_t produ = 0;
    util::Quantity qtd;
    util::Fixed<3> pruni;
    util::Money descv;
    util::Money total;  // net of descv
    util::Money comis;
    util::Money vl_desconto;
};

struct PreSaleReceipt {
    std::int32_t forma = 0;  // 2 cheque, anything else cash
    util::Money valor;
    std::int32_t docto = 0;  // the cheque's number
    util::DayNumber bom = 0;
};

struct PreSaleTitle {
    std::int32_t id_ctr = 0;
    util::DayNumber vecto = 0;
    util::Money valor;
    std::int32_t id_ctr2 = 0;  // the shadow company's twin, 0 when missing
};

struct PreSaleForm {
    std::string descr;  // without accents
    util::Money arred;  // the step each term is rounded to
    std::vector<PaymentTerm> terms;
};

// The inner SELECT of the list of waiting pre-sales of a store.
std::string pre_sale_list_select(std::int32_t company);
// The waiting pre-sales in pre-sale order, without those numbered 0;
// nullopt after the failure was shown.
std::optional<std::vector<PreSaleHeader>> load_pre_sale_list(std::int32_t company);

// Nullopt after the failure was shown (by the link).
std::optional<std::vector<PreSaleItem>> load_pre_sale_items(std::int32_t id_pedido);
std::optional<std::vector<PreSaleReceipt>> load_pre_sale_receipts(std::int32_t id_pedido);
std::optional<std::vector<PreSaleTitle>> load_pre_sale_titles(std::int32_t id_pedido,
                                                              std::int32_t company);
// The form's description and, with `with_terms`, its terms in order. A server
// whose encoding TO_ASCII cannot read gets the statement again without it,
// the accents removed here.
std::optional<PreSaleForm> load_payment_form(std::int32_t codigo, std::int32_t head_office,
                                             bool with_terms);

// The order's number, date and state as the back office holds them now.
struct OrderNow {
    bool found = false;
    std::int32_t numero = 0;
    util::DayNumber data = 0;
    std::int32_t situa = 0;
    std::int32_t serie_docfiscal_vinc = 0;  // the coupon's CRO once told
    std::int32_t num_docfiscal_vinc = 0;    // its COO
};
std::optional<OrderNow> load_order(std::int32_t id_pedido);

}  // namespace balcora::backoffice
