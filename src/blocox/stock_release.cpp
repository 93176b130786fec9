#include "blocox/stock_release.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "ui/screen_port.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::blocox {

namespace {

std::string month_text(util::DayNumber d) {
    if (d <= 0) return {};
    const util::CivilDate c = util::civil_date(d);
    char b[16];
    std::snprintf(b, sizeof b, "%02d/%04d", c.month, c.year);
    return b;
}

std::string company_filter() {
    return glo::id_empresa > 0 ? " AND id_empresa=" + std::to_string(glo::id_empresa) : "";
}

bool transmitted(std::string_view sit) {
    return sit == "T" || sit == "A";
}

}  // namespace

std::string blocox_state_text(std::string_view code) {
    if (code == "P") return "Pendente";
    if (code == "T") return "Transmitido";
    if (code == "A") return "Aceito p/Fisco";
    if (code == "C") return "Credenciadora";
    if (code == "G") return "Gerado";
    if (code == "V") return "Validado";
    if (code == "E") return "Erro Processamento";
    return {};
}

StockReleaseBrowse::StockReleaseBrowse() : year_(util::civil_date(today()).year) {}

bool StockReleaseBrowse::set_year(int year) {
    if (year < 1900 || year > 9999) {
        prompt().message("Aviso", "Ano inválido!", ui::Icon::kWarning);
        return false;
    }
    year_ = year;
    return reload();
}

bool StockReleaseBrowse::reload() {
    lines_.clear();
    const auto r = db::run_sql(
        "SELECT id_estoquex, periodo, lib_env, sit_blocox, rec_blocox, "
        "to_char(data_blocox,'DD/MM/YYYY'), to_char(hora_blocox,'HH24:MI'), vl_tot_aquisicao "
        "FROM balcora.estoquex WHERE periodo>=" +
        DTSQL(util::day_number(year_, 1, 1)) + " AND periodo<=" +
        DTSQL(util::day_number(year_, 12, 31)) + company_filter() + " ORDER BY periodo;");
    if (!r) return false;
    for (int i = 0; i < r->rows(); ++i) {
        StockReleaseLine l;
        l.id_estoquex = static_cast<std::int32_t>(util::read_integer(r->value(i, 0)).value);
        l.periodo = month_text(util::parse_iso_date(r->value(i, 1)));
        l.enviar = util::trim(r->value(i, 2)) == "S" ? "Sim" : "Não";
        l.situacao = blocox_state_text(util::trim(r->value(i, 3)));
        l.recibo = util::trim(r->value(i, 4));
        l.data_envio = std::string(r->value(i, 5));
        l.hora_envio = std::string(r->value(i, 6));
        l.total_aquisicao = util::to_br(util::read_number<2>(r->value(i, 7)).value);
        lines_.push_back(std::move(l));
    }
    return true;
}

std::optional<std::size_t> StockReleaseBrowse::index_of(std::int32_t id_estoquex) const {
    for (std::size_t k = 0; k < lines_.size(); ++k)
        if (lines_[k].id_estoquex == id_estoquex) return k;
    return std::nullopt;
}

bool StockReleaseBrowse::remove(std::size_t index) {
    if (index >= lines_.size()) return false;
    const StockReleaseLine line = lines_[index];
    const auto r = db::run_sql("SELECT sit_blocox FROM balcora.estoquex WHERE id_estoquex=" +
                               std::to_string(line.id_estoquex) + ";");
    if (!r) return false;
    if (r->rows() == 0) return reload();
    // The receipt of a transmitted period is the shop's proof of delivery.
    if (transmitted(util::trim(r->value(0, 0)))) {
        prompt().message("Aviso", "Período já transmitido ao Fisco não pode ser excluído!",
                         ui::Icon::kWarning);
        return false;
    }
    if (!prompt().confirm("Confirme", "Excluir o período " + line.periodo + "?")) return false;
    if (!db::run_sql("DELETE FROM balcora.estoquex WHERE id_estoquex=" +
                         std::to_string(line.id_estoquex) + ";",
                     db::report_for_table("estoquex")))
        return false;
    GRAVALOG("EXC", "estoquex", std::to_string(line.id_estoquex), "Período " + line.periodo);
    reload();
    return true;
}

void StockReleaseBrowse::query_authority() {
    if (!screens().open(ui::Window::kBlocoXTransmission, {"ConsultarEstoque"}))
        prompt().message("Aviso", "Consulta ao Fisco ainda não disponível nesta versão.",
                         ui::Icon::kWarning);
    reload();
}

bool StockReleaseForm::open_insert() {
    mode_ = ReleaseFormMode::kInsert;
    id_ = 0;
    id_empresa_ = glo::id_empresa;
    released_ = false;
    sit_blocox_.clear();
    vl_tot_aquisicao = vl_tot_icmsdebforne = vl_bc_calcicmsst = vl_tot_icmsst = {};
    const auto r = db::run_sql("SELECT periodo FROM balcora.estoquex WHERE true" +
                               company_filter() + " ORDER BY periodo DESC LIMIT 1;");
    if (!r) return false;
    const util::CivilDate t = util::civil_date(today());
    if (r->rows() == 0) {
        periodo_ = t.month == 1 ? util::day_number(t.year - 1, 12, 1)
                                : util::day_number(t.year, t.month - 1, 1);
    } else {
        const util::CivilDate last = util::civil_date(util::parse_iso_date(r->value(0, 0)));
        periodo_ = last.month == 12 ? util::day_number(last.year + 1, 1, 1)
                                    : util::day_number(last.year, last.month + 1, 1);
    }
    return true;
}

bool StockReleaseForm::open(ReleaseFormMode mode, std::int32_t id_estoquex) {
    const auto r = db::run_sql(
        "SELECT id_empresa, periodo, lib_env, sit_blocox, vl_tot_aquisicao, vl_tot_icmsdebforne, "
        "vl_bc_calcicmsst, vl_tot_icmsst FROM balcora.estoquex WHERE id_estoquex=" +
        std::to_string(id_estoquex) + ";");
    if (!r) return false;
    if (r->rows() == 0) {
        prompt().message("Aviso", "Período não encontrado!", ui::Icon::kWarning);
        return false;
    }
    mode_ = mode;
    id_ = id_estoquex;
    id_empresa_ = static_cast<std::int32_t>(util::read_integer(r->value(0, 0)).value);
    periodo_ = util::parse_iso_date(r->value(0, 1));
    released_ = util::trim(r->value(0, 2)) == "S";
    sit_blocox_ = util::trim(r->value(0, 3));
    vl_tot_aquisicao = util::read_number<2>(r->value(0, 4)).value;
    vl_tot_icmsdebforne = util::read_number<2>(r->value(0, 5)).value;
    vl_bc_calcicmsst = util::read_number<2>(r->value(0, 6)).value;
    vl_tot_icmsst = util::read_number<2>(r->value(0, 7)).value;
    return true;
}

std::string StockReleaseForm::periodo_text() const {
    return month_text(periodo_);
}

bool StockReleaseForm::set_periodo(const std::string& text) {
    const std::string t = util::trim(text);
    const util::DayNumber d = t.size() == 7 ? util::parse_br_date("01/" + t) : 0;
    if (d <= 0) {
        prompt().message("Aviso", "Período inválido! Informe mês/ano (mm/aaaa).",
                         ui::Icon::kWarning);
        return false;
    }
    // The yearly inventory keeps its 31 December when its month is unchanged.
    const util::CivilDate old = util::civil_date(periodo_), now = util::civil_date(d);
    if (!(old.year == now.year && old.month == now.month)) periodo_ = d;
    return true;
}

bool StockReleaseForm::save() {
    if (read_only()) return true;
    if (periodo_ <= 0) return set_periodo("");
    const auto same = db::run_sql(
        "SELECT id_estoquex, periodo, sit_blocox FROM balcora.estoquex WHERE id_empresa=" +
        std::to_string(id_empresa_) + " AND (periodo=" + DTSQL(periodo_) +
        " OR id_estoquex=" + std::to_string(id_) + ");");
    if (!same) return false;
    for (int i = 0; i < same->rows(); ++i) {
        const auto id = static_cast<std::int32_t>(util::read_integer(same->value(i, 0)).value);
        const bool moved = util::parse_iso_date(same->value(i, 1)) != periodo_;
        if (id != id_) {
            prompt().message("Aviso", "Período " + periodo_text() + " já cadastrado!",
                             ui::Icon::kWarning);
            return false;
        }
        if (moved && transmitted(util::trim(same->value(i, 2)))) {
            prompt().message("Aviso", "Período já transmitido ao Fisco não pode ser alterado!",
                             ui::Icon::kWarning);
            return false;
        }
    }
    // A released period with no state yet becomes due, so that the next
    // stock run sends it.
    const std::string state = sit_blocox_.empty() && released() ? "P" : sit_blocox_;
    const std::string values[] = {released_ ? "'S'" : "'N'",
                                  TXTSQL(state, true),
                                  DTSQL(periodo_),
                                  util::to_plain(vl_tot_aquisicao),
                                  util::to_plain(vl_tot_icmsdebforne),
                                  util::to_plain(vl_bc_calcicmsst),
                                  util::to_plain(vl_tot_icmsst)};
    const char* columns[] = {"lib_env",          "sit_blocox",          "periodo",
                             "vl_tot_aquisicao", "vl_tot_icmsdebforne", "vl_bc_calcicmsst",
                             "vl_tot_icmsst"};
    const bool inserting = mode_ == ReleaseFormMode::kInsert;
    std::string sql;
    if (inserting) {
        std::string names = "id_empresa", list = std::to_string(id_empresa_);
        for (int k = 0; k < 7; ++k)
            names += std::string(", ") + columns[k], list += ", " + values[k];
        sql = "INSERT INTO balcora.estoquex (" + names + ") VALUES (" + list +
              ") RETURNING id_estoquex;";
    } else {
        std::string set;
        for (int k = 0; k < 7; ++k)
            set += (k ? ", " : "") + std::string(columns[k]) + "=" + values[k];
        sql = "UPDATE balcora.estoquex SET " + set + " WHERE id_estoquex=" + std::to_string(id_) +
              " RETURNING id_estoquex;";
    }
    const auto r = db::run_sql(sql, db::report_for_table("estoquex"));
    if (!r) return false;
    if (r->rows() == 0) {
        prompt().message("Aviso", "Período não encontrado!", ui::Icon::kWarning);
        return false;
    }
    const std::string id(r->value(0, 0));
    id_ = static_cast<std::int32_t>(util::read_integer(id).value);
    sit_blocox_ = state;
    mode_ = ReleaseFormMode::kChange;
    GRAVALOG(inserting ? "INC" : "ALT", "estoquex", id, released() ? "Liberado" : "Não liberado");
    return true;
}

}  // namespace balcora::blocox
