#include "backoffice/retaguarda_screen.h"

#include "cluster/embedded_server.h"
#include "db/connection_settings.h"
#include "db/database.h"
#include "db/pg_handles.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/text.h"

namespace balcora::backoffice {

namespace {

std::string setting(std::string_view key) {
    return util::trim(LEREGISTRO("balcora", kLinkSection, key, "0"));
}

std::string shown_day(const std::string& text) {
    util::DayNumber d = util::parse_setting_day(text);
    return d > 0 ? util::br_date(d) : std::string();
}

std::string shown_time(const std::string& text) {
    return text == "0" ? std::string() : text;
}

// Runs the extension steps where they are allowed: on this machine's own
// server as its administrator over the socket (the program's role may not
// create or drop extensions), on a remote server with the program's login.
bool run_as_owner_of_extensions(const std::vector<std::string>& steps) {
    const db::ConnectionSettings s = db::read_connection_settings(data_root());
    std::unique_ptr<db::PgConnection> admin;
    if (s.is_local() && db::connection() && db::connection()->get()) {
        std::string why;
        db::EmbeddedServer server(data_root());
        if (server.cluster_exists())
            admin =
                db::PgConnection::open(server.admin_conninfo(PQdb(db::connection()->get())), &why);
    }
    for (const auto& statement : steps) {
        if (admin) {
            if (!admin->exec(statement).ok()) return false;
        } else if (!db::run_sql(statement, db::report_nothing)) {
            return false;
        }
    }
    return true;
}

}  // namespace

RetaguardaScreen::RetaguardaScreen(StartProgram start_program, HostResolver resolver)
    : start_program_(std::move(start_program)), resolver_(std::move(resolver)) {}

void RetaguardaScreen::open() {
    settings = read_link_settings();
    full_ = {shown_day(setting("dt_com_t")), shown_time(setting("hr_com_ini_t")),
             shown_time(setting("hr_com_fim_t"))};
    partial_ = {shown_day(setting("dt_com_p")), shown_time(setting("hr_com_ini_p")),
                shown_time(setting("hr_com_fim_p"))};
}

bool RetaguardaScreen::comunicar() {
    write_ini("PDV", "minimeza_retaguarda", "0", "balcora.ini");
    return start_program_ && start_program_();
}

bool RetaguardaScreen::noip() {
    if (!noip_enabled()) return false;
    std::string why;
    auto address = resolver_(util::trim(settings.servidor), &why);
    if (!address) {
        prompt().message(
            "Erro", "Não foi possível encontrar o endereço de " + settings.servidor + ": " + why,
            ui::Icon::kError);
        return false;
    }
    settings.ip = *address;
    prompt().message("Aviso", "IP: " + settings.ip, ui::Icon::kInformation);
    return true;
}

bool RetaguardaScreen::reseta_ret() {
    bool ok = db::run_sql("delete from balcora.registro where chave='Schema.Ret';").has_value();
    std::vector<std::string> steps;
    auto has = [](const std::string& query) {
        auto r = db::run_sql(query);
        return r && r->rows() > 0;
    };
    if (has("SELECT nspname FROM pg_catalog.pg_namespace WHERE nspname='ret';"))
        steps.push_back("DROP SCHEMA ret cascade;");
    if (has("select extname from pg_catalog.pg_extension where extname='postgres_fdw';"))
        steps.push_back("DROP EXTENSION postgres_fdw cascade;");
    // The extension the link needs, created when it is missing: a plain
    // "create extension" would fail on every database that has it. The
    // schema is named: the administrator's search path holds only the catalog.
    steps.push_back("create extension if not exists dblink with schema public;");
    ok = run_as_owner_of_extensions(steps) && ok;
    prompt().message("Aviso",
                     ok ? "Retaguarda Resetada com Sucesso!" : "Erro ao tentar Resetar Retaguarda!",
                     ok ? ui::Icon::kInformation : ui::Icon::kWarning);
    return ok;
}

bool RetaguardaScreen::gravar() {
    if (!write_link_settings(settings)) return false;
    prompt().message("Aviso", "Configurações salvas com sucesso!", ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::backoffice
