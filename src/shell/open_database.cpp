#include "shell/open_database.h"

#include "cluster/local_server.h"
#include "credentials/role_password.h"
#include "db/connection_settings.h"
#include "db/connection_string.h"
#include "db/database.h"
#include "db/database_settings_screen.h"
#include "db/schema_scripts.h"
#include "db/session.h"
#include "globals/globals.h"
#include "ui/environment.h"

namespace balcora {

namespace {

bool blank(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos;
}

// Puts the normal cursor back however the opening ends.
struct BusyCursor {
    BusyCursor() { prompt().busy(true); }
    ~BusyCursor() { prompt().busy(false); }
};

}  // namespace

bool INICIABD(std::string_view server) {
    db::ConnectionSettings settings = db::read_connection_settings(data_root());
    if (blank(settings.user)) GRAVAPORTA();
    settings = db::read_connection_settings(data_root());
    if (blank(settings.password)) GRAVAPORTA();
    settings = db::read_connection_settings(data_root());
    if (settings.port == 0) {
        GRAVAPORTA();
        settings = db::read_connection_settings(data_root());
    }

    {
        BusyCursor busy;
        const db::Login login = db::connection_login(data_root(), settings);
        glo::string_conexao =
            db::build_connection_string(server, settings.port, login.user, login.password);
        std::string error;
        auto conn =
            db::PgConnection::open(db::program_conninfo(data_root(), glo::string_conexao), &error);
        if (!conn && login.password == db::kPasswordInFile)
            error = "senha do banco não encontrada em " +
                    db::role_password_file(data_root()).string() + " (balcora db start)";
        if (!conn) {
            prompt().message("Erro", "ERRO CONEXÃO BANCO DE DADOS - " + error, ui::Icon::kError);
            return false;
        }
        db::prepare_session(*conn);
        db::set_connection(std::move(conn));
    }
    db::apply_schema_scripts();
    db::apply_program_session_settings();
    return true;
}

}  // namespace balcora
