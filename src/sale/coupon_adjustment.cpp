#include "sale/coupon_adjustment.h"

#include "db/fiscal_write.h"
#include "db/record_hash.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "globals/checkout_state.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/fixed_point_text.h"

#include <string>

namespace balcora::sale {

namespace {

using util::to_plain;

}  // namespace

bool apportion_adjustment(const CouponAdjustment& a) {
    if (a.subtotal.units() <= 0) return false;
    const std::string id = std::to_string(a.id_cfiscal);
    const std::string adj = to_plain(a.surcharge - a.discount);
    const std::string subtotal = to_plain(a.subtotal);
    // Each share is rounded from adj x net / subtotal, multiplied first so a
    // share that is exactly half a cent rounds the same way here and in the
    // printer; the last item takes the adjustment less the others' shares.
    const std::string sql =
        "WITH items AS (SELECT d.id_cfiscald, d.total - d.vl_desconto AS net_base, "
        "round(" +
        adj + " * (d.total + d.vl_acrescimo - d.vl_desconto) / " + subtotal +
        ", 2) AS share, d.num_item = max(d.num_item) OVER () AS last, "
        "coalesce(p.aliq_pis, 0) AS aliq_pis, coalesce(p.aliq_cofins, 0) AS aliq_cofins, "
        "coalesce(p.aliq_federal, 0) AS aliq_federal, coalesce(p.aliq_estadual, 0) AS "
        "aliq_estadual, coalesce(p.aliq_municipal, 0) AS aliq_municipal FROM balcora.cfiscald d "
        "LEFT JOIN balcora.produto p ON p.id_produto = d.id_produto WHERE d.id_cfiscal=" +
        id + " AND d.item_cancelado=0), bases AS (SELECT *, net_base + CASE WHEN last THEN " + adj +
        " - (sum(share) OVER () - share) ELSE share END AS base FROM items) "
        "UPDATE balcora.cfiscald d SET vl_base = b.base, vl_imposto = trunc(b.base * "
        "d.aliquota) / 100, vl_pis = round(b.base / 100 * b.aliq_pis, 2), vl_cofins = "
        "round(b.base / 100 * b.aliq_cofins, 2), vl_trib_fed = round(b.base / 100 * "
        "b.aliq_federal, 2), vl_trib_est = round(b.base / 100 * b.aliq_estadual, 2), "
        "vl_trib_mun = round(b.base / 100 * b.aliq_municipal, 2) FROM bases b WHERE "
        "d.id_cfiscald = b.id_cfiscald; update balcora.cfiscald set hash=" +
        db::hash_expression("cfiscald") + " where id_cfiscal=" + id + " AND item_cancelado=0;";
    return db::run_sql(sql, db::report_for_table("cfiscald")).has_value();
}

std::optional<PrinterMoment> printer_moment(std::string_view text) {
    if (text.size() < 12) return std::nullopt;
    for (char c : text.substr(0, 12))
        if (c < '0' || c > '9') return std::nullopt;
    auto two = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    const util::DayNumber day = util::day_number(2000 + two(4), two(2), two(0));
    if (day == 0 || two(6) > 23 || two(8) > 59 || two(10) > 59) return std::nullopt;
    std::string time = std::string(text.substr(6, 2)) + ":" + std::string(text.substr(8, 2)) + ":" +
                       std::string(text.substr(10, 2));
    return PrinterMoment{util::iso_date(day), time};
}

AdjustmentResult apply_coupon_adjustment(CheckoutState& checkout, const CouponAdjustment& a) {
    if (a.discount > a.subtotal) return AdjustmentResult::kDiscountTooLarge;
    // A fiscal coupon cannot total zero: the printer refuses the closing
    // start, and no payment of zero can be registered, so the coupon could
    // never be closed. Said here, before the printer is asked.
    if (!a.discount.is_zero() && a.discount == a.subtotal) {
        prompt().message("Aviso",
                         "Desconto igual ao total do cupom: um cupom fiscal não pode ter valor "
                         "zero.|Informe um desconto menor ou cancele o cupom.",
                         ui::Icon::kWarning);
        return AdjustmentResult::kDiscountTooLarge;
    }
    const bool discount = !a.discount.is_zero();
    const auto kind = discount ? ecf::Adjustment::kDiscount : ecf::Adjustment::kSurcharge;
    const util::Money amount = discount ? a.discount : a.surcharge;
    if (!ecf::start_closing(kind, amount)) return AdjustmentResult::kDiscountTooLarge;

    db::Transaction tx;
    if (!tx.begun()) return AdjustmentResult::kFailed;
    if ((discount || !a.surcharge.is_zero()) && !apportion_adjustment(a))
        return AdjustmentResult::kFailed;
    const auto printer_clock = ecf::printer().read_date_time();
    if (!printer_clock) return AdjustmentResult::kFailed;
    const auto moment = printer_moment(printer_clock->ddmmyyhhmmss);
    if (!moment) {
        prompt().message("Aviso", "Data e hora da impressora fiscal ilegíveis!",
                         ui::Icon::kWarning);
        return AdjustmentResult::kFailed;
    }
    const std::string id = std::to_string(a.id_cfiscal);
    const std::string total = to_plain(a.subtotal + a.surcharge - a.discount);
    const std::string header =
        "UPDATE balcora.cfiscal SET vl_acrescimo=" + to_plain(a.surcharge) +
        ", vl_desconto=" + to_plain(a.discount) + ", total=" + total + ", dt_emissao_final='" +
        moment->date + "', hr_emissao_final='" + moment->time +
        "', (vl_trib_fed, vl_trib_est, vl_trib_mun) = (SELECT coalesce(sum(vl_trib_fed), 0), "
        "coalesce(sum(vl_trib_est), 0), coalesce(sum(vl_trib_mun), 0) FROM balcora.cfiscald "
        "WHERE id_cfiscal=" +
        id + " AND item_cancelado=0) WHERE id_cfiscal=" + id +
        "; update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") +
        " where id_cfiscal=" + id + ";";
    if (!db::run_sql(header, db::report_for_table("cfiscal"))) return AdjustmentResult::kFailed;
    if (!ecf::printer().start_closing(kind, amount)) {
        prompt().beep();
        return AdjustmentResult::kFailed;
    }
    if (!tx.commit()) return AdjustmentResult::kFailed;
    checkout.fp_iniciada = 1;
    return AdjustmentResult::kApplied;
}

}  // namespace balcora::sale
