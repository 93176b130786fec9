#include "sale/open_coupon_recovery.h"

#include "db/fiscal_write.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/printer.h"
#include "globals/globals.h"
#include "sale/stock_date_mark.h"
#include "ui/environment.h"
#include "util/text.h"

#include <string>

namespace balcora::sale {

namespace {

struct LostCoupon {
    std::string id;
    std::string numero;
    util::DayNumber data{};
};

// The coupon row named by the last coupon opened, when it exists.
bool find_lost_coupon(LostCoupon& out) {
    const std::string id = util::trim(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal"));
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) return false;
    db::SqlRecord row;
    QUERYSQL("SELECT id_cfiscal, numero, data FROM balcora.cfiscal WHERE id_cfiscal=" + id + ";",
             row);
    if (!row.has_row()) return false;
    out.id = std::string(row.C(1));
    out.numero = std::string(row.C(2));
    out.data = util::parse_iso_date(row.C(3));
    return true;
}

// The row cancelled with its total restated from its live items, and the
// hashes of the row and its items; inside the caller's transaction.
bool mark_cancelled(const LostCoupon& c) {
    const std::string where = " WHERE id_cfiscal=" + c.id + ";";
    if (!db::run_sql("UPDATE balcora.cfiscal SET situacao='C', total=coalesce((SELECT sum(total + "
                     "vl_acrescimo - vl_desconto) FROM balcora.cfiscald WHERE item_cancelado=0 AND "
                     "id_cfiscal=" +
                         c.id + "), 0)" + where,
                     db::report_for_table("Grava CFiscal")))
        return false;
    return db::execute("update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") +
                       where) &&
           db::execute("update balcora.cfiscald set hash=" + db::hash_expression("cfiscald") +
                       where) &&
           GRAVADATAESTOQUE(c.data);
}

}  // namespace

bool recover_open_coupon_after_failure() {
    if (!ecf::send(ecf::CMD_READ_COUPON_STATE) || glo::cf_aberto == 0) return true;
    if (glo::cf_permcanc == 0) {
        prompt().message("Aviso ECF", "Cupom fiscal em aberto mas cancelamento não é permitdo!",
                         ui::Icon::kWarning);
        return false;
    }
    LostCoupon coupon;
    const bool has_row = find_lost_coupon(coupon);
    if (!has_row)
        prompt().message(
            "Aviso", "Cupom fiscal em aberto mas não foi encontrado registro no banco de dados!",
            ui::Icon::kWarning);
    const std::string coo = has_row ? coupon.numero : std::to_string(::n_coo);
    prompt().message("Aviso",
                     "Falta de energia detectada! O sistema irá cancelar automaticamente o cupom "
                     "fiscal # " +
                         coo + "!",
                     ui::Icon::kInformation);

    db::Transaction tx;
    if (!tx.begun()) return false;
    if (has_row && !mark_cancelled(coupon)) return false;
    if (!ecf::send(ecf::CMD_CANCEL_COUPON)) return false;
    if (!tx.commit()) return false;
    prompt().message("Aviso", "Cupom fiscal cancelado com sucesso!", ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::sale
