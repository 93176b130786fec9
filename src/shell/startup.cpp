#include "shell/startup.h"

#include "access/access_control.h"
#include "access/sign_in.h"
#include "backup/backup_files.h"
#include "blocox/pending_mail.h"
#include "cluster/local_server.h"
#include "db/connection_settings.h"
#include "db/database.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/aux_file.h"
#include "ecf/printer_configuration_check.h"
#include "fiscal/ead_signing.h"
#include "fiscal/mail_password.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "shell/button_texts.h"
#include "shell/closing.h"
#include "shell/open_database.h"
#include "shell/settings_screen.h"
#include "tef/funcao_tef.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/text.h"

#include <array>
#include <chrono>
#include <ctime>

namespace balcora::shell {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDeveloperSection = "Desenvolvedor PAF-ECF";
constexpr std::size_t kProgramNameMax = 49;

// A decimal number as the setting holds it ("1.0", "2"); anything else is 0.
std::string version_number(std::string text) {
    text = util::trim(text);
    bool digits = false, point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits = true;
        else if (c == '.' && !point)
            point = true;
        else
            return "0";
    }
    if (!digits || text.front() == '.' || text.back() == '.') return "0";
    return text;
}

// A query that found nothing and one that failed both give an empty text; a
// failure has shown its SQL error, and then a lost connection is the cause.
bool connection_lost() {
    db::PgConnection* conn = db::connection();
    return !conn || !conn->alive();
}

util::DayNumber local_day(fs::file_time_type stamp) {
    auto system = std::chrono::file_clock::to_sys(stamp);
    std::time_t t = std::chrono::system_clock::to_time_t(system);
    std::tm tm{};
    localtime_r(&t, &tm);
    return util::day_number(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::optional<fs::directory_entry> newest_file(const fs::path& folder) {
    std::optional<fs::directory_entry> newest;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (!e.is_regular_file(ec)) continue;
        if (!newest || e.last_write_time(ec) > newest->last_write_time(ec)) newest = e;
    }
    return newest;
}

void warn_misplaced_printer_libraries() {
    auto found = misplaced_printer_libraries();
    if (found.empty()) return;
    std::string text =
        "Atenção as dll(s) listadas a baixo estão instalada(s) no local errado, favor instalar "
        "na system32!";
    for (const auto& f : found) text += "|" + f.string();
    prompt().message("Atenção", text, ui::Icon::kWarning);
}

// The program's name goes to the server so an administrator sees who is
// connected; it is a setting, so it reaches the SQL only as a literal.
void announce_program_name(const std::string& name) {
    QUERYSQL("SET application_name=" + TXTSQL(name) + ";");
}

void read_auxiliary_file() {
    LEARQAUXILIAR();
    GRAVAREGISTRO("balcora", kDeveloperSection, "md5exe", glo::md5exe);
}

int find_printer_id() {
    return static_cast<int>(text_to_integer(QUERYSQL(
        "SELECT id_maqecf FROM balcora.maqecf WHERE num_serie=" + TXTSQL(glo::numfab) + ";")));
}

void start_back_office_program(CommandRunner& runner) {
    if (registro_number("PAF-ECF", "IniAutRetaguarda", 1) != 1) return;
    write_ini("PDV", "minimeza_retaguarda", "1", "balcora.ini");
    start_reporting_failure(runner, kBackOfficeProgram, "programa de comunicação com a retaguarda");
}

// False: the operator declined the backup and the program closes.
bool ask_for_backup() {
    if (registro_number("Backup", "Situacao", 1) == 1) return true;
    bool yes = prompt().confirm(
        "Confirme!",
        "Atenção!, Erro no Backup do Sistema, Deseja fazê-lo agora!|Em caso de ocorrência do "
        "mesmo favor entrar em contato com \"SUPORTE TÉCNICO\".");
    if (!yes) return false;
    if (!screens().open(ui::Window::kBackup))
        prompt().message("Aviso",
                         "A cópia de segurança ainda não está disponível nesta versão do "
                         "programa.|Faça a cópia do banco de dados por outro meio.",
                         ui::Icon::kWarning);
    return true;
}

// True when the frame must close (the computer is being switched off).
bool open_quick_sale_at_start(const CheckoutState& checkout, CommandRunner& runner) {
    if (registro_number("Configuração", "Abrir Quick Sale ao iniciar Balcora", 0) != 1)
        return false;
    if (!screens().open(ui::Window::kQuickSale)) {
        prompt().message("Aviso",
                         "A Venda Rápida ainda não está disponível nesta versão do programa.",
                         ui::Icon::kWarning);
        return false;
    }
    return shutdown_check(checkout, runner);
}

}  // namespace

bool ensure_backup_folder() {
    const fs::path folder = data_root().map("..\\backup");
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    if (fs::create_directories(folder, ec) && !ec) return true;
    prompt().message("Erro", "Erro ao criar pasta \"" + folder.string() + "\".", ui::Icon::kError);
    return false;
}

bool open_database_at_start() {
    std::string error, notice;
    if (!db::ensure_local_server(data_root(), &error, &notice)) {
        prompt().message("Erro", "ERRO CONEXÃO BANCO DE DADOS - " + error, ui::Icon::kError);
        return false;
    }
    if (!notice.empty()) prompt().message("Aviso", notice, ui::Icon::kWarning);
    db::ConnectionSettings settings = db::read_connection_settings(data_root());
    if (!INICIABD(settings.is_local() ? std::string() : settings.server)) return false;
    // An installation from before kept the relay's password in the table.
    fiscal::move_mail_password_out_of_settings();
    return true;
}

namespace {

class ProgramStartupSteps : public StartupSteps {
  public:
    void write_developer_key_file() override { fiscal::write_public_key_file(); }
    bool check_printer_configuration() override {
        return ecf::check_printer_configuration().program_goes_on();
    }
    void recover_card_payment_files() override { tef::recover_card_payment_files(); }
    void send_pending_blocox_files(int printer_id) override {
        blocox::send_pending_at_start(printer_id, glo::id_empresa);
    }
    void mail_blocox_pendencies(int printer_id) override {
        blocox::mail_pending_notice(printer_id, glo::id_empresa, kDefaultSupportEmail);
    }
};

}  // namespace

void provide_startup_steps(ui::ServicePort& services) {
    static ProgramStartupSteps program_steps;
    services.provide<StartupSteps>(&program_steps);
}

std::optional<ActiveCompany> find_active_company() {
    ActiveCompany company;
    std::string id =
        QUERYSQL("SELECT id_empresa,nome FROM balcora.empresa WHERE ativa=1 ORDER BY id_empresa;");
    if (id.empty()) return std::nullopt;
    company.id = static_cast<int>(text_to_integer(id));
    company.name = util::trim_right(db::sql().C(2));
    long long head =
        text_to_integer(QUERYSQL("SELECT id_matriz FROM balcora.empresa WHERE id_empresa=" +
                                 std::to_string(company.id) + ";"));
    company.head_office = head != 0 ? static_cast<int>(head) : company.id;
    return company;
}

std::vector<fs::path> misplaced_printer_libraries() {
    static constexpr std::array<std::string_view, 8> kNames = {
        "BemaFI32.dll", "BemaMFD.dll", "BemaMFD2.dll",  "BemaMFD3.dll",
        "DAO350.dll",   "AX6R32.dll",  "sign_bema.dll", "BemaFI32.ini"};
    std::vector<fs::path> found;
    const fs::path dir = data_root().program_dir();
    std::error_code ec;
    for (auto name : kNames) {
        fs::path file = dir / std::string(name);
        if (fs::exists(file, ec)) found.push_back(file);
    }
    return found;
}

std::string program_name() {
    std::string name = util::trim(LEREGISTRO("balcora", kDeveloperSection, "nomesoft"));
    if (name.empty()) name = std::string(access::kSystemName);
    std::string version =
        version_number(LEREGISTRO("balcora", kDeveloperSection, "versaosoft", "0"));
    return util::cut_characters(name + " " + version + "." + std::to_string(glo::build),
                                kProgramNameMax);
}

std::string frame_title(std::string_view program, std::string_view company) {
    return std::string(program) + " - [" + util::trim_right(company) + "]";
}

void check_backup_state() {
    std::string emitted = QUERYSQL(
        // The open day's row holds the cleared day until its reduction.
        "select dt_emissao from balcora.reg60m where dt_emissao>'" + std::string(kClearedDateText) +
        "' order by data desc "
        "limit 1");
    util::DayNumber reduction_day = util::parse_iso_date(emitted);
    if (reduction_day <= 0) return;

    bool good = false;
    const fs::path folder = backup_folder();
    if (auto newest = newest_file(folder)) {
        std::error_code ec;
        const long long size = static_cast<long long>(newest->file_size(ec));
        const long long last_good = registro_number("Backup", "Tamanho", 0);
        // size + 30 % of the last good size must reach it: 10*size >= 7*last,
        // exact in integers.
        good = !ec && is_weekday_backup_name(newest->path().filename().string()) &&
               local_day(newest->last_write_time(ec)) >= reduction_day && size > 0 &&
               10 * size + 3 * last_good >= 10 * last_good;
    }
    GRAVAREGISTRO("balcora", "Backup", "Situacao", good ? "1" : "0");
}

FrameStartupResult run_frame_startup(const CheckoutState& checkout, CommandRunner& runner) {
    FrameStartupResult result;
    StartupSteps* steps = services().find<StartupSteps>();

    auto company = find_active_company();
    if (!company) {
        if (!connection_lost())
            prompt().message("Aviso", "Não há empresa ativa!", ui::Icon::kWarning);
        result.close = true;
        return result;
    }
    result.company = *company;
    glo::id_empresa = company->id;
    glo::id_empmatriz = company->head_office;

    warn_misplaced_printer_libraries();

    glo::build = kBuildNumber;
    const std::string name = program_name();
    announce_program_name(name);
    result.title = frame_title(name, company->name);

    // The host's window would be hidden here; the host executable of this
    // program has no window of its own.

    if (steps) steps->write_developer_key_file();

    read_auxiliary_file();

    if (steps && !steps->check_printer_configuration()) {
        result.close = true;
        return result;
    }

    if (steps) steps->recover_card_payment_files();

    result.printer_id = find_printer_id();

    if (steps) {
        steps->send_pending_blocox_files(result.printer_id);
        steps->mail_blocox_pendencies(result.printer_id);
    }

    start_back_office_program(runner);

    check_backup_state();
    if (!ask_for_backup()) {
        result.close = true;
        return result;
    }

    if (open_quick_sale_at_start(checkout, runner)) result.close = true;
    return result;
}

int run_main_frame(const CheckoutState& checkout, FrameView& frame, CommandRunner& runner,
                   bool exit_when_ready) {
    frame.set_menus(build_main_menu(quick_sale_in_menu()));
    frame.set_operator(access::current_login());
    if (glo::appxsize > 0 && glo::appysize > 0) frame.set_size(glo::appxsize, glo::appysize);

    int status = 0;
    frame.run([&] {
        FrameStartupResult r = run_frame_startup(checkout, runner);
        if (r.close) {
            // Switching the computer off is a normal end; any other refusal is not.
            status = checkout.flag_desligar ? 0 : 1;
            frame.close_without_question();
            return;
        }
        frame.set_title(r.title);
        frame.set_company(r.company.name);
        if (exit_when_ready) frame.close_without_question();
    });
    return status;
}

int run_program(const CheckoutState& checkout, std::string_view login, std::string_view password,
                const StartupViews& views, CommandRunner& runner, bool exit_when_ready) {
    if (!ensure_backup_folder()) return 1;
    DEFINEHASH();
    set_standard_button_texts(kStandardButtonTexts);
    // Operators are rows of the database: it opens before the sign-in.
    if (!open_database_at_start()) return 1;
    if (!access::sign_in_at_startup(login, password, views.sign_in)) return 1;
    glo::nome_operador = access::current_login();

    std::unique_ptr<FrameView> frame = views.open_frame();
    return run_main_frame(checkout, *frame, runner, exit_when_ready);
}

}  // namespace balcora::shell
