#include "backoffice/pre_sale_claim.h"

#include "backoffice/backoffice_link.h"
#include "backoffice/pre_sale_updates.h"
#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/maqecf_record.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <sstream>
#include <vector>

namespace balcora::backoffice {

namespace {

constexpr std::string_view kNoteKey = "PreVendaReservada";

// The claim as this checkout noted it: what it asked for, the last coupon
// before it (the issue's coupon comes after), and what the order held.
struct ClaimNote {
    std::int32_t id_pedido = 0;
    std::int64_t last_coupon = 0;
    ClaimIntent intent = ClaimIntent::kIssue;
    bool cancelling = false;
    std::int32_t point_of_sale = 0;
    std::optional<std::int32_t> previous_series;
};

std::int64_t number(std::string_view text) {
    const auto n = util::read_integer(util::trim(text));
    return n.valid ? n.value : 0;
}

std::string note_text(const ClaimNote& n) {
    return std::to_string(n.id_pedido) + ";" + std::to_string(n.last_coupon) + ";" +
           (n.intent == ClaimIntent::kCancel ? "C" : "E") + ";" + (n.cancelling ? "1" : "0") + ";" +
           std::to_string(n.point_of_sale) + ";" +
           (n.previous_series ? std::to_string(*n.previous_series) : "");
}

std::optional<ClaimNote> read_note() {
    const std::string text = util::trim(LEREGISTRO("balcora", "PAF-ECF", kNoteKey, ""));
    if (text.empty()) return std::nullopt;
    std::vector<std::string> f;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ';');) f.push_back(part);
    f.resize(6);
    ClaimNote n;
    n.id_pedido = static_cast<std::int32_t>(number(f[0]));
    n.last_coupon = number(f[1]);
    n.intent = f[2] == "C" ? ClaimIntent::kCancel : ClaimIntent::kIssue;
    n.cancelling = f[3] == "1";
    n.point_of_sale = static_cast<std::int32_t>(number(f[4]));
    if (!util::trim(f[5]).empty()) n.previous_series = static_cast<std::int32_t>(number(f[5]));
    if (n.id_pedido == 0) return std::nullopt;
    return n;
}

bool write_note(const std::optional<ClaimNote>& n) {
    return GRAVAREGISTRO("balcora", "PAF-ECF", kNoteKey, n ? note_text(*n) : std::string());
}

void notice(std::string_view title, std::string_view text) {
    prompt().beep();
    prompt().message(title, text, ui::Icon::kWarning);
}

struct OrderState {
    bool found = false;
    int situa = 0;
    std::optional<std::int32_t> series;
    std::int32_t coo = 0;
};

std::optional<OrderState> read_order_state(std::int32_t id_pedido) {
    db::SqlRecord r;
    if (!read_linked("SELECT situa, serie_docfiscal_vinc, num_docfiscal_vinc FROM "
                     "kontora.pedidos WHERE id_pedido=" +
                         std::to_string(id_pedido) + ";",
                     "pedido", {"situa", "serie", "coo"}, r))
        return std::nullopt;
    OrderState s;
    if (!r.has_row()) return s;
    s.found = true;
    s.situa = static_cast<int>(number(r.C(1)));
    if (!r.is_null(2)) s.series = static_cast<std::int32_t>(number(r.C(2)));
    s.coo = static_cast<std::int32_t>(number(r.C(3)));
    return s;
}

void explain(const OrderState& s, std::int64_t num_pv) {
    const std::string pv = "A Pré-Venda " + std::to_string(num_pv);
    if (s.found && s.situa == kOrderClaimed)
        notice("Pré-Venda em emissão", pv + " está sendo emitida no caixa da ECF nº " +
                                           std::to_string(s.series.value_or(0)) +
                                           "!|Escolha outra pré-venda.");
    else if (s.found && s.situa == kOrderIssued)
        notice("Pedido já emitido",
               pv + " já foi emitida no cupom fiscal COO " + util::zero_filled(s.coo, 6) + "!");
    else if (s.found && s.situa == kOrderCancelled)
        notice("Pedido cancelado",
               pv + " foi cancelada (cupom fiscal COO " + util::zero_filled(s.coo, 6) + ")!");
    else
        notice("Aviso", pv + " não está mais aguardando emissão!");
}

std::int32_t point_of_sale_number() {
    MaqecfRecord pos;
    if (!ecf::load_maqecf_by_serial(util::trim(glo::numfab), pos)) return 0;
    return pos.numero;
}

std::optional<std::int64_t> last_coupon_id() {
    db::SqlRecord r;
    if (!db::read_rows("SELECT coalesce(max(id_cfiscal), 0) FROM balcora.cfiscal;", r))
        return std::nullopt;
    return r.has_row() ? number(r.C(1)) : 0;
}

bool give_back(const ClaimNote& n) {
    const auto status = exec_linked_status(
        "UPDATE kontora.pedidos SET situa=" + std::to_string(kOrderWaiting) +
        ",serie_docfiscal_vinc=" +
        (n.previous_series ? std::to_string(*n.previous_series) : std::string("NULL")) +
        " WHERE id_pedido=" + std::to_string(n.id_pedido) +
        " AND situa=" + std::to_string(kOrderClaimed) +
        " AND serie_docfiscal_vinc=" + std::to_string(n.point_of_sale) + ";");
    return status && write_note(std::nullopt);
}

bool outcome_pending(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    // A doubt counts as pending: the pending update then settles the order.
    if (!db::read_rows("SELECT 1 FROM balcora.registro WHERE chave IN ('" +
                           pending_key(id_cfiscal, OrderOutcome::kIssued) + "','" +
                           pending_key(id_cfiscal, OrderOutcome::kCancelled) +
                           "') AND nome LIKE 'ID_%';",
                       r))
        return true;
    return r.has_row();
}

}  // namespace

ClaimResult claim_order(const PreSaleHeader& order, ClaimIntent intent) {
    const std::string pv = "A Pré-Venda " + std::to_string(order.num_pv);
    if (read_note()) {
        notice("Aviso",
               "Uma pré-venda reservada por este caixa ainda não foi devolvida à "
               "retaguarda.|" +
                   pv + " não foi emitida: tente novamente.");
        return ClaimResult::kFailed;
    }
    ClaimNote n;
    n.id_pedido = order.id_pedido;
    n.intent = intent;
    n.point_of_sale = point_of_sale_number();
    if (n.point_of_sale == 0) {
        notice("Aviso", "ECF não configurada para este computador!");
        return ClaimResult::kFailed;
    }
    const auto before = read_order_state(order.id_pedido);
    const auto last = before ? last_coupon_id() : std::nullopt;
    if (!before || !last) {
        notice("Aviso", pv + " não pôde ser reservada na retaguarda.|O cupom fiscal não foi "
                             "emitido.");
        return ClaimResult::kFailed;
    }
    if (!before->found || before->situa != kOrderWaiting) {
        explain(*before, order.num_pv);
        return ClaimResult::kRefused;
    }
    n.last_coupon = *last;
    n.previous_series = before->series;
    // Noted before it is asked for: a claim whose answer never came back is
    // given back all the same.
    if (!write_note(n)) return ClaimResult::kFailed;
    const auto status =
        exec_linked_status("UPDATE kontora.pedidos SET situa=" + std::to_string(kOrderClaimed) +
                           ",serie_docfiscal_vinc=" + std::to_string(n.point_of_sale) +
                           " WHERE id_pedido=" + std::to_string(order.id_pedido) +
                           " AND situa=" + std::to_string(kOrderWaiting) + ";");
    if (!status) {
        give_back(n);
        notice("Aviso", pv + " não pôde ser reservada na retaguarda.|O cupom fiscal não foi "
                             "emitido.");
        return ClaimResult::kFailed;
    }
    if (util::trim(*status) == "UPDATE 1") return ClaimResult::kClaimed;
    write_note(std::nullopt);
    const auto now = read_order_state(order.id_pedido);
    explain(now.value_or(OrderState{}), order.num_pv);
    return ClaimResult::kRefused;
}

bool note_cancellation_begun() {
    auto n = read_note();
    if (!n) return false;
    n->cancelling = true;
    return write_note(n);
}

bool forget_claim() {
    return write_note(std::nullopt);
}

bool settle_claim_left_behind() {
    const auto n = read_note();
    if (!n) return true;
    // A coupon still open belongs to the recovery of the sale screens first.
    if (glo::cf_aberto != 0) return false;
    db::SqlRecord r;
    if (!db::read_rows("SELECT id_cfiscal, situacao FROM balcora.cfiscal WHERE id_pedido=" +
                           std::to_string(n->id_pedido) + " AND id_cfiscal>" +
                           std::to_string(n->last_coupon) + " ORDER BY id_cfiscal DESC LIMIT 1;",
                       r))
        return false;
    if (!r.has_row()) return give_back(*n);
    const std::int64_t coupon = number(r.C(1));
    if (outcome_pending(coupon)) return forget_claim();
    const std::string situacao = util::trim(r.C(2));
    // Closed and standing: the order was issued, whatever came after.
    if (situacao == "E")
        return record_pending_update(coupon, OrderOutcome::kIssued) && forget_claim();
    // Cancelled after it was closed: the give-up went through.
    if (n->intent == ClaimIntent::kCancel && n->cancelling)
        return record_pending_update(coupon, OrderOutcome::kCancelled) && forget_claim();
    // Cancelled before it was closed: never issued, the order waits again.
    return give_back(*n);
}

void explain_order_not_waiting(std::int32_t id_pedido, std::int64_t num_pv) {
    const auto s = read_order_state(id_pedido);
    if (s) explain(*s, num_pv);
}

std::optional<std::int32_t> order_of_pre_sale(std::int32_t company, std::int64_t num_pv) {
    db::SqlRecord r;
    if (!read_linked("SELECT id_pedido FROM kontora.pedidos WHERE id_empresa=" +
                         std::to_string(company) + " AND num_pv=" + std::to_string(num_pv) +
                         " AND mod_docfiscal_vinc='2D' ORDER BY id_pedido DESC LIMIT 1;",
                     "pedido", {"id_pedido"}, r))
        return std::nullopt;
    if (!r.has_row()) {
        notice("Aviso", "Pré-Venda " + std::to_string(num_pv) + " não encontrada na retaguarda!");
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number(r.C(1)));
}

}  // namespace balcora::backoffice
