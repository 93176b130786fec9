#include "sale/coupon_browse.h"

#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/called_procedures.h"
#include "sale/printer_reconciliation.h"
#include "sale/sale_gates.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::sale {

namespace {

const CouponBrowse*& current_browse() {
    static const CouponBrowse* browse = nullptr;
    return browse;
}

void notice(std::string_view text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

std::string six_digits(std::string_view stored) {
    char text[16];
    std::snprintf(text, sizeof text, "%06lld",
                  static_cast<long long>(util::read_integer(stored).value));
    return text;
}

}  // namespace

const CouponBrowse* open_coupon_browse() {
    return current_browse();
}

CouponBrowse::CouponBrowse(CheckoutState& checkout) : checkout_(checkout) {}

CouponBrowse::~CouponBrowse() {
    close();
}

bool CouponBrowse::open() {
    if (open_ || !printer_window_free(checkout_)) return false;
    if (blocox_blocked(true)) return false;
    const std::string serial = util::trim(glo::numfab);
    MaqecfRecord row;
    const bool authorised = !serial.empty() && ecf::load_maqecf_by_serial(serial, row);
    if (!back_office_fresh_enough(authorised ? row.data_sit : 0)) return false;
    if (authorised) {
        if (!ecf::printer().open_port()) return false;
        port_open_ = true;
        close_documents_left_open();
    }
    checkout_.jan_ecf_aberta = 1;
    open_ = true;
    current_browse() = this;
    pre_sale_ = registro_number("PAF-ECF", "PreVenda", 0) == 1;
    spool_ = registro_number("PAF-ECF", "DAV", 0) == 1;
    tef_active_ =
        util::trim(LEREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "N")) == "S";
    return true;
}

void CouponBrowse::first_display() {
    if (!open_ || displayed_) return;
    displayed_ = true;
    if (!run_recover_open_coupon(checkout_, glo::cf_aberto == 2)) {
        close();
        return;
    }
    refresh();
}

void CouponBrowse::close() {
    if (!open_) return;
    if (port_open_) ecf::printer().close_port();
    port_open_ = false;
    checkout_.jan_ecf_aberta = 0;
    open_ = false;
    if (current_browse() == this) current_browse() = nullptr;
}

bool CouponBrowse::application_may_close() const {
    if (!open_) return true;
    notice("Favor fechar janela do cupom fiscal antes de finalizar o aplicativo!");
    return false;
}

// ---- list ---------------------------------------------------------------------

void CouponBrowse::set_tab(BrowseTab tab) {
    tab_ = tab;
}

void CouponBrowse::set_situation(SituationFilter s) {
    situation_ = s;
}

void CouponBrowse::set_coo_filter(std::string_view text) {
    coo_filter_ = SONUMEROS(text);
    // A COO names one coupon, whatever became of it.
    if (!coo_filter_.empty()) situation_ = SituationFilter::kAll;
}

std::string CouponBrowse::list_statement() const {
    const std::string name =
        "coalesce(nullif(trim(k.razao), ''), nullif(trim(k.nome), ''), 'CONSUMIDOR')";
    std::string sql =
        "SELECT c.id_cfiscal, c.numero, c.data, c.hr_emissao_final, " + name +
        " AS cliente, c.total, c.situacao, c.id_cliente FROM balcora.cfiscal c LEFT JOIN "
        "balcora.cliente k ON k.id_cliente=c.id_cliente WHERE true";
    if (glo::id_empresa != 0) sql += " AND c.id_empresa=" + std::to_string(glo::id_empresa);
    if (situation_ == SituationFilter::kIssued) sql += " AND c.situacao='E'";
    if (situation_ == SituationFilter::kCancelled) sql += " AND c.situacao='C'";
    if (!coo_filter_.empty()) {
        const auto coo = util::read_integer(coo_filter_);
        sql +=
            " AND c.numero=" + std::to_string(coo.valid && coo.value < INT32_MAX ? coo.value : -1);
    }
    switch (tab_) {
        case BrowseTab::kByDate:
            sql += " ORDER BY c.data DESC, c.numero DESC, c.id_cfiscal DESC";
            break;
        case BrowseTab::kByCustomer:
            sql += " ORDER BY " + name + ", c.data DESC, c.numero DESC";
            break;
        case BrowseTab::kByCoo:
            sql += " ORDER BY c.numero DESC, c.id_cfiscal DESC";
            break;
    }
    return sql + " LIMIT " + std::to_string(kRowLimit + 1) + ";";
}

bool CouponBrowse::refresh() {
    db::SqlRecord r;
    rows_.clear();
    truncated_ = false;
    if (!db::read_rows(list_statement(), r)) return false;
    for (bool more = r.has_row(); more; more = r.next()) {
        if (static_cast<int>(rows_.size()) == kRowLimit) {
            truncated_ = true;
            break;
        }
        CouponRow row;
        row.id_cfiscal = r.integer("id_cfiscal");
        row.coo = six_digits(r.text("numero"));
        row.data = util::br_date(r.day("data"));
        row.hora = util::trim(r.text("hr_emissao_final"));
        row.cancelled = util::trim(r.text("situacao")) == "C";
        const std::string customer = r.integer("id_cliente") == 0 ? std::string("CONSUMIDOR")
                                                                  : util::trim(r.text("cliente"));
        row.cliente =
            util::cut_characters((row.cancelled ? "*** CANCELADO *** " : "") + customer, 65);
        row.total = r.money("total");
        rows_.push_back(std::move(row));
    }
    return true;
}

// ---- buttons ------------------------------------------------------------------

bool CouponBrowse::day_ready() {
    MaqecfRecord row;
    const std::string serial = util::trim(glo::numfab);
    if (serial.empty() || !ecf::load_maqecf_by_serial(serial, row) ||
        util::trim(row.situacao) != "A") {
        notice("Caixa não está aberto!");
        return false;
    }
    if (row.data_sit != today()) {
        notice("Data atual não confere com data da abertura (" + util::br_date(row.data_sit) +
               ") do caixa!");
        return false;
    }
    return ecf::printer().check_sale_state() && ecf::printer().check_printer();
}

bool CouponBrowse::may_start_coupon() {
    return open_ && day_ready();
}

void CouponBrowse::pre_sale() {
    if (!open_ || !day_ready()) return;
    run_pre_sale();
    refresh();
}

void CouponBrowse::spool() {
    if (!open_) return;
    run_spool();
}

bool CouponBrowse::cancel(std::int64_t id_cfiscal) {
    if (!open_ || !run_cancel_selected_coupon(checkout_, id_cfiscal)) return false;
    refresh();
    return true;
}

}  // namespace balcora::sale
