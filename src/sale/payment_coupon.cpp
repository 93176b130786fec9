#include "sale/payment_coupon.h"

#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

std::int32_t integer(const db::SqlRecord& r, std::string_view column) {
    return static_cast<std::int32_t>(r.integer(column));
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
    c.numero = integer(r, "numero");
    c.num_ccf = integer(r, "num_ccf");
    c.numero_nf = integer(r, "numero_nf");
    c.id_cliente = integer(r, "id_cliente");
    c.id_empresa = integer(r, "id_empresa");
    c.data = r.day("data");
    c.vl_acrescimo = r.money("vl_acrescimo");
    c.vl_desconto = r.money("vl_desconto");
    c.total = r.money("total");
    c.vl_recebido = r.money("vl_recebido");
    return c;
}

std::optional<ItemSums> load_item_sums(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT sum(total+vl_acrescimo-vl_desconto) AS total,sum(vl_trib_fed) AS "
            "vl_trib_fed,sum(vl_trib_est) AS vl_trib_est,sum(vl_trib_mun) AS vl_trib_mun FROM "
            "balcora.cfiscald WHERE id_cfiscal=" +
                std::to_string(id_cfiscal) + " AND item_cancelado=0;",
            r))
        return std::nullopt;
    return ItemSums{r.money("total"), r.money("vl_trib_fed"), r.money("vl_trib_est"),
                    r.money("vl_trib_mun")};
}

std::optional<std::vector<PaymentRow>> load_payments(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT ordem, tipo, numero, data, valor, vl_troco FROM balcora.cfiscalfp "
                       "WHERE id_cfiscal=" +
                           std::to_string(id_cfiscal) +
                           " AND coalesce(cancelada, 0)=0 ORDER BY ordem, id_cfiscalfp;",
                       r))
        return std::nullopt;
    std::vector<PaymentRow> out;
    for (bool more = r.has_row(); more; more = r.next())
        out.push_back({integer(r, "ordem"), util::trim(r.text("tipo")), integer(r, "numero"),
                       r.day("data"), r.money("valor"), r.money("vl_troco")});
    return out;
}

std::string client_name(std::int32_t id_cliente) {
    if (id_cliente <= 0) return {};
    db::SqlRecord r;
    if (!db::read_row("SELECT razao, nome FROM balcora.cliente WHERE id_cliente=", id_cliente, r))
        return {};
    std::string name = util::trim(r.text("razao"));
    return name.empty() ? util::trim(r.text("nome")) : name;
}

}  // namespace balcora::sale
