#include "sale/coupon_items.h"

#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

std::string coupon_item_select(std::string_view condition, std::string_view extra_columns) {
    return "SELECT d.id_cfiscald, d.num_item, d.id_produto, coalesce(nullif(trim(p.codigo_barras), "
           "''), p.codigo) AS code, d.descricao, d.unidade, d.preco, d.qtdade, d.total, "
           "d.vl_acrescimo, "
           "d.vl_desconto, d.comissao, d.item_cancelado" +
           (extra_columns.empty() ? std::string() : ", " + std::string(extra_columns)) +
           " FROM balcora.cfiscald d LEFT JOIN balcora.produto p ON p.id_produto=d.id_produto "
           "WHERE " +
           std::string(condition) + " ORDER BY d.num_item;";
}

std::string coupon_totals_statement() {
    const std::string net = "(total + vl_acrescimo - vl_desconto)";
    return "UPDATE balcora.cfiscal c SET total=s.total, comissao=s.comissao FROM (SELECT CASE "
           "WHEN sum(" +
           net + ") > 0 THEN sum(" + net + ") ELSE 0 END AS total, CASE WHEN sum(" + net +
           ") > 0 THEN round(sum(" + net + " * comissao) / sum(" + net +
           "), 2) ELSE 0 END AS comissao FROM balcora.cfiscald WHERE id_cfiscal=$1 AND "
           "item_cancelado=0) s WHERE c.id_cfiscal=$1";
}

std::string coupon_hash_statement() {
    return "update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") +
           " where id_cfiscal=$1";
}

CouponItem read_coupon_item(const db::SqlRecord& r) {
    auto three = [&](std::string_view column) {
        return util::read_number<3>(r.text(column)).value;
    };
    CouponItem it;
    it.id_cfiscald = r.integer("id_cfiscald");
    it.num_item = static_cast<std::int32_t>(r.integer("num_item"));
    it.id_produto = static_cast<std::int32_t>(r.integer("id_produto"));
    it.code = util::trim(r.text("code"));
    it.descricao = util::trim_right(r.text("descricao"));
    it.unidade = util::trim(r.text("unidade"));
    it.preco = three("preco");
    it.qtdade = three("qtdade");
    it.total = r.money("total");
    it.vl_acrescimo = r.money("vl_acrescimo");
    it.vl_desconto = r.money("vl_desconto");
    it.comissao = r.money("comissao");
    it.cancelled = r.integer("item_cancelado") != 0;
    return it;
}

std::optional<std::vector<CouponItem>> load_coupon_items(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    std::vector<CouponItem> items;
    if (!db::read_rows(coupon_item_select("d.id_cfiscal=" + std::to_string(id_cfiscal)), r))
        return std::nullopt;
    if (!r.has_row()) return items;
    do {
        items.push_back(read_coupon_item(r));
    } while (r.next());
    return items;
}

CouponTotals coupon_totals(const std::vector<CouponItem>& items) {
    CouponTotals t;
    // Sum of net x rate, in ten-thousandths: both factors are exact integers.
    std::int64_t weighted = 0;
    for (const CouponItem& it : items) {
        if (it.cancelled) continue;
        const util::Money net = it.net();
        t.total += net;
        std::int64_t product = 0;
        if (__builtin_mul_overflow(net.units(), it.comissao.units(), &product) ||
            __builtin_add_overflow(weighted, product, &weighted)) {
            weighted = 0;  // beyond any shop's coupon: no commission rather than a wrong one
            break;
        }
    }
    if (t.total.units() <= 0) return {};
    t.comissao = util::round_half_up_to<2>(
                     util::exact_quotient(util::Fixed<4>::from_units(weighted), t.total))
                     .value_or(util::Money{});
    return t;
}

bool write_coupon_totals(std::int64_t id_cfiscal, const CouponTotals& totals) {
    const std::string id = std::to_string(id_cfiscal);
    return db::execute("UPDATE balcora.cfiscal SET total=" + util::to_plain(totals.total) +
                       ", comissao=" + util::to_plain(totals.comissao) + " WHERE id_cfiscal=" + id +
                       "; update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") +
                       " where id_cfiscal=" + id + ";");
}

}  // namespace balcora::sale
