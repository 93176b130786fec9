#include "sale/payment_writes.h"

#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/record_hash.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
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
// The card columns of a row: the manager's answer, or NULL for other forms.
std::string card_values(const std::optional<CardFields>& c) {
    if (!c) return "NULL, NULL, NULL, NULL, NULL, NULL, NULL";
    std::string hour = "NULL";
    const std::string& h = c->hora_transacao;
    if (h.size() == 6 && h.find_first_not_of("0123456789") == std::string::npos &&
        std::stoi(h.substr(0, 2)) < 24 && std::stoi(h.substr(2, 2)) < 60 &&
        std::stoi(h.substr(4, 2)) < 60)
        hour = "'" + h.substr(0, 2) + ":" + h.substr(2, 2) + ":" + h.substr(4, 2) + "'";
    return TXTSQL(util::cut_characters(c->nome_rede, 8)) + ", " +
           std::to_string(c->tipo_transacao) + ", " + TXTSQL(util::cut_characters(c->nsu, 12)) +
           ", " + (c->data_transacao ? DTSQL(c->data_transacao) : std::string("NULL")) + ", " +
           hour + ", " + std::to_string(c->tp_parcelamento) + ", " +
           std::to_string(c->qtd_parcelas);
}

// The row, its id read back and its hash, in one round trip. Every column
// the digest reads gets a value: a NULL one would make the digest NULL.
std::optional<std::int64_t> insert_payment_row(const PaymentCoupon& c, const PaymentEntry& e) {
    const std::string coupon = std::to_string(c.id_cfiscal);
    const std::string sql =
        "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, numero, data, valor, cancelada, "
        "num_coo, num_coo_cf, num_gnf, vl_troco, nome_rede, tipo_transacao, nsu, data_transacao, "
        "hora_transacao, tp_parcelamento, qtd_parcelas) VALUES (" +
        coupon +
        ", (SELECT coalesce(max(ordem), 0) + 1 FROM balcora.cfiscalfp WHERE id_cfiscal=" + coupon +
        "), " + TXTSQL(e.tipo) + ", " + std::to_string(e.numero) + ", " + DTSQL(e.data) + ", " +
        to_plain(e.valor) + ", 0, " + std::to_string(c.numero) + ", 0, 0, " + to_plain(e.vl_troco) +
        ", " + card_values(e.card) +
        "); update balcora.cfiscalfp set hash=" + db::hash_expression("cfiscalfp") +
        " where id_cfiscalfp=(SELECT currval('balcora.cfiscalfp_id_cfiscalfp_seq')) RETURNING "
        "id_cfiscalfp;";
    auto r = db::run_sql(sql, db::report_for_table("cfiscalfp"));
    if (!r || r->rows() != 1) return std::nullopt;
    return util::read_integer(r->value(0, 0)).value;
}

bool send_payment(std::string_view code, util::Money amount, std::string_view text) {
    const std::string method = payment_printer_name(code);
    if (!ecf::payment(method, amount, text)) {
        prompt().beep();
        prompt().message("Aviso", "Valor do pagamento inválido!", ui::Icon::kWarning);
        return false;
    }
    if (ecf::printer().payment({method, amount, text, std::nullopt})) return true;
    prompt().beep();
    return false;
}

}  // namespace

bool store_amount_received(std::int64_t id_cfiscal) {
    const std::string id = std::to_string(id_cfiscal);
    const std::string sql =
        "UPDATE balcora.cfiscal SET vl_recebido=(SELECT coalesce(sum(valor), 0) FROM "
        "balcora.cfiscalfp WHERE coalesce(cancelada, 0)=0 AND id_cfiscal=" +
        id + ") WHERE id_cfiscal=" + id +
        "; update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") +
        " where id_cfiscal=" + id + ";";
    return db::run_sql(sql, db::report_for_table("cfiscal")).has_value();
}

std::string cheque_description(std::int32_t number, util::DayNumber good_for) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", number);
    return "Numero: " + std::string(digits) + " Bom para: " + short_date(good_for);
}

bool register_payment(const PaymentCoupon& coupon, const PaymentEntry& entry) {
    const std::string text =
        is_cheque(entry.tipo) ? cheque_description(entry.numero, entry.data) : std::string();
    return register_payment(coupon, entry,
                            [&] { return send_payment(entry.tipo, entry.valor, text); })
        .has_value();
}

std::optional<std::int64_t> register_payment(const PaymentCoupon& coupon, const PaymentEntry& entry,
                                             const PrinterStep& printer_step) {
    db::Transaction tx;
    if (!tx.begun()) return std::nullopt;
    const auto id = insert_payment_row(coupon, entry);
    if (!id || !store_amount_received(coupon.id_cfiscal)) return std::nullopt;
    if (!printer_step() || !tx.commit()) return std::nullopt;
    return id;
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
    if (!store_amount_received(coupon.id_cfiscal)) return false;
    if (!send_payment("CR", amount, credit_description(days, coupon.data))) return false;
    return tx.commit();
}

}  // namespace balcora::sale
