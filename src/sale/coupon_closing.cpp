#include "sale/coupon_closing.h"

#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/cp1252.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "sale/sale_documents.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

constexpr std::size_t kMessageLine = 48;

std::string pad(std::string_view text) {
    return ecf::fit(text, kMessageLine);
}

// The coupon's client named on the printer; true without a word to the
// printer when the coupon has no client or the row is gone.
bool identify_client(std::int32_t id_cliente) {
    std::optional<DocumentClient> client;
    if (!load_document_client(id_cliente, client)) return false;
    if (!client) return true;
    const std::string address =
        client->ender + " " + client->bairr + " - " + client->municipio + "/" + client->estado;
    if (ecf::printer().identify_consumer({client->razao, address, client->cgcpf, client->company}))
        return true;
    prompt().beep();
    return false;
}

}  // namespace

std::string closing_message(util::Money federal, util::Money state, util::Money municipal,
                            std::string_view ibpt_key) {
    std::string first;
    if (!federal.is_zero() && !municipal.is_zero())
        first = "Trib aprox R$: " + util::to_br(federal) + " Federal e " + util::to_br(municipal) +
                " Municipal";
    else if (federal.is_zero() && state.is_zero())
        return "OBRIGADO PELA PREFERENCIA! VOLTE SEMPRE!!!";
    else
        first = "Trib aprox R$: " + util::to_br(federal) + " Federal e " + util::to_br(state) +
                " Estadual";
    return pad(first) + pad("Fonte: IBPT    " + std::string(ibpt_key));
}

std::string sale_finished_text(util::Money change) {
    if (change.units() <= 0) return "Venda Finalizada! Obrigado.";
    std::string amount = util::to_plain(change, ',');
    if (amount.size() < 12) amount.insert(0, 12 - amount.size(), ' ');
    return "Venda Finalizada! Troco R$ " + amount + ".";
}

bool close_fiscal_coupon(const PaymentCoupon& coupon, std::optional<std::string> message) {
    if (!identify_client(coupon.id_cliente)) return false;
    if (!message) {
        db::SqlRecord r;
        if (!db::read_rows(
                "SELECT vl_trib_fed, vl_trib_est, vl_trib_mun FROM balcora.cfiscal WHERE "
                "id_cfiscal=" +
                    std::to_string(coupon.id_cfiscal) + ";",
                r))
            return false;
        message =
            closing_message(r.money("vl_trib_fed"), r.money("vl_trib_est"), r.money("vl_trib_mun"),
                            LEREGISTRO("balcora", "PAF-ECF", "Chave IBPT", ""));
    }
    const bool closed = ecf::printer().close_coupon(*message, coupon.numero_nf);
    if (!closed) prompt().beep();
    return closed;
}

}  // namespace balcora::sale
