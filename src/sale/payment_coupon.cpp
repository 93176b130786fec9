#include "sale/payment_coupon.h"

#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

util::Money money(std::string_view text) {
    return util::read_number<2>(text).value;
}

std::int32_t integer(std::string_view text) {
    return static_cast<std::int32_t>(util::read_integer(text).value);
}

}  // namespace

std::int64_t current_coupon_id() {
    return util::read_integer(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal", "0")).value;
}

std::optional<PaymentCoupon> load_payment_coupon(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    if (id_cfiscal <= 0 ||
        !db::read_row("SELECT numero, num_ccf, numero_nf, id_cliente, id_empresa, data, "
                      "vl_acrescimo, vl_desconto, total, vl_recebido FROM balcora.cfiscal WHERE "
                      "id_cfiscal=",
                      id_cfiscal, r))
        return std::nullopt;
    PaymentCoupon c;
    c.id_cfiscal = id_cfiscal;
    c.numero = integer(r.C(1));
    c.num_ccf = integer(r.C(2));
    c.numero_nf = integer(r.C(3));
    c.id_cliente = integer(r.C(4));
    c.id_empresa = integer(r.C(5));
    c.data = util::parse_iso_date(r.C(6));
    c.vl_acrescimo = money(r.C(7));
    c.vl_desconto = money(r.C(8));
    c.total = money(r.C(9));
    c.vl_recebido = money(r.C(10));
    return c;
}

std::optional<ItemSums> load_item_sums(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT sum(total+vl_acrescimo-vl_desconto),sum(vl_trib_fed),sum(vl_trib_est),"
            "sum(vl_trib_mun) FROM balcora.cfiscald WHERE id_cfiscal=" +
                std::to_string(id_cfiscal) + " AND item_cancelado=0;",
            r))
        return std::nullopt;
    return ItemSums{money(r.C(1)), money(r.C(2)), money(r.C(3)), money(r.C(4))};
}

std::optional<std::vector<PaymentRow>> load_payments(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT ordem, tipo, numero, data, valor, vl_troco FROM balcora.cfiscalfp "
                       "WHERE id_cfiscal=" +
                           std::to_string(id_cfiscal) + " ORDER BY ordem, id_cfiscalfp;",
                       r))
        return std::nullopt;
    std::vector<PaymentRow> out;
    for (bool more = r.has_row(); more; more = r.next())
        out.push_back({integer(r.C(1)), util::trim(r.C(2)), integer(r.C(3)),
                       util::parse_iso_date(r.C(4)), money(r.C(5)), money(r.C(6))});
    return out;
}

std::string client_name(std::int32_t id_cliente) {
    if (id_cliente <= 0) return {};
    db::SqlRecord r;
    if (!db::read_row("SELECT razao, nome FROM balcora.cliente WHERE id_cliente=", id_cliente, r))
        return {};
    std::string name = util::trim(r.C(1));
    return name.empty() ? util::trim(r.C(2)) : name;
}

}  // namespace balcora::sale
