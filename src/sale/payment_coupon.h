#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The open coupon as the payment screen reads it: its row, the sums over its
// items and its payments.
namespace balcora::sale {

struct PaymentCoupon {
    std::int64_t id_cfiscal = 0;
    std::int32_t numero = 0;   // COO
    std::int32_t num_ccf = 0;  // CCF
    std::int32_t numero_nf = 0;
    std::int32_t id_cliente = 0;
    std::int32_t id_empresa = 0;
    util::DayNumber data = 0;
    util::Money vl_acrescimo;
    util::Money vl_desconto;
    util::Money total;
    util::Money vl_recebido;
};

// The coupon the sale screens opened last (the "id_cfiscal" setting the
// opening writes); 0 when there is none.
std::int64_t current_coupon_id();

// Nullopt when the row is missing or the query failed (shown).
std::optional<PaymentCoupon> load_payment_coupon(std::int64_t id_cfiscal);

// The sums over the items not cancelled: total + surcharge - discount, and
// the three approximate taxes.
struct ItemSums {
    util::Money subtotal;
    util::Money trib_fed, trib_est, trib_mun;
};
std::optional<ItemSums> load_item_sums(std::int64_t id_cfiscal);

struct PaymentRow {
    std::int32_t ordem = 0;
    std::string tipo;
    std::int32_t numero = 0;
    util::DayNumber data = 0;
    util::Money valor;
    util::Money vl_troco;
};
// The payments in order; nullopt when the query failed (shown).
std::optional<std::vector<PaymentRow>> load_payments(std::int64_t id_cfiscal);

// The client's name for the screen; empty when there is none.
std::string client_name(std::int32_t id_cliente);

}  // namespace balcora::sale
