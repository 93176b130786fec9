#include "sale/printer_reconciliation.h"

#include "db/fiscal_write.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/open_document.h"
#include "fiscal/ead_signing.h"
#include "globals/globals.h"
#include "sale/coupon_cancellation.h"
#include "sale/sale_documents.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace balcora::sale {

namespace {

std::string last_coupon_id() {
    const std::string id = util::trim(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal"));
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) return {};
    return id;
}

// The printer's last voucher is what CMD_REGISTER_DOCUMENT registers: kept
// only when it is the one linked to the coupon, and registered once.
bool registered_the_coupon_voucher(const std::string& ccf, const std::string& day) {
    db::SqlRecord r;
    return db::read_rows(
               "SELECT (SELECT count(*) FROM balcora.docecf WHERE tipo='CC' AND "
               "num_ccf=" +
                   ccf + " AND data='" + day +
                   "') = 1 AND (SELECT count(*) = count(DISTINCT (num_cro, num_coo)) "
                   "FROM balcora.docecf WHERE tipo='CC') AS once;",
               r) &&
           r.flag("once");
}

}  // namespace

void close_documents_left_open() {
    ecf::Printer& printer = ecf::printer();
    // Closing a document of the other kind is refused, in front of the
    // cashier: only what the printer says is open is closed. A coupon is
    // the recovery's; a driver that cannot tell gets both closings.
    using ecf::OpenDocument;
    const auto open = ecf::read_open_document(printer);
    if (!open) return;
    if (*open == OpenDocument::kVoucher || *open == OpenDocument::kUnknown) printer.close_voucher();
    if (*open == OpenDocument::kReport || *open == OpenDocument::kUnknown) printer.close_report();
}

void settle_coupon_cancelled_on_printer() {
    const std::string id = last_coupon_id();
    if (id.empty()) return;
    db::SqlRecord r;
    if (!db::read_rows("SELECT numero, num_ccf, data FROM balcora.cfiscal WHERE situacao='E' AND "
                       "id_cfiscal=" +
                           id + ";",
                       r) ||
        !r.has_row())
        return;
    const auto numero = r.integer("numero");
    const auto ccf = r.integer("num_ccf");
    const util::DayNumber day = r.day("data");
    ecf::Printer& printer = ecf::printer();
    const auto state = printer.read_coupon_state();
    if (!state || state->open || state->may_cancel) return;
    const auto counters = printer.read_counters();
    if (!counters || counters->coo != numero || counters->ccf != ccf) return;
    const auto z_pending = printer.read_z_pending();
    if (!z_pending || *z_pending) return;
    if (!commit_cancellation(util::read_integer(id).value,
                             "situacao='C', total=coalesce((SELECT sum(total + vl_acrescimo - "
                             "vl_desconto) FROM balcora.cfiscald WHERE item_cancelado=0 AND "
                             "id_cfiscal=" +
                                 id + "), 0)",
                             day, db::report_for_table("Grava CFiscal"), [] { return true; }))
        return;
    prompt().message("Aviso",
                     "Cupom fiscal # " + std::to_string(numero) +
                         " foi cancelado na impressora antes da falta de energia; o banco de "
                         "dados foi atualizado.",
                     ui::Icon::kInformation);
}

void settle_pending_cancellation() {
    const std::string pending =
        util::trim(LEREGISTRO("balcora", "PAF-ECF", kPendingCancellation, ""));
    if (pending.empty()) return;
    const auto split = pending.find(';');
    const auto id = util::read_integer(pending.substr(0, split)).value;
    const auto coo_before =
        split == std::string::npos ? 0 : util::read_integer(pending.substr(split + 1)).value;
    // Only the printer's tape tells a cancellation from anything else taken
    // since (a reading, a receipt, a reduction): each moves the COO as well.
    db::SqlRecord r;
    auto coupon_closed = [] {
        const auto state = ecf::printer().read_coupon_state();
        return state && !state->open && !state->may_cancel;
    };
    std::optional<ecf::Counters> counters;
    if (id > 0 && coo_before > 0 &&
        db::read_row("SELECT num_ccf, data, numero FROM balcora.cfiscal WHERE situacao='E' AND "
                     "id_cfiscal=",
                     id, r) &&
        coupon_closed() && (counters = ecf::printer().read_counters()) &&
        counters->ccf == r.integer("num_ccf") &&
        printer_documents_show(coo_before + 1, counters->coo, kCancelledCouponLine,
                               r.integer("numero"))) {
        if (!commit_cancellation(id, "situacao='C'", r.day("data"),
                                 db::report_for_table("Grava CFiscal"), [] { return true; }))
            return;
        prompt().message("Aviso",
                         "O cancelamento do cupom fiscal foi concluído na impressora antes da "
                         "falta de energia; o banco de dados foi atualizado.",
                         ui::Icon::kInformation);
    }
    GRAVAREGISTRO("balcora", "PAF-ECF", kPendingCancellation, "");
}

bool printer_documents_show(std::int64_t first, std::int64_t last, std::string_view label,
                            std::int64_t coo) {
    if (first < 1 || last < first) return false;
    const auto file = fiscal::pafecf_folder() / "consultamfd.txt";
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (!ecf::printer().mfd_mirror_by_coo(file, first, last)) return false;
    char wanted[24];
    std::snprintf(wanted, sizeof wanted, "%06lld", static_cast<long long>(coo));
    bool shown = false;
    {
        std::ifstream in(file, std::ios::binary);
        for (std::string line; !shown && std::getline(in, line);) {
            if (line.ends_with('\r')) line.pop_back();  // the file's lines end in CR LF
            const std::string text = util::trim(line);
            shown = text.starts_with(label) && util::trim(text.substr(label.size())) == wanted;
        }
    }
    std::filesystem::remove(file, ec);
    return shown;
}

namespace {

// The card voucher of the last coupon's card payment, printed but not
// registered: registered, and its number given to the payment row.
void register_card_voucher_left_unregistered(const std::string& id) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT c.num_ccf, c.data, p.valor, p.id_cfiscalfp FROM balcora.cfiscal c "
                       "JOIN balcora.cfiscalfp p ON p.id_cfiscal=c.id_cfiscal AND p.tipo='CA' AND "
                       "coalesce(p.cancelada, 0)=0 WHERE c.situacao='E' AND c.id_cfiscal=" +
                           id +
                           " AND NOT EXISTS (SELECT 1 FROM balcora.docecf d WHERE d.tipo='CC' AND "
                           "d.num_ccf=c.num_ccf AND d.data=c.data) ORDER BY p.id_cfiscalfp DESC "
                           "LIMIT 1;",
                       r) ||
        !r.has_row())
        return;
    const std::string ccf(r.text("num_ccf")), day(r.text("data")), payment(r.text("id_cfiscalfp"));
    const util::Money amount = r.money("valor");
    db::Transaction tx;
    if (!tx.begun() || !ecf::printer().register_document(ecf::Document::kCreditVoucher, amount))
        return;
    if (!registered_the_coupon_voucher(ccf, day)) return;
    if (db::run_sql("UPDATE balcora.cfiscalfp SET num_gnf=(SELECT num_gnf FROM balcora.docecf "
                    "WHERE tipo='CC' AND num_ccf=" +
                        ccf + " AND data='" + day + "' LIMIT 1) WHERE id_cfiscalfp=" + payment +
                        "; update balcora.cfiscalfp set hash=" + db::hash_expression("cfiscalfp") +
                        " where id_cfiscalfp=" + payment + ";",
                    db::report_for_table("cfiscalfp")))
        tx.commit();
}

}  // namespace

void register_voucher_left_unregistered() {
    const std::string id = last_coupon_id();
    if (id.empty()) return;
    register_card_voucher_left_unregistered(id);
    const long long document = sale_document_setting();
    if (document != 1 && document != 2) return;
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT c.num_ccf, c.data, sum(p.valor) AS valor FROM balcora.cfiscal c JOIN "
            "balcora.cfiscalfp p ON p.id_cfiscal=c.id_cfiscal AND p.tipo='CR' WHERE "
            "c.situacao='E' AND c.id_cfiscal=" +
                id +
                " AND NOT EXISTS (SELECT 1 FROM balcora.docecf d WHERE d.tipo='CC' AND "
                "d.num_ccf=c.num_ccf AND d.data=c.data) GROUP BY c.num_ccf, c.data;",
            r) ||
        !r.has_row())
        return;
    const std::string ccf(r.text("num_ccf")), day(r.text("data"));
    const util::Money amount = r.money("valor");
    db::Transaction tx;
    if (!tx.begun() || !ecf::printer().register_document(ecf::Document::kCreditVoucher, amount))
        return;
    if (registered_the_coupon_voucher(ccf, day)) tx.commit();
}

}  // namespace balcora::sale
