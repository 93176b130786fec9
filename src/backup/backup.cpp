#include "backup/backup.h"

#include "backup/backup_files.h"
#include "backup/backup_restore.h"
#include "backup/backup_tools.h"
#include "cluster/embedded_server.h"
#include "cluster/local_server.h"
#include "credentials/pg_password_file.h"
#include "db/connection_settings.h"
#include "db/connection_string.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "ui/environment.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace balcora::shell {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSection = "Backup";
constexpr std::size_t kMaxDifferencesShown = 8;

std::string conninfo_value(const std::string& value) {
    return db::conninfo_quote(value);
}

std::string conninfo_of(const BackupTarget& t, bool with_password) {
    std::string c = "host=" + conninfo_value(t.host) + " port=" + std::to_string(t.port) +
                    " user=" + conninfo_value(t.user) + " dbname=" + conninfo_value(t.dbname);
    if (with_password && !t.password.empty()) c += " password=" + conninfo_value(t.password);
    return c;
}

std::string scratch_name(const std::string& dbname) {
    return (dbname + "_verifica_backup").substr(0, 63);
}

void remove_quietly(const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
}

// The file is made here, readable by its owner only (it holds every
// customer of the shop), so that a folder that cannot be written is named
// plainly before the dump starts.
bool create_private_file(const fs::path& file) {
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        prompt().message("Erro",
                         "Erro (" + std::to_string(errno) + ") ao criar o arquivo " +
                             file.string() + "|" + std::strerror(errno),
                         ui::Icon::kError);
        return false;
    }
    close(fd);
    return true;
}

bool check_versions(const std::string& pg_dump) {
    const ToolVersion tool = tool_version(pg_dump);
    if (!tool.started) {
        prompt().message("Aviso", "Arquivo \"" + pg_dump + "\" necessário para cópia de segurança!",
                         ui::Icon::kWarning);
        return false;
    }
    db::SqlFailure failure;
    auto r = db::run_sql("SHOW server_version_num", db::keep_failure_in(failure));
    if (!r || r->rows() < 1) {
        prompt().message("Erro (" + failure.sqlstate + ")",
                         "Erro ao consultar versão do banco de dados|" + failure.text,
                         ui::Icon::kError);
        return false;
    }
    const MajorVersion server = major_of_server_number(text_to_integer(r->value(0, 0)));
    // A dump tool reads servers of its own major version and older ones only.
    if (tool.major == 0 || tool.major < server) {
        const std::string folder = fs::path(pg_dump).has_parent_path()
                                       ? fs::path(pg_dump).parent_path().string()
                                       : fs::current_path().string();
        prompt().message("Aviso - " + tool.line,
                         "Versão do \"" + fs::path(pg_dump).filename().string() +
                             "\" não é compativel! Atualizar para versão " + major_text(server) +
                             " ou mais nova antes do backup!|Versão: " + tool.line + "|" + folder,
                         ui::Icon::kWarning);
        return false;
    }
    return true;
}

}  // namespace

BackupTarget program_backup_target() {
    BackupTarget t;
    PQconninfoOption* options =
        PQconninfoParse(db::program_conninfo(data_root(), glo::string_conexao).c_str(), nullptr);
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (!o->val) continue;
        const std::string key = o->keyword, value = o->val;
        if (key == "host" || key == "hostaddr") t.host = value;
        if (key == "port") t.port = static_cast<int>(text_to_integer(value));
        if (key == "user") t.user = value;
        if (key == "password") t.password = value;
        if (key == "dbname") t.dbname = value;
    }
    PQconninfoFree(options);
    const db::ConnectionSettings settings = db::read_connection_settings(data_root());
    db::EmbeddedServer server(data_root());
    if (settings.is_local() && server.cluster_exists())
        t.admin_conninfo = server.admin_conninfo("postgres");
    else
        t.admin_conninfo = "host=" + conninfo_value(t.host) + " port=" + std::to_string(t.port) +
                           " user=" + conninfo_value(t.user);
    t.folder = backup_folder();
    t.password_file = pg_password_file();
    t.tools = postgres_client_folder();
    return t;
}

void BackupRun::execute(BackupProgressView& view) {
    view.show("Cópia de Segurança");
    succeeded_ = work(view);
    view.finished(succeeded_);
}

bool BackupRun::work(BackupProgressView& view) {
    GRAVAREGISTRO("balcora", kSection, "Situacao", "0");
    const util::DayNumber day = today();
    file_ = target_.folder / weekday_backup_name(day);
    const fs::path temporary = unverified_backup_file(target_.folder, day);

    view.step("Preparando a cópia de segurança...");
    std::error_code ec;
    fs::create_directories(target_.folder, ec);
    // Over a unix socket the server asks no password: none goes to the file.
    const bool socket = !target_.host.empty() && target_.host[0] == '/';
    if (std::string error =
            socket ? std::string()
                   : keep_pg_password_entry(target_.password_file, target_.host, target_.port,
                                            target_.user, target_.password);
        !error.empty())
        prompt().message("Erro", error, ui::Icon::kError);
    if (!check_versions(postgres_tool(target_.tools, "pg_dump"))) return false;
    if (!create_private_file(temporary)) return false;

    DatabaseFigures live;
    const Check check =
        dump(view, temporary, &live) ? verify(view, temporary, live) : Check::kFailed;
    if (check == Check::kFailed) {
        remove_quietly(temporary);
        return false;
    }
    fs::rename(temporary, file_, ec);
    if (ec) {
        prompt().message("Erro",
                         "Erro (" + std::to_string(ec.value()) + ") ao renomear " +
                             temporary.string() + " para " + file_.string() + "|" + ec.message(),
                         ui::Icon::kError);
        remove_quietly(temporary);
        return false;
    }
    const auto size = fs::file_size(file_, ec);
    GRAVAREGISTRO("balcora", kSection, "Tamanho", std::to_string(size));
    GRAVAREGISTRO("balcora", kSection, "Situacao", "1");
    const std::string made = file_.string() + " (" + std::to_string(size) + " bytes)";
    if (check == Check::kRestored) {
        mark_backup_verified(file_);
        prompt().message("Aviso", "Cópia de segurança concluída e verificada.|" + made,
                         ui::Icon::kInformation);
        return true;
    }
    // The shop stays backed up; what the check could not do is said, with
    // what the server's administrator can do about it.
    prompt().message("Aviso",
                     "Cópia de segurança concluída, com verificação parcial.|" + made +
                         "|O arquivo foi lido por inteiro, mas não restaurado: o usuário \"" +
                         target_.user +
                         "\" do servidor não tem permissão para criar o banco temporário da "
                         "verificação completa (CREATEDB).",
                     ui::Icon::kWarning);
    return true;
}

// The dump runs from a snapshot exported by a connection of our own, which
// reads the figures of that same moment meanwhile: writes made during the
// dump (by anyone) change neither side of the comparison.
bool BackupRun::dump(BackupProgressView& view, const fs::path& temporary, DatabaseFigures* live) {
    view.step("Copiando o banco de dados...");
    std::string error;
    auto snapshot = db::PgConnection::open(conninfo_of(target_, true), &error);
    db::PgResult exported;
    if (snapshot) {
        prepare_figures_session(*snapshot);
        snapshot->exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        exported = snapshot->exec("SELECT pg_export_snapshot()");
        if (!exported.ok()) error = exported.error_message();
    }
    if (!snapshot || !exported.ok()) {
        prompt().message("Erro", "Erro ao conectar ao banco de dados para a cópia|" + error,
                         ui::Icon::kError);
        return false;
    }
    const std::string pg_dump = postgres_tool(target_.tools, "pg_dump");
    std::vector<std::string> argv = {
        pg_dump, "-h", target_.host, "-p", std::to_string(target_.port), "-U", target_.user};
    // -w: the password is in the password file, never asked at a terminal.
    for (std::string word : {"-w", "-F", "c", "-b", "-v"}) argv.push_back(word);
    argv.push_back("--snapshot=" + std::string(exported.value(0, 0)));
    argv.push_back("-f");
    argv.push_back(temporary.string());
    argv.push_back(target_.dbname);

    platform::ChildProcess child;
    platform::ChildProcess::Options options;
    options.env.emplace_back("PGPASSFILE", target_.password_file.string());
    if (!child.start(argv, options, &error)) {
        prompt().message("Aviso", "Arquivo \"" + pg_dump + "\" necessário para cópia de segurança!",
                         ui::Icon::kWarning);
        return false;
    }
    std::size_t shown = 0;
    bool running = true;
    auto poll = [&] {
        if (running) running = child.poll();
        if (child.output().size() != shown) {
            shown = child.output().size();
            view.output(child.output());
        }
        view.idle();
    };
    std::string figures_error;
    const bool figures_read = read_figures(*snapshot, poll, live, &figures_error);
    while (running) poll();
    snapshot->exec("COMMIT");

    if (child.exit_code() != 0) {
        ClientEnd end;
        end.exit_code = child.exit_code();
        end.signal = child.signal();
        prompt().message("Erro",
                         "Cópia de segurança não realizada: o pg_dump " + how_it_ended(end) + ".|" +
                             output_tail(child.output()),
                         ui::Icon::kError);
        return false;
    }
    if (!figures_read) {
        prompt().message("Erro",
                         "Erro ao contar os registros do banco de dados para conferir a "
                         "cópia|" +
                             figures_error,
                         ui::Icon::kError);
        return false;
    }
    return true;
}

BackupRun::Check BackupRun::verify(BackupProgressView& view, const fs::path& temporary,
                                   const DatabaseFigures& live) {
    // A login that may not create databases (a remote server's, often) would
    // have every copy discarded: the file is then read to its end instead.
    std::string error;
    const std::optional<bool> may_create = may_create_databases(target_, &error);
    if (may_create && !*may_create)
        return read_whole(view, temporary) ? Check::kReadWhole : Check::kFailed;
    return restored_and_compared(view, temporary, live) ? Check::kRestored : Check::kFailed;
}

// pg_restore writing the archive as a script reads every block of it, its
// table data decompressed: a file cut short or damaged fails.
bool BackupRun::read_whole(BackupProgressView& view, const fs::path& temporary) {
    view.step("Verificando a cópia: lendo o arquivo por inteiro...");
    const ClientEnd end = run_client_program(
        {postgres_tool(target_.tools, "pg_restore"), "-f", "/dev/null", temporary.string()},
        target_, [&] { view.idle(); }, /*throwaway=*/true);
    if (end.ok()) return true;
    prompt().message("Erro",
                     "A cópia de segurança não pôde ser lida por inteiro: o pg_restore " +
                         (end.started ? how_it_ended(end) : end.error) + ".|" +
                         output_tail(end.output),
                     ui::Icon::kError);
    return false;
}

bool BackupRun::restored_and_compared(BackupProgressView& view, const fs::path& temporary,
                                      const DatabaseFigures& live) {
    view.step("Verificando a cópia: restaurando em um banco temporário...");
    ScratchDatabase scratch(target_, scratch_name(target_.dbname));
    std::string error;
    if (!scratch.create(&error)) {
        prompt().message("Erro",
                         "Não foi possível criar o banco temporário para verificar a cópia "
                         "de segurança.|" +
                             error,
                         ui::Icon::kError);
        return false;
    }
    const std::string pg_restore = postgres_tool(target_.tools, "pg_restore");
    auto refused = [&](const ClientEnd& end) {
        if (end.ok()) return false;
        prompt().message("Erro",
                         "A cópia de segurança não pôde ser restaurada para verificação: o "
                         "pg_restore " +
                             (end.started ? how_it_ended(end) : end.error) + ".|" +
                             output_tail(end.output),
                         ui::Icon::kError);
        return true;
    };
    auto restore = [&](std::vector<std::string> sections, bool parallel) {
        std::vector<std::string> argv{pg_restore, "--exit-on-error"};
        for (auto& option : restore_as_login_options()) argv.push_back(option);
        for (auto& section : sections) argv.push_back("--section=" + section);
        if (parallel) argv.push_back("--jobs=2");
        argv.insert(argv.end(), {"-d", scratch.conninfo(), temporary.string()});
        return !refused(run_client_program(
            argv, target_, [&] { view.idle(); }, /*throwaway=*/true));
    };
    // The scratch copy is thrown away, so its tables need not survive a crash:
    // made unlogged before the rows and indexes come, they cost no WAL and no
    // syncs, which is most of a restore on a server with durable settings.
    if (!restore({"pre-data"}, false)) return false;
    make_tables_unlogged(scratch.conninfo());
    if (!restore({"data", "post-data"}, true)) return false;

    view.step("Verificando a cópia: conferindo os registros...");
    DatabaseFigures copy;
    auto conn = db::PgConnection::open(scratch.conninfo(), &error);
    if (conn) prepare_figures_session(*conn);
    const bool counted = conn && read_figures(
                                     *conn, [&] { view.idle(); }, &copy, &error);
    conn.reset();
    if (!counted) {
        prompt().message("Erro", "Erro ao conferir a cópia de segurança restaurada|" + error,
                         ui::Icon::kError);
        return false;
    }
    const std::vector<std::string> differences = compare_figures(live, copy);
    if (!differences.empty()) {
        std::string text =
            "A cópia de segurança não confere com o banco de dados e foi "
            "descartada:";
        for (std::size_t i = 0; i < differences.size() && i < kMaxDifferencesShown; ++i)
            text += "|" + differences[i];
        if (differences.size() > kMaxDifferencesShown)
            text += "|... e mais " + std::to_string(differences.size() - kMaxDifferencesShown);
        prompt().message("Erro", text, ui::Icon::kError);
        return false;
    }
    return true;
}

namespace {

// Without a window: the messages go through the prompt port and the waits
// just sleep.
class QuietBackupProgress final : public BackupProgressView {
  public:
    void show(const std::string&) override {}
    void step(const std::string&) override {}
    void output(const std::string&) override {}
    void idle() override { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }
    void finished(bool) override {}
};

}  // namespace

bool run_backup(BackupRun& run) {
    if (!screens().show(run)) {
        QuietBackupProgress progress;
        run.execute(progress);
    }
    return run.succeeded();
}

int COPIADESEGURANCA() {
    BackupRun run(program_backup_target());
    return run_backup(run) ? 1 : 0;
}

void provide_backup(ui::ScreenPort& port) {
    port.provide("COPIADESEGURANCA",
                 [](const ui::ScreenPort::Arguments&) { return COPIADESEGURANCA(); });
}

}  // namespace balcora::shell
