#include "sale/open_coupon_recovery.h"

#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/cp1252.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/card_functions.h"
#include "sale/coupon_cancellation.h"
#include "sale/printer_reconciliation.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <filesystem>
#include <optional>
#include <string>

namespace balcora::sale {

namespace {

struct LostCoupon {
    std::string id;
    std::string numero;
    util::DayNumber data{};
};

// The coupon row named by the last coupon opened, when it is the coupon the
// printer holds open. A power cut between the printer's opening and COMMIT
// leaves the setting on the previous coupon, long closed: that one must not
// be cancelled in its place.
bool find_lost_coupon(const ecf::Counters& printer, LostCoupon& out) {
    const std::string id = util::trim(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal"));
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) return false;
    db::SqlRecord row;
    QUERYSQL(
        "SELECT id_cfiscal, numero, data FROM balcora.cfiscal WHERE situacao='E' AND "
        "numero=" +
            std::to_string(printer.coo) + " AND id_cfiscal=" + id + ";",
        row);
    if (!row.has_row()) return false;
    out.id = std::string(row.text("id_cfiscal"));
    out.numero = std::string(row.text("numero"));
    out.data = row.day("data");
    return true;
}

bool cancel_on_printer() {
    return ecf::printer().cancel_coupon();
}

// The printer's coupon had no row (its COMMIT never happened): a row with the
// printer's counters is committed first and named the last coupon opened, so
// that every coupon the printer issued stays in the database, as the fiscal
// registers list them, and a cut during its cancellation still finds it.
bool record_printer_coupon(const ecf::Counters& printer, LostCoupon& out) {
    MaqecfRecord pos;
    const bool known = ecf::load_maqecf_by_serial(util::trim(glo::numfab), pos);
    const util::DayNumber day = known ? pos.data_sit : today();
    const auto now = clock().now();
    const std::string insert =
        "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, data, vl_acrescimo, "
        "vl_desconto, total, situacao, op_cadastro, op_emissao, comissao, vl_recebido, num_ccf, "
        "dt_emissao_final, hr_emissao_final, vl_trib_fed, vl_trib_est, vl_trib_mun) VALUES (" +
        (known && pos.id_empresa ? std::to_string(pos.id_empresa) : std::string("NULL")) + ", " +
        std::to_string(pos.id_maqecf) + ", " + std::to_string(printer.cro) + ", " +
        std::to_string(printer.coo) + ", " + DTSQL(day) + ", 0, 0, 0, 'E', 'SISTEMA BALC', " +
        TXTSQL(util::trim_right(ecf::fit(util::trim(glo::nome_operador), 20)), true) + ", 0, 0, " +
        std::to_string(printer.ccf) + ", " + DTSQL(util::day_of(now)) + ", " +
        TXTSQL(util::time_text(now)) + ", 0, 0, 0);";
    const std::int64_t id = db::write_fiscal_row("cfiscal", insert, [](std::int64_t new_id) {
        return GRAVAREGISTRO("balcora", "PAF-ECF", "id_cfiscal", std::to_string(new_id));
    });
    if (id == 0) return false;
    out = {std::to_string(id), std::to_string(printer.coo), day};
    return true;
}

}  // namespace

bool recover_open_coupon_after_failure(CheckoutState& checkout) {
    const auto state = ecf::printer().read_coupon_state();
    if (!state) return true;
    if (!state->open) {
        settle_coupon_cancelled_on_printer();
        settle_pending_cancellation();
        register_voucher_left_unregistered();
        return true;
    }
    if (!state->may_cancel) {
        prompt().message("Aviso ECF", "Cupom fiscal em aberto mas cancelamento não é permitdo!",
                         ui::Icon::kWarning);
        return false;
    }
    // While a coupon is open the counters name it.
    const auto counters = ecf::printer().read_counters();
    if (!counters) return false;
    LostCoupon coupon;
    const bool has_row = find_lost_coupon(*counters, coupon);
    if (!has_row)
        prompt().message(
            "Aviso", "Cupom fiscal em aberto mas não foi encontrado registro no banco de dados!",
            ui::Icon::kWarning);
    const std::string coo = has_row ? coupon.numero : std::to_string(counters->coo);
    prompt().message("Aviso",
                     "Falta de energia detectada! O sistema irá cancelar automaticamente o cupom "
                     "fiscal # " +
                         coo + "!",
                     ui::Icon::kInformation);

    if (!has_row && !record_printer_coupon(*counters, coupon)) return false;
    if (!commit_cancellation(util::read_integer(coupon.id).value,
                             "situacao='C', total=coalesce((SELECT sum(total + vl_acrescimo - "
                             "vl_desconto) FROM balcora.cfiscald WHERE item_cancelado=0 AND "
                             "id_cfiscal=" +
                                 coupon.id + "), 0)",
                             coupon.data, db::report_for_table("Grava CFiscal"), cancel_on_printer))
        return false;
    checkout.fp_iniciada = 0;
    prompt().message("Aviso", "Cupom fiscal cancelado com sucesso!", ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::sale

namespace balcora::sale {

namespace {

// The card payment of the last coupon opened whose transaction is the one
// left pending (same NSU), when that coupon is still issued and is the
// printer's last; nothing otherwise.
struct PendingCardCoupon {
    std::int64_t id_cfiscal = 0;
    std::int64_t id_cfiscalfp = 0;
    std::string numero;
    util::DayNumber data = 0;
};

std::optional<PendingCardCoupon> find_pending_card_coupon() {
    const std::string id = util::trim(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal"));
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    CardFunctions* card = card_functions();
    const std::string nsu = card ? card->pending_transaction_nsu() : std::string();
    if (util::trim(nsu).empty()) return std::nullopt;
    db::SqlRecord r;
    if (!db::read_rows("SELECT p.id_cfiscalfp, c.numero, c.num_ccf, c.data FROM "
                       "balcora.cfiscalfp p JOIN balcora.cfiscal c ON c.id_cfiscal=p.id_cfiscal "
                       "WHERE p.tipo='CA' AND c.situacao='E' AND c.id_cfiscal=$1 AND "
                       "trim(p.nsu)=$2 ORDER BY p.id_cfiscalfp DESC LIMIT 1",
                       {id, util::trim(nsu)}, r) ||
        !r.has_row())
        return std::nullopt;
    const auto counters = ecf::printer().read_counters();
    if (!counters || counters->ccf != r.integer("num_ccf")) return std::nullopt;
    return PendingCardCoupon{util::read_integer(id).value, r.integer("id_cfiscalfp"),
                             std::string(r.text("numero")), r.day("data")};
}

bool undo_pending_transaction(std::int64_t id_cfiscalfp) {
    CardFunctions* card = card_functions();
    return card && card->undo_pending_transaction(id_cfiscalfp);
}

}  // namespace

bool recover_card_coupon_after_failure(CheckoutState& checkout) {
    // A coupon still open has no voucher: it goes as after any power failure,
    // with whatever else the cut left half done.
    if (!recover_open_coupon_after_failure(checkout)) return false;
    // A card cancellation cut after the printer cancelled the coupon (the
    // line above found the printer's cancellation): the refund is confirmed.
    CardFunctions* card_manager = card_functions();
    if (card_manager && card_manager->confirm_cancellation_of_cancelled_coupon()) return true;
    const auto coupon = find_pending_card_coupon();
    if (!coupon) {
        // Nothing of the transaction stands on the printer; only the manager
        // still waits for its confirmation.
        undo_pending_transaction(0);
        return true;
    }
    prompt().message("Aviso",
                     "Falta de energia detectada! O sistema irá cancelar automaticamente o cupom "
                     "fiscal # " +
                         coupon->numero + "!",
                     ui::Icon::kInformation);
    // Noted before the printer is asked, as any cancellation of the last
    // coupon: a cut before COMMIT is settled from the printer's tape.
    const auto before = ecf::printer().read_counters();
    if (!before ||
        !GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation,
                       std::to_string(coupon->id_cfiscal) + ";" + std::to_string(before->coo)))
        return false;
    const std::int64_t card = coupon->id_cfiscalfp;
    const bool cancelled = commit_cancellation(coupon->id_cfiscal, "situacao='C'", coupon->data,
                                               db::report_for_table("Grava CFiscal"), [card] {
                                                   return GRAVAREGISTRO("balcora", "PAF-ECF",
                                                                        kPendingCancellation, "") &&
                                                          undo_pending_transaction(card);
                                               });
    if (!cancelled) {
        GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation, "");
        return false;
    }
    checkout.fp_iniciada = 0;
    prompt().message("Aviso", "Cupom fiscal cancelado com sucesso!", ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::sale
