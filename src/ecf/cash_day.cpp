#include "ecf/cash_day.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <string>

namespace balcora::ecf {

namespace {

// The oldest pending day keeps the marker other parts read (nome 'REDUCAO');
// a later day pending beside it gets its own row, 'REDUCAO yyyymmdd', so
// neither overwrites nor deletes the other.
constexpr const char* kMarkers = " FROM balcora.registro WHERE chave='ERRO_REDUCAO'";
constexpr const char* kOldestMarker = "nome='REDUCAO'";

// The failure text of a statement without its dialog: the callers word the
// message themselves.
std::optional<db::PgResult> run_keeping(std::string_view sql, db::SqlFailure& failure) {
    return db::run_sql(sql, db::keep_failure_in(failure));
}

std::string failure_code(const db::SqlFailure& f) {
    return f.sqlstate.empty() ? f.text : f.sqlstate + ": " + f.text;
}

}  // namespace

bool read_day_state(MaqecfRecord& out) {
    const std::string serial = util::trim(glo::numfab);
    return !serial.empty() && load_maqecf_by_serial(serial, out);
}

std::string logged_amount(util::Money amount) {
    std::string text = util::to_plain(amount, ',');
    if (text.size() < 10) text.insert(0, 10 - text.size(), ' ');
    return " Valor:" + text;
}

bool log_day_function(std::string_view function, util::DayNumber day, std::string_view text) {
    return GRAVALOG("FUN", function, std::to_string(day), text);
}

bool day_function_logged(std::string_view function, util::DayNumber day, std::string_view text) {
    db::SqlRecord r;
    return db::read_rows("select id_log from balcora.log where operacao='FUN' and tabela=" +
                             TXTSQL(function) + " and id='" + std::to_string(day) +
                             "' and descricao=" + TXTSQL(text) + " limit 1;",
                         r) &&
           r.has_row();
}

std::vector<util::DayNumber> interrupted_closing_days() {
    std::vector<util::DayNumber> days;
    db::SqlRecord r;
    if (!db::read_rows(std::string("SELECT valor") + kMarkers + " AND (" + kOldestMarker +
                           " OR nome LIKE 'REDUCAO %') ORDER BY nome<>'REDUCAO', nome;",
                       r))
        return days;
    // A marker whose day cannot be read still means an unfinished closing:
    // the recovery then works on no day and fails, keeping it.
    for (bool more = r.has_row(); more; more = r.next())
        days.push_back(util::parse_setting_day(r.text("valor")));
    return days;
}

std::optional<util::DayNumber> interrupted_closing_day() {
    const auto days = interrupted_closing_days();
    if (days.empty()) return std::nullopt;
    return days.front();
}

bool mark_interrupted_closing(util::DayNumber day) {
    const std::string shown = "'" + util::br_date(day) + "'";
    db::SqlFailure failure;
    if (run_keeping("INSERT INTO balcora.registro(chave, nome, valor) SELECT 'ERRO_REDUCAO', "
                    "CASE WHEN EXISTS (SELECT 1" +
                        std::string(kMarkers) + " AND " + kOldestMarker + ") THEN 'REDUCAO " +
                        util::iso_date(day) + "' ELSE 'REDUCAO' END, " + shown +
                        " WHERE NOT EXISTS (SELECT 1" + kMarkers + " AND valor=" + shown + ");",
                    failure))
        return true;
    prompt().message("Redução Z", "Erro (" + failure_code(failure) + ")", ui::Icon::kError);
    return false;
}

bool clear_interrupted_closing(util::DayNumber day) {
    // The oldest day still pending takes over the marker the others read.
    db::SqlFailure failure;
    if (run_keeping("DELETE" + std::string(kMarkers) + " AND valor='" + util::br_date(day) +
                        "'; UPDATE balcora.registro SET nome='REDUCAO' WHERE chave='ERRO_REDUCAO' "
                        "AND nome=(SELECT min(nome)" +
                        kMarkers + " AND nome LIKE 'REDUCAO %') AND NOT EXISTS (SELECT 1" +
                        kMarkers + " AND " + kOldestMarker + ");",
                    failure))
        return true;
    prompt().message("Erro", "Erro (" + failure_code(failure) + ") ao excluir registro de erro!",
                     ui::Icon::kError);
    return false;
}

void report_not_available(std::string_view what) {
    prompt().message("Aviso", std::string(what) + " ainda não disponível nesta versão.",
                     ui::Icon::kInformation);
}

}  // namespace balcora::ecf
