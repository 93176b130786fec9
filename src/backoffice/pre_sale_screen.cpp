#include "backoffice/pre_sale_screen.h"

#include "backoffice/backoffice_link.h"
#include "backoffice/pre_sale_claim.h"
#include "backoffice/pre_sale_issue.h"
#include "backoffice/pre_sale_updates.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/sale_documents.h"
#include "ui/environment.h"

namespace balcora::backoffice {

PreSaleScreen::PreSaleScreen(CheckoutState& checkout) : checkout_(checkout) {}

PreSaleScreen::~PreSaleScreen() {
    close();
}

void PreSaleScreen::on_status(std::function<void(const std::string&)> listener) {
    listener_ = std::move(listener);
}

void PreSaleScreen::set_status(std::string text) {
    status_ = std::move(text);
    if (listener_) listener_(status_);
}

bool PreSaleScreen::open() {
    if (!ensure_link()) return false;
    refresh();
    return true;
}

void PreSaleScreen::close() {
    link_.reset();
    rows_.clear();
}

// A link the back office dropped (a restart, a cut cable) is opened again
// before the next piece of work, so the window goes on once it answers.
bool PreSaleScreen::ensure_link() {
    if (link_) {
        db::SqlRecord r;
        db::SqlFailure dropped;
        if (db::read_rows(linked_select("SELECT 1", "probe", {"ok"}), r,
                          db::keep_failure_in(dropped)))
            return true;
        link_.reset();
    }
    auto link = std::make_unique<LinkSession>(
        read_link_settings(), [this](const std::string& text) { set_status(text); });
    if (!link->ok()) return false;
    link_ = std::move(link);
    return true;
}

bool PreSaleScreen::refresh() {
    if (!ensure_link()) return false;
    settle_claim_left_behind();
    retry_pending_updates();
    set_status("Consultando Pré-Venda...");
    auto rows = load_pre_sale_list(glo::id_empresa);
    set_status("");
    if (!rows) return false;
    rows_ = std::move(*rows);
    return true;
}

const PreSaleHeader* PreSaleScreen::choose(std::int32_t id_pedido) {
    std::int64_t num_pv = 0;
    for (const PreSaleHeader& row : rows_)
        if (row.id_pedido == id_pedido) num_pv = row.num_pv;
    if (!refresh()) return nullptr;
    for (const PreSaleHeader& row : rows_)
        if (row.id_pedido == id_pedido) return &row;
    // Another checkout took it meanwhile, or the back office moved it on.
    if (num_pv != 0) explain_order_not_waiting(id_pedido, num_pv);
    return nullptr;
}

std::optional<std::int32_t> PreSaleScreen::order_of(std::int64_t num_pv) {
    if (!ensure_link()) return std::nullopt;
    for (const PreSaleHeader& row : rows_)
        if (row.num_pv == num_pv) return row.id_pedido;
    const auto id = order_of_pre_sale(glo::id_empresa, num_pv);
    if (id) explain_order_not_waiting(*id, num_pv);
    return std::nullopt;
}

bool PreSaleScreen::may_issue(const PreSaleHeader& row) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT id_cliente FROM balcora.cliente WHERE id_cliente=" +
                           std::to_string(row.clien) + ";",
                       r))
        return false;
    if (row.clien == 0 || !r.has_row()) {
        prompt().message("Aviso", "Cliente inválido!", ui::Icon::kWarning);
        return false;
    }
    if (row.cod_formapag == 0) {
        prompt().message("Aviso", "Forma de pagamento inválida!", ui::Icon::kWarning);
        return false;
    }
    return true;
}

std::optional<PreSaleHeader> PreSaleScreen::waiting_pre_sale(std::int32_t id_pedido) {
    const PreSaleHeader* chosen = choose(id_pedido);
    if (!chosen || chosen->num_pv == 0 || !may_issue(*chosen)) return std::nullopt;
    if (order_already_issued(chosen->id_pedido)) {
        prompt().message("Pedido já emitido",
                         "Cupom fiscal para pedido selecionado já emitido anteriormente.",
                         ui::Icon::kWarning);
        return std::nullopt;
    }
    if (order_update_pending(chosen->id_pedido)) {
        prompt().message("Pedido com atualização pendente",
                         "O pedido selecionado tem um cupom fiscal ainda não atualizado na "
                         "retaguarda.|Novo cupom somente após a atualização do pedido.",
                         ui::Icon::kWarning);
        return std::nullopt;
    }
    return *chosen;
}

bool PreSaleScreen::issue(std::int32_t id_pedido) {
    const auto chosen = waiting_pre_sale(id_pedido);
    if (!chosen) return false;
    const PreSaleHeader row = *chosen;
    if (!prompt().confirm("Confirme", "Confirma emitir Cupom Fiscal da Pré-Venda " +
                                          std::to_string(row.num_pv) + "?"))
        return false;
    if (claim_order(row, ClaimIntent::kIssue) != ClaimResult::kClaimed) {
        refresh();
        return false;
    }
    const auto coupon = issue_pre_sale_coupon(checkout_, row);
    if (!coupon) {
        // Not issued, or so the printer answered: the coupon as it stands
        // decides whether the order waits again.
        settle_claim_left_behind();
        refresh();
        return false;
    }
    // The outcome is kept before anything else can fail; it then stands for
    // the claim.
    if (record_pending_update(coupon->id_cfiscal, OrderOutcome::kIssued)) forget_claim();
    sale::print_sale_documents(coupon->id_cfiscal, coupon->last_form_printer_name);
    update_order(coupon->id_cfiscal, OrderOutcome::kIssued);
    refresh();
    return true;
}

bool PreSaleScreen::cancel(std::int32_t id_pedido) {
    const auto chosen = waiting_pre_sale(id_pedido);
    if (!chosen) return false;
    const PreSaleHeader row = *chosen;
    if (!prompt().confirm("Confirme",
                          "Confirma cancelar Pré-Venda " + std::to_string(row.num_pv) + "?"))
        return false;
    if (claim_order(row, ClaimIntent::kCancel) != ClaimResult::kClaimed) {
        refresh();
        return false;
    }
    const auto coupon = issue_pre_sale_coupon(checkout_, row);
    if (!coupon) {
        // Not issued, or so the printer answered: the coupon as it stands
        // decides whether the order waits again.
        settle_claim_left_behind();
        refresh();
        return false;
    }
    if (!note_cancellation_begun() || !cancel_issued_coupon(*coupon)) {
        // The coupon stands: the back office hears it was issued, and a later
        // cancellation in the coupon browse gives the order back.
        if (record_pending_update(coupon->id_cfiscal, OrderOutcome::kIssued)) forget_claim();
        prompt().message("Aviso",
                         "O cupom fiscal da Pré-Venda " + std::to_string(row.num_pv) +
                             " foi emitido mas não pôde ser cancelado.|Cancele-o na tela do "
                             "Cupom Fiscal.",
                         ui::Icon::kWarning);
        update_order(coupon->id_cfiscal, OrderOutcome::kIssued);
        refresh();
        return false;
    }
    if (record_pending_update(coupon->id_cfiscal, OrderOutcome::kCancelled)) forget_claim();
    update_order(coupon->id_cfiscal, OrderOutcome::kCancelled);
    refresh();
    return true;
}

}  // namespace balcora::backoffice
