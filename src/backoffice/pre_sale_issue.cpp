#include "backoffice/pre_sale_issue.h"

#include "backoffice/pre_sale_checks.h"

#include "backoffice/backoffice_link.h"
#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/cp1252.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "ecf/printer_layouts.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/coupon_adjustment.h"
#include "sale/coupon_cancellation.h"
#include "sale/coupon_closing.h"
#include "sale/coupon_items.h"
#include "sale/item_amounts.h"
#include "sale/payment_coupon.h"
#include "sale/payment_forms.h"
#include "sale/product_lookup.h"
#include "sale/sale_documents.h"
#include "sale/stock_date_mark.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::backoffice {

namespace {

using util::Money;
using util::to_plain;

void notice(std::string_view text) {
    prompt().beep();
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

std::string id_or_null(std::int64_t id) {
    return id == 0 ? "NULL" : std::to_string(id);
}

// A payment row of the coupon.
struct Payment {
    std::string tipo;
    Money valor;
    std::int32_t numero = 0;
    util::DayNumber data = 0;
    std::string nsu;
    std::string text;  // the printer payment's text (receipts only)
};

struct OpenedCoupon {
    std::int64_t id = 0;
    std::int32_t coo = 0, cro = 0, ccf = 0, printer = 0, company = 0;
    util::DayNumber day = 0;
};

bool client_document(std::int32_t id_cliente, std::string& cgcpf) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT cgcpf FROM balcora.cliente WHERE id_cliente=" +
                           std::to_string(id_cliente) + ";",
                       r))
        return false;
    cgcpf = util::trim(r.C(1));
    return true;
}

std::optional<OpenedCoupon> open_coupon(CheckoutState& checkout, const PreSaleHeader& h) {
    checkout.fp_iniciada = 0;
    MaqecfRecord pos;
    if (!ecf::load_maqecf_by_serial(util::trim(glo::numfab), pos)) {
        notice("ECF não configurada para este computador!");
        return std::nullopt;
    }
    std::string cgcpf;
    if (!client_document(h.clien, cgcpf)) return std::nullopt;
    ecf::Printer& printer = ecf::printer();
    if (!printer.check_sale_state() || !printer.check_printer()) return std::nullopt;
    const auto counters = printer.read_counters();
    if (!counters) return std::nullopt;
    OpenedCoupon c;
    c.cro = counters->cro;
    c.coo = counters->coo + 1;
    c.ccf = counters->ccf + 1;
    c.printer = pos.numero;
    c.company = pos.id_empresa;
    c.day = pos.data_sit;
    const platform::LocalTime now = clock().now();
    // A seller the checkout does not know stays out of the coupon.
    const std::string seller =
        "(SELECT id_vendedor FROM balcora.vendedor WHERE id_vendedor=" + std::to_string(h.vende) +
        ")";
    const std::string insert =
        "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, data, id_cliente, "
        "vl_acrescimo, vl_desconto, total, situacao, op_emissao, comissao, forma_pag_com, "
        "id_vendedor, vl_recebido, num_ccf, dt_emissao_final, hr_emissao_final, num_pv, "
        "id_pedido, serie_nf, numero_nf) VALUES (" +
        id_or_null(pos.id_empresa) + ", " + std::to_string(pos.id_maqecf) + ", " +
        std::to_string(c.cro) + ", " + std::to_string(c.coo) + ", " + DTSQL(c.day) + ", " +
        id_or_null(h.clien) + ", 0, 0, 0, 'E', " +
        TXTSQL(util::trim_right(ecf::fit(util::trim(glo::nome_operador), 20)), true) +
        ", 0, NULL, " + seller + ", 0, " + std::to_string(c.ccf) + ", " + DTSQL(util::day_of(now)) +
        ", " + TXTSQL(util::time_text(now)) + ", " + std::to_string(h.num_pv) + ", " +
        std::to_string(h.id_pedido) + ", NULL, NULL);";
    bool printer_asked = false, printer_refused = false;
    c.id = db::write_fiscal_row("cfiscal", insert, [&](std::int64_t new_id) {
        if (!GRAVAREGISTRO("balcora", "PAF-ECF", "id_cfiscal", std::to_string(new_id)) ||
            !GRAVADATAESTOQUE(c.day))
            return false;
        printer_asked = true;
        printer_refused = !printer.open_coupon(cgcpf);
        return !printer_refused;
    });
    if (c.id == 0) {
        if (printer_refused) prompt().beep();
        // Opened on the printer, lost by the database: the checkout's flag
        // follows the printer and the recovery of the next sale screen
        // settles it.
        if (printer_asked && !printer_refused) printer.read_coupon_state();
        return std::nullopt;
    }
    glo::cf_aberto = 1;
    return c;
}

bool sell_item(const OpenedCoupon& c, const ReadyItem& item, int number) {
    const sale::Product& p = item.product;
    const sale::ItemAmounts& a = item.amounts;
    const std::string coupon = std::to_string(c.id);
    const std::string insert =
        "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, preco, qtdade, total, "
        "vl_acrescimo, vl_desconto, st, aliquota, vl_base, vl_imposto, item_cancelado, comissao, "
        "descricao, unidade, totalizador, vl_pis, vl_cofins, vl_trib_fed, vl_trib_est, "
        "vl_trib_mun) VALUES (" +
        coupon + ", " + std::to_string(number) + ", " + std::to_string(p.id_produto) + ", " +
        to_plain(item.preco) + ", " + to_plain(item.qtdade) + ", " + to_plain(a.total) + ", 0, " +
        to_plain(a.vl_desconto) + ", " + TXTSQL(util::to_upper_ascii(p.ecf_st)) + ", " +
        to_plain(p.ecf_aliquota) + ", " + to_plain(a.vl_base) + ", " + to_plain(a.vl_imposto) +
        ", 0, " + to_plain(item.comissao) + ", " + TXTSQL(util::cut_characters(p.descricao, 50)) +
        ", " + TXTSQL(util::cut_characters(p.unidade, 6)) + ", " + TXTSQL(item.totaliser) + ", " +
        to_plain(a.vl_pis) + ", " + to_plain(a.vl_cofins) + ", " + to_plain(a.vl_trib_fed) + ", " +
        to_plain(a.vl_trib_est) + ", " + to_plain(a.vl_trib_mun) +
        "); update balcora.cfiscald set hash=" + db::hash_expression("cfiscald") +
        " where id_cfiscald=(SELECT currval('balcora.cfiscald_id_cfiscald_seq'));";
    db::Transaction tx;
    if (!tx.begun() || !db::run_sql(insert, db::report_for_table("cfidcald"))) return false;
    const auto items = sale::load_coupon_items(c.id);
    if (!items || !sale::write_coupon_totals(c.id, sale::coupon_totals(*items))) return false;
    const std::string code = p.printed_code();
    if (!ecf::printer().sell_item({item_record_fields(item, code), Money{}, p.iat, code})) {
        prompt().beep();
        return false;
    }
    return tx.commit();
}

bool insert_payment(const OpenedCoupon& c, const Payment& p) {
    const std::string coupon = std::to_string(c.id);
    const std::string sql =
        "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, numero, data, valor, nsu, "
        "cancelada, num_coo, num_coo_cf, num_gnf, vl_troco) VALUES (" +
        coupon +
        ", (SELECT coalesce(max(ordem), 0) + 1 FROM balcora.cfiscalfp WHERE id_cfiscal=" + coupon +
        "), " + TXTSQL(p.tipo) + ", " + std::to_string(p.numero) + ", " + DTSQL(p.data) + ", " +
        to_plain(p.valor) + ", " + TXTSQL(p.nsu, true) + ", 0, " + std::to_string(c.coo) +
        ", 0, 0, 0); update balcora.cfiscalfp set hash=" + db::hash_expression("cfiscalfp") +
        " where id_cfiscalfp=(SELECT currval('balcora.cfiscalfp_id_cfiscalfp_seq'));";
    return db::run_sql(sql, db::report_for_table("cfiscalfp")).has_value();
}

bool send_payment(std::string_view printer_name, Money amount, std::string_view text,
                  std::optional<std::string_view> terms = std::nullopt) {
    if (!ecf::payment(printer_name, amount, text)) {
        notice("Valor do pagamento inválido!");
        return false;
    }
    const bool sent = ecf::printer().payment({printer_name, amount, text, terms});
    if (!sent) prompt().beep();
    return sent;
}

std::string short_date(util::DayNumber d) {
    if (d <= 0) return "";
    const auto c = util::civil_date(d);
    return util::zero_filled(c.day, 2) + "/" + util::zero_filled(c.month, 2) + "/" +
           util::zero_filled(c.year % 100, 2);
}

// Receipts, titles and terms in one transaction whose printer commands come
// last; the titles are renamed after the coupon in the back office first,
// so a link that fails there stops before the printer took any payment.
bool register_payments(const OpenedCoupon& c, const PreparedPreSale& p, std::string& last_form) {
    std::vector<Payment> rows;
    for (const PreSaleReceipt& r : p.receipts) {
        Payment pay;
        pay.valor = r.valor;
        if (r.forma == 2) {
            pay.tipo = "CH";
            pay.numero = r.docto;
            pay.data = r.bom > 0 ? r.bom : c.day;
            pay.text = " BOM PARA " + short_date(pay.data);
        } else {
            pay.tipo = "DI";
            pay.data = c.day;
        }
        rows.push_back(pay);
    }
    Money credit;
    int letter = 0;
    for (const PreSaleTitle& t : p.titles) {
        Payment pay;
        pay.tipo = "CR";
        pay.valor = t.valor;
        pay.data = t.vecto;
        pay.nsu = title_number(c.printer, c.cro, c.coo, letter++);
        credit = credit + t.valor;
        rows.push_back(pay);
    }
    for (std::size_t i = 0; i < p.terms.size(); ++i) {
        Payment pay;
        pay.tipo = p.term_rows[i].prazo != 0 ? "CR" : "DI";
        pay.valor = p.terms[i];
        pay.data = c.day + p.term_rows[i].prazo;
        credit = credit + p.terms[i];
        rows.push_back(pay);
    }

    db::Transaction tx;
    if (!tx.begun()) return false;
    letter = 0;
    for (const PreSaleTitle& t : p.titles) {
        const std::string nsu = title_number(c.printer, c.cro, c.coo, letter++);
        if (!exec_linked("UPDATE kontora.ctr   SET prefixo='CF', numero=" + TXTSQL(nsu) +
                         ", docto=" + TXTSQL("CF " + std::to_string(c.coo)) + " WHERE id_ctr in(" +
                         std::to_string(t.id_ctr) + "," + std::to_string(t.id_ctr2) + ");"))
            return false;
    }
    for (const Payment& pay : rows)
        if (!insert_payment(c, pay)) return false;
    const std::string id = std::to_string(c.id);
    if (!db::run_sql("UPDATE balcora.cfiscal SET vl_recebido=(SELECT coalesce(sum(valor), 0) "
                     "FROM balcora.cfiscalfp WHERE id_cfiscal=" +
                         id + ") WHERE id_cfiscal=" + id + "; update balcora.cfiscal set hash=" +
                         db::hash_expression("cfiscal") + " where id_cfiscal=" + id + ";",
                     db::report_for_table("cfiscal")))
        return false;
    for (std::size_t i = 0; i < p.receipts.size(); ++i) {
        last_form = sale::payment_printer_name(rows[i].tipo);
        if (!send_payment(last_form, rows[i].valor, rows[i].text)) return false;
    }
    if (credit.units() > 0) {
        last_form = sale::store_credit_printer_name();
        const std::string descr = " " + p.form_descr;
        if (!send_payment(last_form, credit, ecf::fit(descr, 40), p.form_descr)) return false;
    }
    return tx.commit();
}

bool cancel_on_printer(CheckoutState& checkout, const OpenedCoupon& c) {
    const bool cancelled = sale::commit_cancellation(c.id, "situacao='C'", c.day,
                                                     db::report_for_table("Grava CFiscal"), [] {
                                                         if (ecf::printer().cancel_coupon())
                                                             return true;
                                                         prompt().beep();
                                                         return false;
                                                     });
    if (cancelled) {
        glo::cf_aberto = 0;
        checkout.fp_iniciada = 0;
    }
    return cancelled;
}

void stop_after(CheckoutState& checkout, const OpenedCoupon& c, std::int64_t num_pv,
                std::string_view step) {
    const std::string head = "Emissão da Pré-Venda " + std::to_string(num_pv) +
                             " interrompida na etapa: " + std::string(step) + ".";
    if (cancel_on_printer(checkout, c)) {
        notice(head + "|O cupom fiscal " + util::zero_filled(c.coo, 6) +
               " foi cancelado; a pré-venda continua aguardando.");
        return;
    }
    notice(head + "|O cupom fiscal " + util::zero_filled(c.coo, 6) +
           " não pôde ser cancelado agora: ele será cancelado ao abrir a tela de venda.");
}

}  // namespace

bool order_already_issued(std::int32_t id_pedido) {
    db::SqlRecord r;
    // A failed query counts as issued: a doubt never prints a second coupon.
    if (!db::read_rows("SELECT COUNT(*) FROM balcora.cfiscal WHERE id_pedido = " +
                           std::to_string(id_pedido) + " AND situacao = 'E' HAVING COUNT(*)>0;",
                       r))
        return true;
    return r.has_row();
}

bool order_update_pending(std::int32_t id_pedido) {
    db::SqlRecord r;
    // A failed query counts as pending, for the same reason.
    if (!db::read_rows("SELECT COUNT(*) FROM balcora.cfiscal c JOIN balcora.registro g ON "
                       "g.chave LIKE 'ERRO_CF_%' AND g.nome LIKE 'ID_%' AND "
                       "lpad(trim(g.valor), 20, '0')=lpad(c.id_cfiscal::text, 20, '0') WHERE "
                       "c.id_pedido = " +
                           std::to_string(id_pedido) + " HAVING COUNT(*)>0;",
                       r))
        return true;
    return r.has_row();
}

std::optional<PreSaleCoupon> issue_pre_sale_coupon(CheckoutState& checkout,
                                                   const PreSaleHeader& h) {
    const auto prepared = prepare_pre_sale(h);
    if (!prepared) return std::nullopt;
    const auto c = open_coupon(checkout, h);
    if (!c) return std::nullopt;
    for (std::size_t i = 0; i < prepared->items.size(); ++i) {
        if (!sell_item(*c, prepared->items[i], static_cast<int>(i) + 1)) {
            stop_after(checkout, *c, h.num_pv, "itens");
            return std::nullopt;
        }
    }
    const auto adjusted = sale::apply_coupon_adjustment(
        checkout, {c->id, prepared->subtotal, prepared->surcharge, prepared->discount});
    if (adjusted != sale::AdjustmentResult::kApplied) {
        stop_after(checkout, *c, h.num_pv, "subtotal");
        return std::nullopt;
    }
    std::string last_form;
    if (!register_payments(*c, *prepared, last_form)) {
        stop_after(checkout, *c, h.num_pv, "pagamentos");
        return std::nullopt;
    }
    const auto loaded = sale::load_payment_coupon(c->id);
    const auto sums = loaded ? sale::load_item_sums(c->id) : std::nullopt;
    if (!loaded || !sums ||
        !sale::close_fiscal_coupon(
            *loaded,
            pre_sale_closing_message(h.num_pv, sums->trib_fed, sums->trib_est, sums->trib_mun,
                                     LEREGISTRO("balcora", "PAF-ECF", "Chave IBPT", "")))) {
        stop_after(checkout, *c, h.num_pv, "fechamento");
        return std::nullopt;
    }
    glo::cf_aberto = 0;
    checkout.fp_iniciada = 0;
    PreSaleCoupon out;
    out.id_cfiscal = c->id;
    out.numero = c->coo;
    out.num_cro = c->cro;
    out.id_empresa = c->company;
    out.id_pedido = h.id_pedido;
    out.data = c->day;
    out.last_form_printer_name = last_form;
    return out;
}

bool cancel_issued_coupon(const PreSaleCoupon& coupon) {
    const auto counters = ecf::printer().read_counters();
    if (!counters) return false;
    // The printer's cancellation is a document of its own: noted before it is
    // asked for, so a cut before COMMIT is settled at the next opening.
    if (!GRAVAREGISTRO("balcora", "PAF-ECF", sale::kPendingCancellation,
                       std::to_string(coupon.id_cfiscal) + ";" + std::to_string(counters->coo)))
        return false;
    const bool cancelled = sale::commit_cancellation(
        coupon.id_cfiscal, "situacao='C'", coupon.data, db::report_for_table("Grava CFiscal"), [] {
            if (!GRAVAREGISTRO("balcora", "PAF-ECF", sale::kPendingCancellation, "")) return false;
            if (ecf::printer().cancel_coupon()) return true;
            prompt().beep();
            return false;
        });
    if (!cancelled) GRAVAREGISTRO("balcora", "PAF-ECF", sale::kPendingCancellation, "");
    return cancelled;
}

}  // namespace balcora::backoffice
