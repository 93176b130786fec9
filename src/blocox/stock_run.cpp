#include "blocox/stock_xml.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "ecf/maqecf_record.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <string>

namespace balcora::blocox {

namespace {

// "Erro (<SQLSTATE>)" over the server's text.
void report_write_failure(const db::SqlFailure& failure, std::string_view) {
    prompt().message("Erro", "Erro (" + failure.sqlstate + ")|" + failure.text, ui::Icon::kError);
}

StockPeriod period_from(const db::PgResult& r, int i) {
    StockPeriod p;
    p.id_estoquex = static_cast<std::int32_t>(util::read_integer(r.value(i, 0)).value);
    p.id_empresa = static_cast<std::int32_t>(util::read_integer(r.value(i, 1)).value);
    p.periodo = util::parse_iso_date(r.value(i, 2));
    p.sit_blocox = util::trim(r.value(i, 3));
    p.rec_blocox = util::trim(r.value(i, 4));
    p.lib_env = util::trim(r.value(i, 5));
    return p;
}

constexpr const char* kPeriodColumns =
    "SELECT id_estoquex, id_empresa, periodo, sit_blocox, rec_blocox, lib_env "
    "FROM balcora.estoquex ";

// Last year's inventory must go every year: its row is made due here, the
// monthly December row when the back office made one, else a yearly row.
bool make_last_december_due(std::int32_t id_empresa, int last_year) {
    const std::string company = "WHERE id_empresa=" + std::to_string(id_empresa);
    const auto monthly = db::run_sql(std::string(kPeriodColumns) + company + " AND periodo=" +
                                     DTSQL(util::day_number(last_year, 12, 1)) + ";");
    if (!monthly) return false;
    if (monthly->rows() > 0) {
        if (!util::trim(monthly->value(0, 3)).empty()) return true;
        return db::run_sql("UPDATE balcora.estoquex SET sit_blocox='P' WHERE id_estoquex=" +
                               std::string(monthly->value(0, 0)) + ";",
                           report_write_failure)
            .has_value();
    }
    const util::DayNumber yearly_day = util::day_number(last_year, 12, 31);
    const auto yearly = db::run_sql(std::string(kPeriodColumns) + company +
                                    " AND periodo=" + DTSQL(yearly_day) + ";");
    if (!yearly) return false;
    if (yearly->rows() > 0) return true;
    return db::run_sql(
               "INSERT INTO balcora.estoquex (id_empresa, periodo, sit_blocox, lib_env) "
               "VALUES (" +
                   std::to_string(id_empresa) + ", " + DTSQL(yearly_day) + ", 'P', 'N');",
               report_write_failure)
        .has_value();
}

// The inventory is produced by the back office some days into the month:
// the first nine days of a month (and of a year) are given to it silently.
void report_missing_inventory(const StockPeriod& period, util::DayNumber last_of_previous) {
    const util::DayNumber today = balcora::today();
    const util::DayNumber ref = reference_day(period);
    if (is_yearly(period)) {
        if (today - period.periodo < 10) return;
        prompt().message(
            "Aviso", "Favor gerar o inventário do ultimo dia do Ano(" + util::br_date(ref) + ")!",
            ui::Icon::kWarning);
        return;
    }
    const util::CivilDate t = util::civil_date(today), p = util::civil_date(period.periodo),
                          last = util::civil_date(last_of_previous);
    // Months are compared with their years: a month of a former year is late
    // whatever its number.
    const bool latest_month = p.year * 12 + p.month >= last.year * 12 + last.month;
    if (t.day < 10 && latest_month) return;
    prompt().message("Aviso",
                     "Favor gerar o inventário do ultimo dia do mês(" + util::br_date(ref) + ")!",
                     ui::Icon::kWarning);
}

bool company_exists(std::int32_t id_empresa) {
    const auto r = db::run_sql(
        "SELECT 1 FROM balcora.empresa WHERE id_empresa=" + std::to_string(id_empresa) + ";");
    if (!r) return false;
    if (r->rows() == 0) prompt().message("Aviso", "Erro ao ler empresa!", ui::Icon::kWarning);
    return r->rows() > 0;
}

}  // namespace

StockRun run_stock_periods(const MaqecfRecord& printer, const TransmitStockPeriod& transmit,
                           const ShowProgress& progress) {
    StockRun run;
    if (printer.num_cred_ecf == 0) {
        prompt().message(
            "Aviso", "Máquina ECF sem Número de Credenciamento!|Número Fabricação: " + glo::numfab,
            ui::Icon::kWarning);
        return run;
    }
    if (!company_exists(printer.id_empresa)) return run;
    const util::CivilDate t = util::civil_date(today());
    const util::DayNumber last_of_previous = util::day_number(t.year, t.month, 1) - 1;
    if (!make_last_december_due(printer.id_empresa, t.year - 1)) return run;

    const auto due = db::run_sql(std::string(kPeriodColumns) +
                                 "WHERE id_empresa=" + std::to_string(printer.id_empresa) +
                                 " AND sit_blocox='P' ORDER BY periodo;");
    if (!due) return run;
    for (int i = 0; i < due->rows(); ++i) {
        run.last_transmitted = false;
        const StockPeriod period = period_from(*due, i);
        const auto has_inventory = inventory_exists(period);
        if (!has_inventory) return run;
        if (!*has_inventory) {
            report_missing_inventory(period, last_of_previous);
            return run;
        }
        if (progress) progress("Processando Estoque de " + period_label(period));
        const auto path = generate_stock_xml(period, run.errors);
        if (!path) return run;
        if (period.lib_env != "S") {
            const std::string what =
                is_yearly(period)
                    ? "do ano passado do dia (" + util::br_date(reference_day(period)) + ")!"
                    : "do mês (" + period_label(period) + ")!";
            prompt().message("Aviso",
                             "Favor informar a liberação de transmição para o Inventário " + what,
                             ui::Icon::kWarning);
            return run;
        }
        if (!run.errors.empty()) return run;
        if (!transmit || !transmit(period, *path)) return run;
        run.last_transmitted = true;
    }
    return run;
}

}  // namespace balcora::blocox
