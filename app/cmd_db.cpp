#include "app/commands.h"
#include "cluster/embedded_server.h"
#include "cluster/server_programs.h"
#include "credentials/role_password.h"
#include "db/connection_settings.h"
#include "db/database.h"
#include "db/pg_handles.h"
#include "platform/process.h"

#include <libpq-fe.h>

#include <cstdio>
#include <exception>
#include <string>

namespace balcora::app {

namespace {

void say(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

int fail(const std::string& text) {
    std::fprintf(stderr, "balcora db: %s\n", text.c_str());
    return 1;
}

// A remote server is reached with the login balcora.ini gives (the
// program's role when "Usuario" is blank).
std::string remote_conninfo(const platform::DataRoot& root, const db::ConnectionSettings& s) {
    std::string host = s.host();
    if (host.find_first_of(" '\\") != std::string::npos) host = db::conninfo_quote(host);
    std::string user = db::connection_login(root, s).user;
    if (user.empty()) user = db::kRoleName;
    if (user.find_first_of(" '\\") != std::string::npos) user = db::conninfo_quote(user);
    return "host=" + host + " port=" + std::to_string(s.port) +
           " dbname=" + std::string(db::kDatabaseName) + " user=" + user;
}

std::string remote_note(const db::ConnectionSettings& s) {
    return "Servidor remoto configurado (" + s.host() + ")";
}

int db_init(CommandLine& cl, const db::ConnectionSettings& settings) {
    if (!settings.is_local()) {
        say(remote_note(settings) + ": nada a inicializar.");
        return 0;
    }
    db::EmbeddedServer server(cl.root);
    std::string error;
    if (!server.prepare(&error, say)) return fail(error);
    if (!open_program_database(cl)) return fail("não foi possível abrir o banco de dados");
    // Clones of the database (tests, copies) need it free of sessions.
    db::close_connection();
    say("Banco de dados pronto: " + server.conninfo());
    return 0;
}

// Also the upgrade step of a root made by an earlier version: the role and
// password checks of the set-up run at every start. A second start waits for
// the first (the root's server lock) and then finds the server running.
int db_start(CommandLine& cl, const db::ConnectionSettings& settings) {
    if (!settings.is_local()) {
        say(remote_note(settings) + ": nada a iniciar.");
        return 0;
    }
    db::EmbeddedServer server(cl.root, settings.port);
    if (!server.cluster_exists())
        return fail("nenhum cluster em " + server.layout().data_dir.string() +
                    ": execute balcora db init");
    std::string error;
    if (!server.prepare(&error, say)) return fail(error);
    return 0;
}

int db_stop(CommandLine& cl, const db::ConnectionSettings& settings) {
    if (!settings.is_local()) {
        say(remote_note(settings) + ": nada a parar.");
        return 0;
    }
    db::EmbeddedServer server(cl.root, settings.port);
    if (!server.cluster_exists()) {
        say("Nenhum cluster em " + server.layout().data_dir.string() + ": nada a parar.");
        return 0;
    }
    if (!server.is_running()) {
        say("Servidor não está em execução.");
        return 0;
    }
    std::string error;
    if (!server.stop(&error)) return fail(error);
    say("Servidor parado.");
    return 0;
}

// The conninfo goes to stdout whether or not the server answers, so that
// scripts can read it; the exit code says whether it is usable now.
int db_status(CommandLine& cl, const db::ConnectionSettings& settings) {
    if (settings.port <= 0)
        return fail("porta não configurada em " + cl.root.ini_file(db::kSettingsFile).string() +
                    ": execute balcora db init");
    std::string conninfo;
    if (settings.is_local()) {
        conninfo = db::EmbeddedServer(cl.root, settings.port).conninfo();
    } else {
        conninfo = remote_conninfo(cl.root, settings);
    }
    say(conninfo);
    PGPing ping = PQping((conninfo + " connect_timeout=5").c_str());
    if (ping == PQPING_OK) return 0;
    if (ping == PQPING_REJECT)
        return fail("o servidor na porta " + std::to_string(settings.port) +
                    " recusa conexões (iniciando ou parando)");
    return fail("nenhum servidor responde na porta " + std::to_string(settings.port) +
                (settings.is_local() ? " (balcora db start)" : " de " + settings.host()));
}

int db_psql(CommandLine& cl, const db::ConnectionSettings& settings) {
    if (settings.port <= 0) return fail("porta não configurada: execute balcora db init");
    std::vector<std::string> argv{"psql"};
    platform::ProcessOptions options;
    if (settings.is_local()) {
        db::EmbeddedServer server(cl.root, settings.port);
        std::filesystem::path dir = db::find_server_bindir();
        if (!dir.empty() && std::filesystem::exists(dir / "psql"))
            argv[0] = (dir / "psql").string();
        // The technician's console: the cluster's administrator, over the socket.
        argv.push_back(server.admin_conninfo(db::kDatabaseName));
    } else {
        options.env.emplace_back("PGPASSWORD", db::connection_login(cl.root, settings).password);
        argv.push_back(remote_conninfo(cl.root, settings));
    }
    argv.insert(argv.end(), cl.args.begin() + 1, cl.args.end());
    std::fflush(stdout);
    return fail("não foi possível executar psql: " + platform::exec_program(argv, options));
}

int usage() {
    std::fputs("Uso: balcora [--root PASTA] db init|start|stop|status|psql [ARGUMENTOS DO PSQL]\n",
               stderr);
    return 2;
}

}  // namespace

int run_db_command(CommandLine& cl) {
    try {
        if (cl.args.empty()) return usage();
        const std::string& what = cl.args[0];
        if (what != "psql" && cl.args.size() > 1) return usage();
        const db::ConnectionSettings settings = db::read_connection_settings(cl.root);
        if (what == "init") return db_init(cl, settings);
        if (what == "start") return db_start(cl, settings);
        if (what == "stop") return db_stop(cl, settings);
        if (what == "status") return db_status(cl, settings);
        if (what == "psql") return db_psql(cl, settings);
        return usage();
    } catch (const std::exception& e) {
        return fail(e.what());
    } catch (...) {
        return fail("erro inesperado");
    }
}

}  // namespace balcora::app
