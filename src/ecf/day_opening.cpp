#include "ecf/day_opening.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "ecf/cash_day.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "globals/globals.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::ecf {

namespace {

void notice(std::string_view text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

// Leaving summer time happens at the opening, when the point of sale should
// no longer be in it but the printer still is.
void leave_summer_time(const MaqecfRecord& day) {
    if (day.horario_verao != 0 || day.horario_verao == (printer().summer_time() ? 1 : 0)) return;
    if (printer().toggle_summer_time())
        log_day_function("horaverao", day.data_sit, "Saida em horário de verão");
}

// The day's reg60m row, completed by the printer after the Z reduction; it
// exists from the opening so that the day is known even without a reduction.
void create_day_record(const MaqecfRecord& printer) {
    const std::string day = DTSQL(today());
    db::SqlRecord r;
    if (!db::read_rows("SELECT id_reg60m FROM balcora.reg60m WHERE id_maqecf=" +
                           std::to_string(printer.id_maqecf) + " AND data=" + day + ";",
                       r) ||
        r.has_row())
        return;
    const std::string company =
        std::to_string(glo::id_empresa != 0 ? glo::id_empresa : printer.id_empresa);
    db::SqlFailure failure;
    if (db::run_sql("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_coo_inicial, "
                    "num_coo_final, num_cont_red_z, num_cont_reinicio, vl_venda_bruta, "
                    "vl_tot_geral, vl_icms_debitado, vl_iss_debitado, num_coo, sit_blocox, "
                    "dt_emissao, hr_emissao) VALUES (" +
                        company + ", " + std::to_string(printer.id_maqecf) + ", " + day +
                        ", 0, 0, 0, 0, 0, 0, 0, 0, 0, 'P', " + DTSQL_HASHED(0) + ", '00:00:00');",
                    db::keep_failure_in(failure)))
        return;
    prompt().message("Erro", "Erro (" + failure.text + ") ao gravar registro 60A!",
                     ui::Icon::kError);
}

}  // namespace

bool open_cash_day(util::Money amount) {
    MaqecfRecord before;
    if (!read_day_state(before)) return false;
    if (!opening_supply(amount)) return false;

    Printer& ecf_printer = printer();
    leave_summer_time(before);
    ecf_printer.program_payment_methods();

    std::string steps;
    bool opened = false;
    if (ecf_printer.read_counters()) {
        steps = "05";
        if (ecf_printer.open_day(amount)) {
            opened = true;
            steps += "*01";
            if (ecf_printer.open_drawer()) steps += "*85";
        }
    }
    // The printer keeps the day state: after a successful opening the row
    // holds the new day, which the log row is filed under.
    MaqecfRecord after = before;
    read_day_state(after);
    log_day_function("abridia", after.data_sit, steps + logged_amount(amount));
    if (opened) create_day_record(after);
    return opened;
}

void DayOpeningScreen::ok() {
    if (!open_) return;
    const auto value = util::parse_fixed<2>(amount);
    // Nothing the printer's 14-digit field cannot hold reaches the question.
    if (!value || value->units() < 1 || !opening_supply(*value)) {
        prompt().beep();
        notice("Suprimento inicial inválido: informe um valor maior que zero.");
        return;
    }
    if (!prompt().confirm("Confirme", "Confirma Abertura do Dia?")) return;
    if (!open_cash_day(*value)) return;
    opened_ = true;
    open_ = false;
    prompt().message("Aviso", "Abertura do dia efetuada com sucesso!", ui::Icon::kInformation);
}

bool run_day_opening() {
    MaqecfRecord day;
    if (!read_day_state(day)) return false;
    const std::string state = util::trim(day.situacao);
    if (state == "A") {
        notice("Função de abertura do dia já foi executada!");
        return false;
    }
    if (state == "F" && day.data_sit == today()) {
        notice("O caixa já foi aberto e fechado no dia " + util::br_date(day.data_sit) + "!");
        return false;
    }
    DayOpeningScreen screen;
    if (!screens().show(screen)) {
        report_not_available("Janela de abertura do caixa");
        return false;
    }
    return screen.day_opened();
}

}  // namespace balcora::ecf
