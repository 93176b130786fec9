#include "sale/payment_writes.h"

#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/record_hash.h"
#include "db/sql_runner.h"
#include "ecf/printer.h"
#include "ecf/printer_layouts.h"
#include "sale/payment_arithmetic.h"
#include "sale/payment_forms.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::sale {

namespace {

using util::to_plain;

// The row, its id read back and its hash, in one round trip. Every column
// the digest reads gets a value: a NULL one would make the digest NULL.
std::optional<std::int64_t> insert_payment_row(const PaymentCoupon& c, const PaymentEntry& e) {
    const std::string coupon = std::to_string(c.id_cfiscal);
    const std::string sql =
        "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, numero, data, valor, cancelada, "
        "num_coo, num_coo_cf, num_gnf, vl_troco) VALUES (" +
        coupon +
        ", (SELECT coalesce(max(ordem), 0) + 1 FROM balcora.cfiscalfp WHERE id_cfiscal=" + coupon +
        "), " + TXTSQL(e.tipo) + ", " + std::to_string(e.numero) + ", " + DTSQL(e.data) + ", " +
        to_plain(e.valor) + ", 0, " + std::to_string(c.numero) + ", 0, 0, " + to_plain(e.vl_troco) +
        "); update balcora.cfiscalfp set hash=" + db::hash_expression("cfiscalfp") +
        " where id_cfiscalfp=(SELECT currval('balcora.cfiscalfp_id_cfiscalfp_seq')) RETURNING "
        "id_cfiscalfp;";
    auto r = db::run_sql(sql, db::report_for_table("cfiscalfp"));
    if (!r || r->rows() != 1) return std::nullopt;
    return util::read_integer(r->value(0, 0)).value;
}

// The amount received follows every payment inside its transaction, so the
// row never disagrees with the payments it sums.
bool store_amount_received(const PaymentCoupon& c) {
    const std::string id = std::to_string(c.id_cfiscal);
    const std::string sql =
        "UPDATE balcora.cfiscal SET vl_recebido=(SELECT coalesce(sum(valor), 0) FROM "
        "balcora.cfiscalfp WHERE id_cfiscal=" +
        id + ") WHERE id_cfiscal=" + id +
        "; update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") +
        " where id_cfiscal=" + id + ";";
    return db::run_sql(sql, db::report_for_table("cfiscal")).has_value();
}

bool send_payment(std::string_view code, util::Money amount, std::string_view text) {
    const auto p1 = ecf::payment(payment_printer_name(code), amount, text);
    if (!p1) {
        prompt().beep();
        prompt().message("Aviso", "Valor do pagamento inválido!", ui::Icon::kWarning);
        return false;
    }
    if (ecf::send(ecf::CMD_PAYMENT, {*p1})) return true;
    prompt().beep();
    return false;
}

}  // namespace

std::string cheque_description(std::int32_t number, util::DayNumber good_for) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", number);
    return "Numero: " + std::string(digits) + " Bom para: " + short_date(good_for);
}

bool register_payment(const PaymentCoupon& coupon, const PaymentEntry& entry) {
    db::Transaction tx;
    if (!tx.begun() || !insert_payment_row(coupon, entry) || !store_amount_received(coupon))
        return false;
    const std::string text =
        is_cheque(entry.tipo) ? cheque_description(entry.numero, entry.data) : std::string();
    if (!send_payment(entry.tipo, entry.valor, text)) return false;
    return tx.commit();
}

bool register_credit(const PaymentCoupon& coupon, util::Money amount,
                     const std::vector<int>& days) {
    const std::vector<util::Money> parts = split_instalments(amount, static_cast<int>(days.size()));
    if (parts.empty()) return false;
    db::Transaction tx;
    if (!tx.begun()) return false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        PaymentEntry e;
        e.tipo = "CR";
        e.valor = parts[i];
        e.data = coupon.data + days[i];
        if (!insert_payment_row(coupon, e)) return false;
    }
    if (!store_amount_received(coupon)) return false;
    if (!send_payment("CR", amount, credit_description(days, coupon.data))) return false;
    return tx.commit();
}

}  // namespace balcora::sale
