#include "backoffice/pre_sale_updates.h"

#include "backoffice/backoffice_link.h"
#include "backoffice/pre_sale_data.h"
#include "db/literals.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "platform/host.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace balcora::backoffice {

namespace {

struct CouponForUpdate {
    std::int64_t id = 0;
    std::int32_t coo = 0;
    std::int32_t cro = 0;
    std::int32_t company = 0;
    std::int32_t id_pedido = 0;
    util::DayNumber day = 0;
};

std::optional<CouponForUpdate> load_coupon(std::int64_t id) {
    db::SqlRecord r;
    if (!db::read_row("SELECT numero, num_cro, coalesce(id_empresa, 0), coalesce(id_pedido, 0), "
                      "data FROM balcora.cfiscal WHERE id_cfiscal=",
                      id, r))
        return std::nullopt;
    CouponForUpdate c;
    c.id = id;
    c.coo = static_cast<std::int32_t>(util::read_integer(r.C(1)).value);
    c.cro = static_cast<std::int32_t>(util::read_integer(r.C(2)).value);
    c.company = static_cast<std::int32_t>(util::read_integer(r.C(3)).value);
    c.id_pedido = static_cast<std::int32_t>(util::read_integer(r.C(4)).value);
    c.day = util::parse_iso_date(r.C(5));
    if (c.company == 0) c.company = glo::id_empresa;
    return c;
}

// One back-office transaction: BEGIN, the statements, COMMIT; on any failure
// a quiet ROLLBACK (the failure itself was shown).
class RemoteTransaction {
  public:
    RemoteTransaction() : begun_(exec_linked("BEGIN;")) {}
    ~RemoteTransaction() {
        if (begun_) db::run_sql(linked_exec("ROLLBACK;"), db::report_nothing);
    }
    RemoteTransaction(const RemoteTransaction&) = delete;
    RemoteTransaction& operator=(const RemoteTransaction&) = delete;
    bool begun() const { return begun_; }
    bool commit() {
        if (!begun_) return false;
        begun_ = false;
        return exec_linked("COMMIT;");
    }

  private:
    bool begun_ = false;
};

std::string shadow_title_select(const CouponForUpdate& c) {
    return "SELECT (SELECT a.id_ctr FROM kontora.ctr as a WHERE a.id_empresa=" +
           std::to_string(c.company + 9000) +
           " and a.prefixo=kontora.ctr.prefixo and a.numero=kontora.ctr.numero) FROM kontora.ctr "
           "WHERE id_pedido=" +
           std::to_string(c.id_pedido) + " ORDER BY vecto;";
}

// Whether the order's first title has its twin in the shadow company.
std::optional<bool> has_shadow_title(const CouponForUpdate& c) {
    db::SqlRecord r;
    if (!read_linked(shadow_title_select(c), "ctr", {"id_ctr"}, r)) return std::nullopt;
    return r.has_row() && util::read_integer(r.C(1)).value > 0;
}

std::string log_insert(const CouponForUpdate& c, LogTable table, std::string_view text) {
    return "INSERT INTO " + std::string(table == LogTable::kGestao ? "gestao" : "kontora") +
           ".log(             nome_cpd, nome_usuario, operacao, tabela, id, descricao, "
           "id_empresa)     VALUES (" +
           TXTSQL(platform::computer_name()) + ", " + TXTSQL(util::trim(glo::nome_operador)) +
           ", 'ALT', 'pedido', '" + std::to_string(c.id_pedido) + "', '" + std::string(text) +
           " # " + std::to_string(c.coo) + "', " + std::to_string(glo::id_empresa) + ");";
}

std::string registro_insert(std::string_view prefix, std::int32_t numero) {
    return "INSERT INTO kontora.registro(chave, nome, valor)  VALUES ('" + std::string(prefix) +
           util::zero_filled(glo::id_empresa, 6) + "', 'NUM_PEDIDO_" +
           util::zero_filled(numero, 8) + "'," + std::to_string(numero) + ");";
}

bool order_issued(const CouponForUpdate& c, const OrderNow& order) {
    const std::string id = std::to_string(c.id_pedido);
    const std::string day = util::iso_date(c.day);
    std::string update;
    if (c.day > order.data) {
        // The coupon's day numbers the order anew among that day's orders.
        db::SqlRecord r;
        if (!read_linked("SELECT numero_dia FROM kontora.pedidos WHERE id_empresa=" +
                             std::to_string(c.company) + " and data='" + day +
                             "' and numero_dia is not null  order by numero_dia desc limit 1;",
                         "pedido", {"numero_dia"}, r))
            return false;
        const std::int64_t next = (r.has_row() ? util::read_integer(r.C(1)).value : 0) + 1;
        update = "UPDATE kontora.pedidos SET situa=3,dtemi='" + day + "',data='" + day +
                 "',numero_dia=" + std::to_string(next) +
                 ",serie_docfiscal_vinc=" + std::to_string(c.cro) +
                 ",num_docfiscal_vinc=" + std::to_string(c.coo) + " WHERE id_pedido=" + id + ";";
    } else {
        update = "UPDATE kontora.pedidos SET situa=3,dtemi='" + day +
                 "',serie_docfiscal_vinc=" + std::to_string(c.cro) +
                 ",num_docfiscal_vinc=" + std::to_string(c.coo) + " WHERE id_pedido=" + id + ";";
    }
    const auto shadow = has_shadow_title(c);
    if (!shadow) return false;
    RemoteTransaction tx;
    if (!tx.begun() || !exec_linked(update) ||
        !exec_linked("UPDATE kontora.peditens SET status=5 WHERE id_pedido=" + id + ";") ||
        (*shadow && !exec_linked(registro_insert("PREVENDA_", order.numero))) ||
        !exec_linked(log_insert(c, LogTable::kGestao, "Emissão CF")))
        return false;
    return tx.commit();
}

// A title whose receipt was already posted cannot be cancelled from here.
bool titles_without_receipts(const CouponForUpdate& c) {
    db::SqlRecord r;
    if (!read_linked("SELECT c.id_empresa, c.prefixo, c.numero FROM kontora.recbtos r JOIN "
                     "kontora.ctr c ON (c.id_ctr=r.id_ctr) WHERE r.id_ctr in(SELECT id_ctr FROM "
                     "kontora.ctr WHERE id_pedido=" +
                         std::to_string(c.id_pedido) + ") LIMIT 1;",
                     "rec", {"id_empresa", "prefixo", "numero"}, r))
        return false;
    if (!r.has_row()) return true;
    prompt().message(
        "Aviso",
        "Favor excluir o recebimento vinculado no Título!|Empresa:" + util::trim(r.C(1)) +
            " Prefixo:" + util::trim(r.C(2)) + " Numero:" + util::trim(r.C(3)),
        ui::Icon::kWarning);
    return false;
}

bool order_cancelled(const CouponForUpdate& c, const OrderNow& order, LogTable log) {
    const std::string id = std::to_string(c.id_pedido);
    if (!titles_without_receipts(c)) return false;
    const auto shadow = has_shadow_title(c);
    if (!shadow) return false;
    RemoteTransaction tx;
    if (!tx.begun() ||
        !exec_linked(
            "UPDATE kontora.pedidos SET situa=4,serie_docfiscal_vinc=" + std::to_string(c.cro) +
            ",num_docfiscal_vinc=" + std::to_string(c.coo) + " WHERE id_pedido=" + id + ";") ||
        !exec_linked("UPDATE kontora.ctr    SET situacao='C'  WHERE id_pedido=" + id +
                     " or  id_pedido in(SELECT (SELECT a.id_pedido FROM kontora.ctr as a WHERE "
                     "a.id_empresa=" +
                     std::to_string(c.company + 9000) +
                     " and a.prefixo=kontora.ctr.prefixo and a.numero=kontora.ctr.numero) FROM "
                     "kontora.ctr WHERE id_pedido=" +
                     id + ");") ||
        (*shadow && !exec_linked(registro_insert("PREVENDACANC_", order.numero))) ||
        !exec_linked(log_insert(c, log, "Cancelado CF")))
        return false;
    return tx.commit();
}

}  // namespace

std::string pending_key(std::int64_t id_cfiscal, OrderOutcome outcome) {
    return (outcome == OrderOutcome::kIssued ? "ERRO_CF_" : "ERRO_CF_CANC") +
           util::zero_filled(id_cfiscal, 8);
}

bool record_pending_update(std::int64_t id_cfiscal, OrderOutcome outcome) {
    const std::string id = util::zero_filled(id_cfiscal, 8);
    return db::run_sql("INSERT INTO balcora.registro(chave, nome, valor)  VALUES ('" +
                           pending_key(id_cfiscal, outcome) + "', 'ID_" + id + "','" + id +
                           "') ON CONFLICT (chave, nome) DO NOTHING;",
                       [](const db::SqlFailure& f, std::string_view) {
                           prompt().message("Erro", f.text, ui::Icon::kError);
                       })
        .has_value();
}

bool delete_pending_update(std::int64_t id_cfiscal, OrderOutcome outcome) {
    return db::run_sql(
               "DELETE FROM balcora.registro WHERE chave IN('" + pending_key(id_cfiscal, outcome) +
                   "') AND nome LIKE 'ID_%' AND VALOR::integer=" + std::to_string(id_cfiscal) + ";",
               [](const db::SqlFailure& f, std::string_view) {
                   prompt().message("Erro", "Erro (" + f.sqlstate + ") ao excluir atualização.",
                                    ui::Icon::kError);
               })
        .has_value();
}

bool update_order(std::int64_t id_cfiscal, OrderOutcome outcome, LogTable log) {
    const auto c = load_coupon(id_cfiscal);
    if (!c) return false;
    // A coupon of no order has nothing to tell: its record goes.
    if (c->id_pedido == 0) return delete_pending_update(id_cfiscal, outcome);
    const auto order = load_order(c->id_pedido);
    if (!order) return false;
    if (!order->found) {
        prompt().message("Aviso",
                         "Pedido " + std::to_string(c->id_pedido) + " do cupom fiscal " +
                             util::zero_filled(c->coo, 6) + " não encontrado na retaguarda!",
                         ui::Icon::kWarning);
        return false;
    }
    // Taken already: the back office committed it and the checkout stopped
    // before it could forget the record. Told twice, the order would be
    // renumbered and its log and registro rows doubled.
    const int told = outcome == OrderOutcome::kIssued ? 3 : 4;
    if (order->situa == told && order->serie_docfiscal_vinc == c->cro &&
        order->num_docfiscal_vinc == c->coo)
        return delete_pending_update(id_cfiscal, outcome);
    const bool done = outcome == OrderOutcome::kIssued ? order_issued(*c, *order)
                                                       : order_cancelled(*c, *order, log);
    return done && delete_pending_update(id_cfiscal, outcome);
}

bool retry_pending_updates() {
    db::SqlRecord r;
    // In the order the outcomes happened: coupons in the order they were
    // made, a coupon's issue before its cancellation. By key, a later coupon's
    // issue would come before an earlier one's cancellation of the same order,
    // and that stale cancellation would then cancel the new coupon's titles.
    if (!db::read_rows("SELECT valor,chave FROM balcora.registro WHERE chave LIKE 'ERRO_CF_%' AND "
                       "nome LIKE 'ID_%' ORDER BY lpad(trim(valor), 20, '0'), chave LIKE "
                       "'ERRO_CF_CANC%';",
                       r))
        return false;
    struct Pending {
        std::int64_t id;
        OrderOutcome outcome;
    };
    std::vector<Pending> pending;
    for (bool more = r.has_row(); more; more = r.next()) {
        const std::string key = util::trim(r.C(2));
        const OrderOutcome outcome =
            key.rfind("ERRO_CF_CANC", 0) == 0 ? OrderOutcome::kCancelled : OrderOutcome::kIssued;
        pending.push_back({util::read_integer(r.C(1)).value, outcome});
    }
    bool all = true;
    // An outcome that stays pending holds back the later ones of its order:
    // told out of turn, the earlier one would overwrite them when it finally
    // went through (an issue undoing its own later cancellation).
    std::vector<std::int32_t> held;
    auto order_of = [](std::int64_t id) {
        const auto c = load_coupon(id);
        return c ? c->id_pedido : 0;
    };
    for (const Pending& p : pending) {
        if (!held.empty() && std::find(held.begin(), held.end(), order_of(p.id)) != held.end())
            continue;
        if (!update_order(p.id, p.outcome)) {
            all = false;
            held.push_back(order_of(p.id));
        }
    }
    if (!all)
        prompt().message("Atenção", "Pré-Venda não está conseguido atualizar o(s) pedido(s)!",
                         ui::Icon::kWarning);
    return all;
}

bool update_order_after_browse_cancellation(std::int64_t id_cfiscal) {
    LinkSession link;
    if (!link.ok()) return false;
    // The coupon's issue still owed goes first: told after the cancellation,
    // it would mark the cancelled order issued again.
    db::SqlRecord r;
    if (!db::read_rows("SELECT 1 FROM balcora.registro WHERE chave='" +
                           pending_key(id_cfiscal, OrderOutcome::kIssued) +
                           "' AND nome LIKE 'ID_%';",
                       r))
        return false;
    if (r.has_row() && !update_order(id_cfiscal, OrderOutcome::kIssued)) return false;
    return update_order(id_cfiscal, OrderOutcome::kCancelled, LogTable::kKontora);
}

}  // namespace balcora::backoffice
