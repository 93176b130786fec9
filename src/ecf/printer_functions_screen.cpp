#include "ecf/printer_functions_screen.h"

#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/cash_day.h"
#include "ecf/cash_movement_screen.h"
#include "ecf/day_closing.h"
#include "ecf/day_opening.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_window_gates.h"
#include "ecf/reg60m_recovery_screen.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora {

namespace ecf {

namespace {

using Control = PrinterFunctionsScreen::Control;

void notice(std::string_view text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

}  // namespace

const std::vector<PrinterFunctionsScreen::ControlText>& PrinterFunctionsScreen::controls() {
    static const std::vector<ControlText> table = {
        {Control::kRecoverCoupon, "Recupera Cupom", "", true},
        {Control::kOpenDay, "&Abertura do Dia",
         "Faz a abertura do caixa emitindo um suprimento e uma leitura X.", false},
        {Control::kCashMovement, "&Suprimento/Sangria de Caixa", "", false},
        {Control::kCloseDay, "&Fechamento do Dia", "", false},
        {Control::kXReading, "&Emite Leitura X", "", false},
        {Control::kSummerTime, "Horário de Verão", "", false},
        {Control::kCancelCurrentCoupon, "Ca&ncela Cupom Atual", "", true},
        {Control::kCancelNonFiscal, "C&ancela Comprovante Não-Fiscal", "", true},
        {Control::kEnableCutter, "Ativa &Guilhotina", "", false},
        {Control::kListDepartments, "Lista &Departamentos", "", false},
        {Control::kRecoverReg60m, "Recupera Reg60M", "", false},
        {Control::kProgramTaxRates, "&Programa Alíquotas", "", false},
        {Control::kTest, "Testa Comando", "", true},
        {Control::kProgramLink, "Programa Vínculo", "", false},
        {Control::kLog, "Log", "", false},
        {Control::kClose, "Fe&char", "", false},
    };
    return table;
}

PrinterFunctionsScreen::PrinterFunctionsScreen(CheckoutState& checkout, CashDayServices services)
    : checkout_(checkout), services_(std::move(services)) {}

PrinterFunctionsScreen::~PrinterFunctionsScreen() {
    close();
}

bool PrinterFunctionsScreen::check(bool window) {
    if (window && !printer_window_free(checkout_)) return false;
    if (blocox_blocked(true)) return false;
    const std::string serial = util::trim(glo::numfab);
    if (!read_day_state(printer_)) {
        notice("Não há Impressora Fiscal configurada para este número serie (" + serial + ")!");
        return false;
    }
    if (read_ini_number("PDV", "Configuração OK", 0, "balcora.ini") != 1) {
        notice("IF ainda não configurada!");
        return false;
    }
    return true;
}

void PrinterFunctionsScreen::open() {
    Printer& ecf_printer = ecf::printer();
    ecf_printer.open_port();
    ecf_printer.check_printer();
    ecf_printer.check_sale_state();
    const std::string state = util::trim(printer_.situacao);
    if (state == "A" && printer_.data_sit != today()) ecf_printer.read_z_pending();
    if (state == "F") ecf_printer.read_coupon_state();
    checkout_.jan_ecf_aberta = 1;
    open_ = true;
    refresh_status();
    if (services_.monthly_file) services_.monthly_file(printer_);
    DayClosing(services_, [this](std::string_view s) {
        status_ = s;
    }).recover_interrupted_closing();
    refresh();
}

int PrinterFunctionsScreen::run_parameter(std::string_view parameter) {
    // The sale screens reach the day functions without the window's opening:
    // a closing left unfinished is completed here too, before the day moves.
    if (parameter == "AbreCaixa" || parameter == "FechaCaixa")
        DayClosing(services_).recover_interrupted_closing();
    if (parameter == "AbreCaixa") return run_day_opening() ? 1 : 0;
    if (parameter == "FechaCaixa") return DayClosing(services_).close_day() ? 1 : 0;
    notice("Parametro inválido: " + std::string(parameter));
    return 0;
}

void PrinterFunctionsScreen::close() {
    if (!open_) return;
    ecf::printer().close_port();
    checkout_.jan_ecf_aberta = 0;
    open_ = false;
}

void PrinterFunctionsScreen::refresh() {
    read_day_state(printer_);
    refresh_status();
}

void PrinterFunctionsScreen::refresh_status() {
    status_ = ecf::printer().z_pending() ? "Redução Z Pendente" : "";
}

bool PrinterFunctionsScreen::day_open() const {
    return util::trim(printer_.situacao) == "A";
}

bool PrinterFunctionsScreen::visible(Control c) const {
    if (revealed_) return true;
    for (const ControlText& t : controls())
        if (t.control == c) return !t.hidden;
    return false;
}

bool PrinterFunctionsScreen::enabled(Control c) const {
    if (c == Control::kOpenDay) return !ecf::printer().z_pending();
    if (c == Control::kProgramTaxRates) return !day_open();
    return true;
}

void PrinterFunctionsScreen::act(Control c) {
    if (!open_ || !visible(c) || !enabled(c)) return;
    const util::DayNumber day = printer_.data_sit;
    Printer& ecf_printer = ecf::printer();
    switch (c) {
        case Control::kRecoverCoupon:
            ecf_printer.recover_coupon();
            break;
        case Control::kOpenDay:
            run_day_opening();
            break;
        case Control::kCashMovement:
            if (day_open())
                TELA_SA_SU();
            else
                notice("Caixa não está aberto!");
            break;
        case Control::kCloseDay:
            DayClosing(services_, [this](std::string_view s) { status_ = s; }).close_day();
            break;
        case Control::kXReading:
            log_day_function("lx", day, ecf_printer.x_reading() ? "lx ok" : "lx erro");
            break;
        case Control::kSummerTime:
            set_summer_time(!summer_time());
            break;
        case Control::kCancelCurrentCoupon:
            if (ecf_printer.cancel_current_coupon()) {
                prompt().message("Aviso", "Cupom Cancelado!", ui::Icon::kInformation);
                log_day_function("canccf", day, "17");
            }
            break;
        case Control::kCancelNonFiscal:
            if (ecf_printer.cancel_nonfiscal()) {
                prompt().message("Aviso", "Comprovante Não-Fiscal Cancelado!",
                                 ui::Icon::kInformation);
                log_day_function("canccnf", day, "19");
            }
            break;
        case Control::kEnableCutter:
            ecf_printer.enable_cutter();
            break;
        case Control::kListDepartments:
            ecf_printer.list_departments();
            break;
        case Control::kRecoverReg60m: {
            Reg60mRecoveryScreen screen;
            if (!screens().show(screen)) report_not_available("Recuperação do Reg60M");
            break;
        }
        case Control::kProgramTaxRates:
            if (!ecf_printer.program_tax_rates())
                prompt().message("Atenção", "Erro ao programar as alíquotas na impressora fiscal!",
                                 ui::Icon::kWarning);
            break;
        case Control::kTest:
            ecf_printer.test_command();
            break;
        case Control::kProgramLink:
            ecf_printer.program_link();
            break;
        case Control::kLog:
            if (!screens().open(ui::Window::kLogQuery)) report_not_available("Consulta do log");
            break;
        case Control::kClose:
            close();
            return;
    }
    // The printer keeps the day state; every function may have moved it. The
    // closing leaves its own word on the status line ("ERRO!!!").
    if (!open_) return;
    read_day_state(printer_);
    if (c != Control::kCloseDay) refresh_status();
}

void PrinterFunctionsScreen::set_summer_time(bool on) {
    if (!open_) return;
    if (!db::run_sql("UPDATE balcora.maqecf SET horario_verao=" + std::string(on ? "1" : "0") +
                     " WHERE id_maqecf=" + std::to_string(printer_.id_maqecf) + ";"))
        return;
    printer_.horario_verao = on ? 1 : 0;
    prompt().message("ATENÇÃO",
                     on ? "Entrada do Horário de verão somente o após Redução Z!"
                        : "Saída do Horário de verão somente após 1 hora depois da redução Z e "
                          "na abertura do caixa!",
                     ui::Icon::kWarning);
}

std::string PrinterFunctionsScreen::point_of_sale_text() const {
    std::string number = std::to_string(printer_.numero);
    if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
    return "Caixa: " + number +
           (printer_.porta_com == 99 ? " - USB"
                                     : " - com" + std::to_string(printer_.porta_com) + ": ");
}

std::string PrinterFunctionsScreen::summer_time_status() const {
    return ecf::printer().summer_time() ? "Ativo" : "Inativo";
}

}  // namespace ecf

int FUNCOESMAQECF(CheckoutState& checkout, std::string_view parameter,
                  const ecf::CashDayServices& services) {
    ecf::PrinterFunctionsScreen screen(checkout, services);
    if (!screen.check(parameter.empty())) return 0;
    if (!parameter.empty()) return screen.run_parameter(parameter);
    screen.open();
    if (!screens().show(screen))
        ecf::report_not_available("Janela de funções da impressora fiscal");
    screen.close();
    return 0;
}

}  // namespace balcora
