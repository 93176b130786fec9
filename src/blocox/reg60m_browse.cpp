#include "blocox/reg60m_browse.h"

#include "blocox/authority_queries.h"
#include "blocox/stock_release.h"
#include "blocox/transmission.h"
#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::blocox {

namespace {

std::string br_date_of(std::string_view iso) {
    const util::DayNumber d = util::parse_iso_date(iso);
    return d > 0 ? util::br_date(d) : std::string();
}

std::string amount(std::string_view text) {
    const auto units = util::parse_units(util::trim(text), 2, util::ExcessDecimals::kRoundHalfUp);
    return units ? util::format_units(*units, 2, ',', '.') : std::string();
}

}  // namespace

Reg60mBrowse::Reg60mBrowse() {
    const util::CivilDate t = util::civil_date(today());
    const util::CivilDate last_month =
        t.month == 1 ? util::CivilDate{t.year - 1, 12, 1} : util::CivilDate{t.year, t.month - 1, 1};
    from_ = util::day_number(last_month.year, last_month.month, 1);
    to_ = today();
}

bool Reg60mBrowse::set_period(util::DayNumber from, util::DayNumber to) {
    if (from <= 0 || to <= 0) {
        prompt().message("Aviso", "Informe o período!", ui::Icon::kWarning);
        return false;
    }
    if (to < from) {
        prompt().message("Aviso", "Data final menor que a data inicial!", ui::Icon::kWarning);
        return false;
    }
    from_ = from;
    to_ = to;
    return true;
}

bool Reg60mBrowse::reload() {
    lines_.clear();
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT a.id_reg60m, a.data, b.num_serie, a.num_cont_red_z, a.vl_venda_bruta, "
            "a.sit_blocox, a.data_blocox, a.hora_blocox FROM balcora.reg60m a LEFT OUTER JOIN "
            "balcora.maqecf b ON (a.id_maqecf=b.id_maqecf) WHERE a.data BETWEEN " +
                DTSQL(from_) + " AND " + DTSQL(to_) + " ORDER BY " +
                (order_ == Order::kId ? "a.id_reg60m" : "a.data, a.id_reg60m") + ";",
            r))
        return false;
    for (; r.has_row(); r.next()) {
        Reg60mLine l;
        l.id_reg60m = static_cast<std::int32_t>(text_to_integer(r.C(1)));
        l.data = br_date_of(r.C(2));
        l.num_serie = util::trim(r.C(3));
        l.crz = util::trim(r.C(4));
        l.venda_bruta = amount(r.C(5));
        l.situacao = blocox_state_text(util::trim(r.C(6)));
        l.data_envio = br_date_of(r.C(7));
        l.hora_envio = util::trim(r.C(8));
        lines_.push_back(std::move(l));
    }
    return true;
}

void Reg60mBrowse::query_authority() {
    BLOCOX(kQueryReductions);
    reload();
}

namespace {

std::string processing_text(const std::string& code, const std::string& message) {
    if (code == "0") return "Aguardando processamento";
    if (code == "1") return "Processado e aceito";
    if (code == "3") return "Cancelado";
    return "Recusado" + (message.empty() ? std::string() : ": " + message);
}

}  // namespace

void Reg60mBrowse::ask_authority(std::int32_t id_reg60m, const std::function<void()>& wait) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT rec_blocox, sit_blocox, data, num_cont_red_z FROM balcora.reg60m "
                       "WHERE id_reg60m=" +
                           std::to_string(id_reg60m) + ";",
                       r) ||
        !r.has_row())
        return;
    const std::string receipt = util::trim(r.C(1));
    const std::string state = util::trim(r.C(2));
    const std::string label = "Redução Z " + util::trim(r.C(4)) + " de " + br_date_of(r.C(3));
    if (receipt.empty() || state == "P") {
        prompt().message("Aviso", label + " ainda não transmitida ao Fisco.", ui::Icon::kWarning);
        return;
    }
    std::string code;
    const Asked asked = processing_state(receipt, &code, wait);
    if (!asked.done()) {
        prompt().message("Aviso", label + "|" + asked.message, ui::Icon::kWarning);
        return;
    }
    if (code == "1" && state == "T")
        db::run_sql("UPDATE balcora.reg60m SET sit_blocox='A' WHERE id_reg60m=" +
                        std::to_string(id_reg60m) + " AND sit_blocox='T';",
                    db::report_for_table("reg60m"));
    std::string text = label + "|Recibo: " + receipt +
                       "|Situação no Fisco: " + processing_text(code, asked.message);
    std::vector<AuthorityEvent> events;
    const Asked history = file_history(receipt, &events, wait);
    if (history.done()) {
        for (const AuthorityEvent& e : events)
            text += "|" + e.when + " " + e.description + (e.reason.empty() ? "" : " - " + e.reason);
    } else {
        text += "|Histórico indisponível: " + history.message;
    }
    prompt().message("Consulta ao Fisco", text, ui::Icon::kInformation);
    reload();
}

}  // namespace balcora::blocox
