#include "ecf/day_closing.h"

#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/cash_day.h"
#include "ecf/closing_hour.h"
#include "ecf/fiscal_printer.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::ecf {

namespace {

constexpr const char* kClosing = "fechadia";
constexpr const char* kReg60m = "Reg60m";
constexpr const char* kRegistersDone = "Finaliza Registro PAF";
constexpr const char* kConfirmClosing =
    "ATENÇÃO! APOS O FECHAMENTO DO DIA NÃO SERÁ POSSIVEL MAIS EFETUAR VENDAS!!!|Confirma fechar "
    "o caixa?";

void notice(std::string_view text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

void add_line(std::string& lines, std::string_view line) {
    if (!lines.empty()) lines += "|";
    lines += line;
}

// Entering summer time waits for the Z reduction: the printer changes its
// clock only with the day closed.
void enter_summer_time() {
    MaqecfRecord row;
    if (!read_day_state(row) || row.horario_verao == 0 ||
        row.horario_verao == (printer().summer_time() ? 1 : 0))
        return;
    if (printer().toggle_summer_time())
        log_day_function("horaverao", row.data_sit, "Entrada em horário de verão");
}

}  // namespace

DayClosing::DayClosing(CashDayServices services, std::function<void(std::string_view)> status)
    : services_(std::move(services)), status_(std::move(status)) {}

void DayClosing::set_status(std::string_view text) {
    if (status_) status_(text);
}

bool DayClosing::close_day() {
    MaqecfRecord day;
    if (!read_day_state(day)) return false;
    const bool open = util::trim(day.situacao) == "A";
    // A day of an earlier date can only be reduced: the printer says whether
    // its reduction is pending, which lifts the hour rule and the question.
    // The sale screens come here without the window's opening, which asks.
    if (open && day.data_sit != today()) printer().read_z_pending();
    if (!printer().z_pending()) {
        if (!open) {
            notice("Função de fechamento do dia já foi executada!");
            return false;
        }
        if (const auto refusal =
                closing_hour_refusal(clock().now(), day.data_sit, read_closing_hours())) {
            notice(*refusal);
            return false;
        }
        if (!prompt().confirm("Confirme", kConfirmClosing)) return false;
    }

    set_status("Aguarde!!!");
    if (!printer().z_reduction()) {
        set_status("ERRO!!!");
        return false;
    }
    const util::DayNumber closed = day.data_sit;
    mark_interrupted_closing(closed);
    const Outcome outcome = after_z_steps(closed);
    set_status("");
    if (outcome.failed) {
        prompt().message("Aviso",
                         "Sistema será totalmente fechado, Você poderá reabri-lo em seguida!",
                         ui::Icon::kWarning);
        if (services_.end_application) services_.end_application();
        return false;
    }
    if (outcome.incomplete.empty()) {
        prompt().message("Aviso", "Redução Z e Processo do PAF-ECF execultado com Sucesso!",
                         ui::Icon::kInformation);
        return true;
    }
    prompt().message(
        "Aviso",
        "Redução Z efetuada, mas o processo do PAF-ECF não foi concluído:|" + outcome.incomplete,
        ui::Icon::kWarning);
    return false;
}

DayClosing::Outcome DayClosing::after_z_steps(util::DayNumber day) {
    Outcome outcome;
    log_day_function(kClosing, day, "Redução Z");
    printer().forget_z_pending();
    enter_summer_time();
    // Without the day's reduction recorded, the file would be built from the
    // day's placeholder: the recovery builds it once the reduction is there.
    if (!record_reg60m(day))
        outcome.failed = true;
    else if (!registers_file(day, outcome))
        outcome.failed = true;
    // What the recovery would repeat is done: the marker goes before the
    // transmission, which holds back every reduction from a marked day on.
    if (!outcome.failed) clear_interrupted_closing(day);
    if (printer().open_drawer()) log_day_function(kClosing, day, "Gaveta");
    run_blocox(day, "EnviarReducaoZ", "Bloco X Redução Z", outcome);
    run_blocox(day, "EnviarEstoque", "Bloco X Estoque", outcome);
    run_backup(day, outcome);
    return outcome;
}

bool DayClosing::record_reg60m(util::DayNumber day) {
    if (!printer().record_reg60m()) return false;
    log_day_function(kClosing, day, kReg60m);
    return true;
}

// False when the file was not produced; a build without the registers file
// counts as not done, not as failed, and is named in the closing message.
bool DayClosing::registers_file(util::DayNumber day, Outcome& outcome) {
    if (!services_.registers) {
        log_day_function(kClosing, day, "Registro PAF indisponível");
        add_line(outcome.incomplete,
                 "Arquivo de Registros do PAF-ECF ainda não disponível nesta versão.");
        return true;
    }
    return services_.registers(day);
}

void DayClosing::run_blocox(util::DayNumber day, std::string_view action, std::string_view label,
                            Outcome& outcome) {
    if (screens().open(ui::Window::kBlocoXTransmission, {std::string(action)})) {
        log_day_function(kClosing, day, label);
        return;
    }
    log_day_function(kClosing, day, std::string(label) + " indisponível");
    add_line(outcome.incomplete,
             "Transmissão " + std::string(label) + " ainda não disponível nesta versão.");
}

bool DayClosing::run_backup(util::DayNumber day, Outcome& outcome) {
    if (!screens().open(ui::Window::kBackup)) {
        log_day_function(kClosing, day, "Backup indisponível");
        add_line(outcome.incomplete, "Cópia de segurança ainda não disponível nesta versão.");
        return false;
    }
    // The backup records its verdict where the start-up reads it.
    const bool good = registro_number("Backup", "Situacao", 0) == 1;
    log_day_function(kClosing, day, good ? "Backup" : "Backup erro");
    if (!good) add_line(outcome.incomplete, "Cópia de segurança não foi concluída.");
    return good;
}

// The day's reg60m row before the printer writes it again: a row already
// sent to the tax authority stays as it is (true, nothing to record); a
// pending one goes with its reg60a rows. False after an error was shown.
bool DayClosing::clear_pending_reg60m(util::DayNumber day) {
    MaqecfRecord printer;
    if (!read_day_state(printer)) return false;
    db::SqlRecord r;
    if (!db::read_rows("SELECT id_reg60m, sit_blocox FROM balcora.reg60m WHERE id_maqecf=$1 AND "
                       "data=$2",
                       {std::to_string(printer.id_maqecf), date_param(day)}, r))
        return false;
    if (r.has_row()) {
        if (util::trim(r.text("sit_blocox")) != "P") return true;
        const std::string id(r.text("id_reg60m"));
        db::SqlFailure failure;
        if (!db::run_sql("BEGIN; DELETE FROM balcora.reg60a WHERE id_reg60m=" + id +
                             "; DELETE FROM balcora.reg60m WHERE id_reg60m=" + id + "; COMMIT;",
                         db::keep_failure_in(failure))) {
            db::run_sql("ROLLBACK;", db::report_nothing);
            prompt().message("Erro", failure.text, ui::Icon::kError);
            return false;
        }
    }
    // The day's own reduction, not the printer's last one: a later day may
    // have been reduced since.
    if (!ecf::printer().recover_reg60m(day, day)) return false;
    log_day_function(kClosing, day, kReg60m);
    return true;
}

bool DayClosing::recover_interrupted_closing() {
    const std::vector<util::DayNumber> days = interrupted_closing_days();
    if (days.empty()) return true;
    set_status("Aguarde Recupeção!!!");
    bool failed = false;
    for (util::DayNumber day : days)
        if (!recover_day(day)) failed = true;
    set_status("");
    if (failed) {
        prompt().message("Atenção", "Sistema não está conseguido atualizar pendência da Redução Z!",
                         ui::Icon::kWarning);
        return false;
    }
    return true;
}

// The registers file of the day was built after its reduction was recorded
// (one built before holds the day's placeholder).
bool DayClosing::registers_file_done(util::DayNumber day) {
    db::SqlRecord r;
    const std::string of_day = "FROM balcora.log WHERE operacao='FUN' AND tabela='" +
                               std::string(kClosing) + "' AND id='" + std::to_string(day) + "'";
    return db::read_rows("SELECT id_log " + of_day + " AND descricao='" + kRegistersDone +
                             "' AND id_log>coalesce((SELECT max(id_log) " + of_day +
                             " AND descricao='" + kReg60m + "'),0) LIMIT 1;",
                         r) &&
           r.has_row();
}

bool DayClosing::recover_day(util::DayNumber day) {
    if (day <= 0) return false;
    // Each step is repeated only when its output is missing or stale, and
    // independently of the others, so one failure does not hold back what
    // can be done.
    bool failed = false;
    if (!day_function_logged(kClosing, day, kReg60m) && !clear_pending_reg60m(day)) failed = true;
    if (!failed && !registers_file_done(day)) {
        Outcome unused;
        if (services_.registers)
            registers_file(day, unused);
        else
            report_not_available("Arquivo de Registros do PAF-ECF");
        if (!registers_file_done(day)) failed = true;
    }
    // The key the backup itself writes (a key nobody writes would never
    // bring a failed backup back).
    if (registro_number("Backup", "Situacao", 1) != 1) {
        Outcome unused;
        run_backup(day, unused);
    }
    return !failed && clear_interrupted_closing(day);
}

}  // namespace balcora::ecf
