#include "tef/card_payment.h"

#include "db/literals.h"
#include "db/record_hash.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "sale/coupon_cancellation.h"
#include "sale/coupon_closing.h"
#include "sale/payment_forms.h"
#include "sale/payment_writes.h"
#include "tef/card_voucher.h"
#include "tef/funcao_tef.h"
#include "tef/tef_message_window.h"
#include "tef/tef_mode.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdint>

namespace balcora::tef {

namespace {

bool printer_wants_another_try() {
    DESATIVAMODOTEF();
    const bool yes =
        prompt().confirm("ATENÇÃO!", "A impressora não responde!|Deseja tentar novamente?");
    if (yes) ATIVAMODOTEF();
    return yes;
}

std::int64_t newest_document() {
    db::SqlRecord r;
    if (!db::read_rows("SELECT coalesce(max(id_docecf), 0) AS newest FROM balcora.docecf;", r))
        return 0;
    return r.integer("newest");
}

class CardFlow {
  public:
    CardFlow(const CardPayment& p, MessageWindow& window, Timer& timer, const Limits& limits)
        : p_(p), window_(window), exchange_(timer, window.yielder(), limits) {}

    CardOutcome run() {
        if (!exchange_.send(RequestKind::kAtv, atv_request(exchange_.new_identifier())))
            return CardOutcome::kNotPaid;
        id_ = exchange_.new_identifier();
        const bool card = p_.form == "CA";
        // The request asks for the payment itself: the subtotal of the items
        // would charge the customer the discount and every earlier payment.
        const std::string request =
            card ? crt_request(id_, p_.coupon.numero, p_.amount, p_.change, p_.discount)
                 : chq_request(id_, p_.coupon.numero, p_.amount);
        if (!exchange_.send(card ? RequestKind::kCrt : RequestKind::kChq, request))
            return CardOutcome::kNotPaid;
        auto response = exchange_.wait_response(id_);
        if (!response) return CardOutcome::kNotPaid;
        r_ = std::move(*response);
        if (!r_.approved()) return declined();
        return approved();
    }

  private:
    CardOutcome declined() {
        if (r_.message.empty()) return CardOutcome::kNotPaid;
        exchange_.remove_copy();
        exchange_.remove_response();
        DESATIVAMODOTEF();
        window_.show_and_wait(r_.message);
        return CardOutcome::kNotPaid;
    }

    CardOutcome approved() {
        ATIVAMODOTEF();
        if (!r_.message.empty()) window_.show("TEF: " + r_.message);
        // An approval for another amount than asked, or with an
        // authorisation the row cannot hold, is a misread or a manager gone
        // wrong: registering it would put printer, database and what the
        // customer agreed to at odds.
        if (r_.amount != p_.amount || r_.authorisation > INT32_MAX) {
            DESATIVAMODOTEF();
            prompt().message("Aviso",
                             "Resposta do Gerenciador Padrão inválida: valor aprovado R$ " +
                                 util::to_br(r_.amount) + ", valor do pagamento R$ " +
                                 util::to_br(p_.amount) + ", autorização " +
                                 std::to_string(r_.authorisation) + ".",
                             ui::Icon::kWarning);
            undo();
            return CardOutcome::kNotPaid;
        }
        if (!register_payment()) {
            undo();
            return CardOutcome::kNotPaid;
        }
        if (!sale::close_fiscal_coupon(p_.coupon) || !print_voucher() || !note_confirmation(id_) ||
            !exchange_.send(RequestKind::kCnf,
                            confirmation_request(Confirmation::kConfirm, id_, p_.coupon.numero,
                                                 r_.network, r_.nsu, r_.control))) {
            // The customer pays nothing: the coupon goes before the manager
            // is told, so that a cut in between leaves the transaction
            // pending for the start-up to undo, never a coupon paid by it.
            DESATIVAMODOTEF();
            const bool cancelled =
                sale::cancel_coupon_of_undone_payment(p_.coupon.id_cfiscal, *row_);
            const bool undone = undo();
            clear_confirmation_note();
            tell_coupon_of_undone_payment(cancelled, undone);
            return CardOutcome::kUndone;
        }
        exchange_.remove_copy();
        exchange_.remove_response();
        clear_confirmation_note();
        return CardOutcome::kConfirmed;
    }

    // What the operator must know of a payment undone after the printer had
    // it: the customer owes nothing, and what became of the coupon.
    void tell_coupon_of_undone_payment(bool cancelled, bool undone) {
        const std::string payment =
            undone ? "O pagamento com cartão foi desfeito: nada foi cobrado do cliente.|"
                   : "O pagamento com cartão será desfeito quando o Gerenciador Padrão "
                     "responder: nada será cobrado do cliente.|";
        const std::string coupon = "O cupom fiscal # " + util::zero_filled(p_.coupon.numero, 6);
        if (cancelled)
            prompt().message("Aviso", payment + coupon + " foi cancelado.", ui::Icon::kInformation);
        else
            prompt().message(
                "Atenção",
                payment + coupon + " não pôde ser cancelado: cancele-o antes da próxima venda.",
                ui::Icon::kWarning);
    }

    std::string printer_name() const {
        std::string name = sale::payment_printer_name(p_.form);
        if (p_.form == "CC") name += r_.cheque_form_suffix;
        return name;
    }

    bool register_payment() {
        sale::PaymentEntry e;
        e.tipo = p_.form;
        e.valor = p_.amount;
        e.data = today();
        e.numero = static_cast<std::int32_t>(r_.authorisation);
        sale::CardFields c;
        c.nome_rede = util::cut_characters(r_.network, 8);
        c.tipo_transacao = r_.transaction_type;
        c.nsu = r_.nsu;
        c.data_transacao = r_.date;
        c.hora_transacao = r_.time;
        c.tp_parcelamento = r_.instalment_type;
        c.qtd_parcelas = static_cast<int>(r_.instalments.size());
        e.card = c;
        const std::string text =
            p_.form == "CC" ? sale::cheque_description(e.numero, e.data) : std::string();
        const std::string method = printer_name();
        if (!ecf::payment(method, r_.amount, text)) return false;
        const ecf::Payment payment{method, r_.amount, text, std::nullopt};
        row_ = sale::register_payment(p_.coupon, e, [&] {
            for (;;) {
                if (ecf::printer().payment(payment)) return true;
                if (!printer_wants_another_try()) return false;
            }
        });
        return row_.has_value();
    }

    bool print_voucher() {
        CardVoucher v;
        v.method = printer_name();
        v.amount = r_.amount;
        v.coo = p_.coupon.numero;
        v.instalments = r_.instalment_type == 0 ? 1 : r_.instalment_type;
        v.lines = r_.voucher;
        const std::int64_t before = newest_document();
        switch (print_card_voucher(v)) {
            case VoucherPrint::kGivenUp:
                return false;
            case VoucherPrint::kReport:
                return true;
            case VoucherPrint::kReceipt:
                break;
        }
        // The receipt's number among the printer's non-fiscal documents.
        const std::string id = std::to_string(*row_);
        db::run_sql(
            "UPDATE balcora.cfiscalfp SET num_gnf=coalesce((SELECT num_gnf FROM "
            "balcora.docecf WHERE tipo='CC' AND id_docecf>" +
                std::to_string(before) +
                " ORDER BY id_docecf DESC LIMIT 1), num_gnf) WHERE id_cfiscalfp=" + id +
                "; update balcora.cfiscalfp set hash=" + db::hash_expression("cfiscalfp") +
                " where id_cfiscalfp=" + id + ";",
            db::report_for_table("cfiscalfp"));
        return true;
    }

    // True when the manager took the undoing.
    bool undo() {
        window_.show("TEF: Cancelando transação...");
        if (!exchange_.send(RequestKind::kNcn,
                            confirmation_request(Confirmation::kUndo, id_, p_.coupon.numero,
                                                 r_.network, r_.nsu, r_.control))) {
            // The answer stays in its files: the next start-up undoes it.
            DESATIVAMODOTEF();
            return false;
        }
        exchange_.remove_status();
        exchange_.remove_copy();
        exchange_.remove_response();
        db::run_sql("UPDATE balcora.cfiscalfp SET cancelada=1 WHERE id_cfiscal=" +
                        std::to_string(p_.coupon.id_cfiscal) +
                        " AND nsu=" + TXTSQL(util::trim(r_.nsu)) + ";",
                    db::report_for_table("cfiscalfp"));
        exchange_.pause(exchange_.limits().pause_after_undo);
        DESATIVAMODOTEF();
        window_.close();
        prompt().message("T E F", undo_notice(r_.network, r_.nsu, r_.amount),
                         ui::Icon::kInformation);
        return true;
    }

    const CardPayment& p_;
    MessageWindow& window_;
    Exchange exchange_;
    std::string id_;
    Response r_;
    std::optional<std::int64_t> row_;
};

}  // namespace

CardOutcome pay_with_card_manager(const CardPayment& payment, const CardSetup& setup) {
    SystemTimer system_timer;
    Timer& timer = setup.timer ? *setup.timer : system_timer;
    MessageWindow window;
    window.show("Iniciando transação TEF! Aguarde...");
    const CardOutcome outcome = CardFlow(payment, window, timer, setup.limits).run();
    DESATIVAMODOTEF();
    window.close();
    return outcome;
}

}  // namespace balcora::tef
