#include "sale/coupon_cancellation.h"

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
#include "sale/called_procedures.h"
#include "sale/card_functions.h"
#include "sale/coupon_adjustment.h"
#include "sale/open_coupon_recovery.h"
#include "sale/payment_writes.h"
#include "sale/printer_reconciliation.h"
#include "sale/sale_documents.h"
#include "sale/stock_date_mark.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::sale {

namespace {

void notice(std::string_view text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

void not_permitted() {
    prompt().message("Aviso ECF", "Cancelamento de cupom fiscal não permitido!",
                     ui::Icon::kWarning);
}

struct CouponRow {
    std::int64_t id = 0;
    std::int32_t numero = 0;
    std::int32_t num_ccf = 0;
    util::DayNumber data = 0;
    std::string situacao;
    std::int32_t id_cliente = 0;
    std::int32_t id_pedido = 0;
};

bool load_coupon(std::int64_t id, CouponRow& out) {
    if (id <= 0) return false;
    db::SqlRecord r;
    if (!db::read_row("SELECT numero, num_ccf, data, situacao, coalesce(id_cliente, 0) AS "
                      "id_cliente, coalesce(id_pedido, 0) AS id_pedido FROM balcora.cfiscal "
                      "WHERE id_cfiscal=",
                      id, r))
        return false;
    out.id = id;
    out.numero = static_cast<std::int32_t>(r.integer("numero"));
    out.num_ccf = static_cast<std::int32_t>(r.integer("num_ccf"));
    out.data = r.day("data");
    out.situacao = util::trim(r.text("situacao"));
    out.id_cliente = static_cast<std::int32_t>(r.integer("id_cliente"));
    out.id_pedido = static_cast<std::int32_t>(r.integer("id_pedido"));
    return true;
}

// Whether the select finds a row; a failed query counts as found, so that a
// doubt never takes the plain path past a linked payment.
bool exists(const std::string& select) {
    db::SqlRecord r;
    return !db::read_rows(select, r) || r.has_row();
}

bool paid_with(const CouponRow& c, std::string_view tipo) {
    return exists("SELECT id_cfiscalfp FROM balcora.cfiscalfp WHERE tipo='" + std::string(tipo) +
                  "' AND id_cfiscal=" + std::to_string(c.id) + ";");
}

// The coupon's card payment ("CA"): its id, 0 without one, -1 when the query
// failed (shown).
std::int64_t card_payment_id(const CouponRow& c) {
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT id_cfiscalfp FROM balcora.cfiscalfp WHERE tipo='CA' AND id_cfiscal=" +
                std::to_string(c.id) + ";",
            r))
        return -1;
    return r.has_row() ? r.integer("id_cfiscalfp") : 0;
}

bool has_credit_voucher(const CouponRow& c) {
    return exists("SELECT id_docecf FROM balcora.docecf WHERE tipo='CC' AND num_ccf=" +
                  std::to_string(c.num_ccf) + " AND data='" + util::iso_date(c.data) + "';");
}

// The COO of the coupon's credit voucher as registered; the printer's last
// COO when it was never registered (the voucher is then its last document).
std::int64_t voucher_coo(const CouponRow& c, std::int64_t last_coo) {
    db::SqlRecord r;
    if (db::read_rows("SELECT num_coo FROM balcora.docecf WHERE tipo='CC' AND num_ccf=" +
                          std::to_string(c.num_ccf) + " AND data='" + util::iso_date(c.data) +
                          "' ORDER BY id_docecf DESC LIMIT 1;",
                      r) &&
        r.has_row())
        return r.integer("num_coo");
    return last_coo;
}

bool send_reversal(const CouponRow& c, std::int64_t voucher) {
    std::optional<DocumentClient> client;
    if (!load_document_client(c.id_cliente, client)) return false;
    const DocumentClient none;
    const DocumentClient& k = client ? *client : none;
    const std::string address = util::trim(k.ender) + " " + util::trim(k.bairr) + " - " +
                                util::trim(k.municipio) + "/" + util::trim(k.estado);
    if (ecf::printer().reverse_credit_voucher({k.cgcpf, util::trim(k.razao), address, voucher}))
        return true;
    prompt().beep();
    return false;
}

// A cancellation cut after the printer reversed the voucher is tried again:
// the printer refuses a second reversal, so the tape since the voucher is
// read first (up to the counters just read to tell the last coupon) and the
// reversal is not asked twice.
bool reverse_credit_voucher(const CouponRow& c, std::int64_t last_coo) {
    const std::int64_t voucher = voucher_coo(c, last_coo);
    if (voucher < last_coo &&
        printer_documents_show(voucher + 1, last_coo, kReversedVoucherLine, voucher))
        return true;
    return send_reversal(c, voucher);
}

// The order's update in the back office waits for its link: the mark tells
// it which coupon to give back.
void mark_order_for_back_office(const CouponRow& c) {
    const std::string id = util::zero_filled(c.id, 8);
    db::run_sql("INSERT INTO balcora.registro(chave, nome, valor)  VALUES ('ERRO_CF_CANC" + id +
                    "', 'ID_" + id + "','" + id + "');",
                [](const db::SqlFailure& f, std::string_view) {
                    prompt().message("Erro", f.text, ui::Icon::kError);
                });
}

void open_coupon_update_failed(const db::SqlFailure& f, std::string_view) {
    prompt().beep();
    prompt().message("Erro2 (" + f.sqlstate + ")/CFISCAL", f.text, ui::Icon::kError);
}

bool send_cancel() {
    if (ecf::printer().cancel_coupon()) return true;
    prompt().beep();
    return false;
}

}  // namespace

bool commit_cancellation(std::int64_t id_cfiscal, const std::string& set, util::DayNumber day,
                         const db::FailureReport& report, const std::function<bool()>& cancel) {
    const std::string where = " WHERE id_cfiscal=" + std::to_string(id_cfiscal) + ";";
    db::Transaction tx;
    if (!tx.begun()) return false;
    if (!db::run_sql("UPDATE balcora.cfiscal SET " + set + where, report)) return false;
    if (!db::execute("update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") + where) ||
        !db::execute("update balcora.cfiscald set hash=" + db::hash_expression("cfiscald") +
                     where) ||
        !GRAVADATAESTOQUE(day))
        return false;
    if (!cancel()) return false;
    return tx.commit();
}

bool cancel_open_coupon(CheckoutState& checkout, std::int64_t id_cfiscal) {
    CouponRow c;
    if (glo::cf_aberto == 0 || !load_coupon(id_cfiscal, c)) return false;
    ecf::Printer& printer = ecf::printer();
    const auto state = printer.read_coupon_state();
    if (!state) return false;
    if (!state->may_cancel) {
        not_permitted();
        return false;
    }
    // The row must be the coupon the printer holds open (while one is open
    // the counters name it), or the wrong coupon would be marked.
    const auto counters = printer.read_counters();
    if (!counters) return false;
    if (c.situacao != "E" || c.numero != counters->coo) {
        notice("Cupom fiscal aberto na impressora (COO " + util::zero_filled(counters->coo, 6) +
               ") não confere com o cupom do banco de dados!");
        return false;
    }
    const auto printer_clock = printer.read_date_time();
    if (!printer_clock) return false;
    const auto moment = printer_moment(printer_clock->ddmmyyhhmmss);
    if (!moment) {
        notice("Data e hora da impressora fiscal ilegíveis!");
        return false;
    }
    MaqecfRecord pos;
    if (!ecf::load_maqecf_by_serial(util::trim(glo::numfab), pos)) pos.data_sit = c.data;
    // The COO and CCF stay those the printer gave the coupon when it opened
    // it: counters read since then may already name the open coupon itself.
    const std::string id = std::to_string(c.id);
    std::string set = "situacao='C', op_cadastro='SISTEMA BALC', op_emissao=" +
                      TXTSQL(util::trim_right(ecf::fit(util::trim(glo::nome_operador), 20)), true) +
                      ", data=" + DTSQL(pos.data_sit) + ", dt_emissao_final='" + moment->date +
                      "', hr_emissao_final='" + moment->time +
                      "', total=coalesce((SELECT sum(total + vl_acrescimo - vl_desconto) FROM "
                      "balcora.cfiscald WHERE item_cancelado=0 AND id_cfiscal=" +
                      id + "), 0)";
    if (pos.id_maqecf != 0)
        set += ", id_maqecf=" + std::to_string(pos.id_maqecf) +
               ", id_empresa=" + std::to_string(pos.id_empresa);
    if (!commit_cancellation(c.id, set, pos.data_sit, open_coupon_update_failed, send_cancel))
        return false;
    glo::cf_aberto = 0;
    checkout.fp_iniciada = 0;
    return true;
}

bool cancel_last_coupon(std::int64_t id_cfiscal, CancelFrom from) {
    ecf::Printer& printer = ecf::printer();
    if (!printer.check_sale_state() || !printer.check_printer()) return false;
    CouponRow c;
    if (id_cfiscal <= 0 || !load_coupon(id_cfiscal, c)) {
        notice("Primeiro selecione o cupom fiscal que deseja cancelar!");
        return false;
    }
    if (c.situacao == "C") {
        notice("Cupom fiscal emitido já foi cancelado!");
        return false;
    }
    if (c.situacao != "E") {
        notice("Cupom fiscal ainda não foi emitido!");
        return false;
    }
    const auto counters = printer.read_counters();
    if (!counters) return false;
    if (counters->ccf != c.num_ccf) {
        notice("Somente é permitido cancelar o último cupom fiscal emitido pelo ECF!");
        return false;
    }
    const std::string coo = util::zero_filled(c.numero, 6);
    const bool tef_active =
        util::trim(LEREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "N")) == "S";
    const std::int64_t card = from == CancelFrom::kQuickSale || tef_active ? card_payment_id(c) : 0;
    if (card < 0) return false;
    const bool credit =
        card == 0 && (from == CancelFrom::kQuickSale ? paid_with(c, "CR") : has_credit_voucher(c));
    if (card > 0) {
        if (!prompt().confirm("Confirme", "Cupom fiscal número " + coo +
                                              " está vinculado a uma transação TEF!|Confirma o "
                                              "cancelamento da transação TEF e do Cupom Fiscal?"))
            return false;
        if (!card_functions()) {
            report_not_available("Cancelamento de cupom fiscal vinculado a transação TEF");
            return false;
        }
    } else if (credit) {
        if (!prompt().confirm("Confirme", "Cupom fiscal número " + coo +
                                              " está vinculado a uma venda no Crediário!|Confirma "
                                              "o cancelamento do Crediário e do Cupom Fiscal?"))
            return false;
        if (!reverse_credit_voucher(c, counters->coo)) return false;
    } else {
        const auto state = printer.read_coupon_state();
        if (!state) return false;
        if (!state->may_cancel) {
            not_permitted();
            return false;
        }
        if (!prompt().confirm("Confirme", "Confirma cancelar cupom fiscal número " + coo + "?"))
            return false;
    }
    // The printer's cancellation is a document of its own, COO + 1: noted
    // before it is asked for, so that a cut before COMMIT is settled at the
    // next opening (printer_reconciliation.h).
    const auto before = printer.read_counters();
    if (!before || !GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation,
                                  std::to_string(c.id) + ";" + std::to_string(before->coo)))
        return false;
    // The card-payment manager's function cancels the coupon on the printer
    // once the manager agreed, and commits this transaction itself.
    const bool cancelled = commit_cancellation(
        c.id, "situacao='C'", c.data, db::report_for_table("Grava CFiscal"), [card] {
            if (!GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation, "")) return false;
            if (card == 0) return send_cancel();
            return card_functions()->cancel_payment(card);
        });
    if (!cancelled) {
        GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation, "");
        return false;
    }
    if (from == CancelFrom::kCouponBrowse) {
        if (c.id_pedido != 0) {
            mark_order_for_back_office(c);
            run_order_return(c.id);
        }
        prompt().message("Aviso", "Cupom fiscal cancelado com sucesso!", ui::Icon::kInformation);
    }
    return true;
}

bool cancel_card_coupon_on_printer(std::int64_t id_cfiscal) {
    CouponRow c;
    if (!load_coupon(id_cfiscal, c)) return false;
    const auto state = ecf::printer().read_coupon_state();
    if (!state) return false;
    // An open coupon has no voucher yet.
    if (state->open) return send_cancel();
    const auto counters = ecf::printer().read_counters();
    if (!counters) return false;
    const std::int64_t last = counters->coo;
    // Vouchers follow their coupon; the printer cancels no coupon while one
    // of them stands, and refuses to reverse one twice.
    for (std::int64_t coo = c.numero + 1; coo <= last; ++coo) {
        if (!printer_documents_show(coo, coo, kLinkedDocumentLine, c.numero)) continue;
        if (coo < last && printer_documents_show(coo + 1, last, kReversedVoucherLine, coo))
            continue;
        if (!send_reversal(c, coo)) return false;
    }
    return send_cancel();
}

bool cancel_coupon_of_undone_payment(std::int64_t id_cfiscal, std::int64_t id_cfiscalfp) {
    const std::string undone = "UPDATE balcora.cfiscalfp SET cancelada=1 WHERE id_cfiscalfp=" +
                               std::to_string(id_cfiscalfp) + ";";
    CouponRow c;
    const auto before = ecf::printer().read_counters();
    // Noted before the printer is asked, as any cancellation of the last
    // coupon: a cut before COMMIT is settled from the printer's tape.
    bool done = load_coupon(id_cfiscal, c) && c.situacao == "E" && before &&
                GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation,
                              std::to_string(c.id) + ";" + std::to_string(before->coo));
    if (done) {
        done = commit_cancellation(
            c.id, "situacao='C'", c.data, db::report_for_table("Grava CFiscal"), [&] {
                return db::execute(undone) &&
                       GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation, "") &&
                       cancel_card_coupon_on_printer(c.id);
            });
        if (!done) GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation, "");
    }
    if (!done) db::execute(undone);
    store_amount_received(id_cfiscal);
    if (done) {
        glo::cf_aberto = 0;
        return true;
    }
    // The checkout's flag follows the printer: a coupon closed there goes by
    // the cancellation of the last coupon.
    ecf::printer().read_coupon_state();
    return false;
}

}  // namespace balcora::sale
