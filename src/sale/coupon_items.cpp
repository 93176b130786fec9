#include "sale/coupon_items.h"

#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/sql_record.h"
#include "sale/select_rows.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

template <int P>
util::Fixed<P> number(const db::SqlRecord& r, int k) {
    return util::read_number<P>(r.C(k)).value;
}

}  // namespace

std::optional<std::vector<CouponItem>> load_coupon_items(std::int64_t id_cfiscal) {
    const std::string sql =
        "SELECT d.id_cfiscald, d.num_item, d.id_produto, coalesce(nullif(trim(p.codigo_barras), "
        "''), p.codigo), d.descricao, d.unidade, d.preco, d.qtdade, d.total, d.vl_acrescimo, "
        "d.vl_desconto, d.comissao, d.item_cancelado FROM balcora.cfiscald d LEFT JOIN "
        "balcora.produto p ON p.id_produto=d.id_produto WHERE d.id_cfiscal=" +
        std::to_string(id_cfiscal) + " ORDER BY d.num_item;";
    db::SqlRecord r;
    std::vector<CouponItem> items;
    if (!select_rows(sql, r)) return std::nullopt;
    if (!r.has_row()) return items;
    do {
        CouponItem it;
        it.id_cfiscald = util::read_integer(r.C(1)).value;
        it.num_item = static_cast<std::int32_t>(util::read_integer(r.C(2)).value);
        it.id_produto = static_cast<std::int32_t>(util::read_integer(r.C(3)).value);
        it.code = util::trim(r.C(4));
        it.descricao = util::trim_right(r.C(5));
        it.unidade = util::trim(r.C(6));
        it.preco = number<3>(r, 7);
        it.qtdade = number<3>(r, 8);
        it.total = number<2>(r, 9);
        it.vl_acrescimo = number<2>(r, 10);
        it.vl_desconto = number<2>(r, 11);
        it.comissao = number<2>(r, 12);
        it.cancelled = util::read_integer(r.C(13)).value != 0;
        items.push_back(std::move(it));
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
