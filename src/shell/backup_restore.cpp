#include "shell/backup_restore.h"

#include "db/pg_handles.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "shell/backup_tools.h"
#include "util/text.h"

namespace balcora::shell {

namespace fs = std::filesystem;

std::string with_dbname(const std::string& conninfo, const std::string& dbname) {
    return conninfo + " dbname=" + db::conninfo_quote(dbname);
}

std::string identifier(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += c;
        out += c;
    }
    return out + "\"";
}

std::string how_it_ended(const ClientEnd& end) {
    if (end.signal) return "interrompido (sinal " + std::to_string(end.signal) + ")";
    return "terminou com código " + std::to_string(end.exit_code.value_or(-1));
}

std::string output_tail(const std::string& output) {
    std::string tail = platform::tail_lines(output, 6);
    for (char& c : tail)
        if (c == '\n') c = '|';
    return tail;
}

ClientEnd run_client_program(const std::vector<std::string>& argv, const BackupTarget& target,
                             const Yield& idle, bool throwaway) {
    ClientEnd end;
    platform::ChildProcess child;
    platform::ChildProcess::Options options;
    options.env.emplace_back("PGPASSFILE", target.password_file.string());
    // Index builds of a year's items no longer spill to disk.
    std::string server_options = "-c maintenance_work_mem=128MB";
    if (throwaway) server_options += " -c synchronous_commit=off";
    options.env.emplace_back("PGOPTIONS", server_options);
    end.started = child.start(argv, options, &end.error);
    if (!end.started) return end;
    while (child.poll()) idle();
    end.exit_code = child.exit_code();
    end.signal = child.signal();
    end.output = child.output();
    return end;
}

ScratchDatabase::~ScratchDatabase() {
    if (!created_) return;
    std::string error;
    if (auto conn = db::PgConnection::open(with_dbname(admin_, "postgres"), &error))
        conn->exec("DROP DATABASE IF EXISTS " + identifier(name_) + " WITH (FORCE)");
}

bool ScratchDatabase::create(std::string* error) {
    auto conn = db::PgConnection::open(with_dbname(admin_, "postgres"), error);
    if (!conn) return false;
    conn->exec("SET client_min_messages TO warning");
    conn->exec("DROP DATABASE IF EXISTS " + identifier(name_) + " WITH (FORCE)");
    auto r =
        conn->exec("CREATE DATABASE " + identifier(name_) + " TEMPLATE template0 ENCODING 'UTF8'");
    if (!r.ok()) {
        *error = r.error_message();
        return false;
    }
    created_ = true;
    return true;
}

void make_tables_unlogged(const std::string& conninfo) {
    std::string error;
    auto conn = db::PgConnection::open(conninfo, &error);
    if (!conn) return;
    // All or none: a logged table may not keep a key that points to an
    // unlogged one, so a table the login may not alter leaves them all logged.
    conn->exec(
        "DO $$DECLARE t regclass; BEGIN FOR t IN SELECT c.oid::regclass FROM pg_class c JOIN "
        "pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind = 'r' AND c.relpersistence = "
        "'p' AND n.nspname NOT IN ('pg_catalog', 'information_schema') AND n.nspname !~ '^pg_' "
        "LOOP EXECUTE format('ALTER TABLE %s SET UNLOGGED', t); END LOOP; END$$");
}

std::string restore_backup(const BackupTarget& target, const fs::path& file,
                           const std::string& dbname, const Yield& yield) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return "arquivo não encontrado: " + file.string();
    std::string error;
    auto admin = db::PgConnection::open(with_dbname(target.admin_conninfo, "postgres"), &error);
    if (!admin) return error;
    auto exists = admin->exec("SELECT 1 FROM pg_database WHERE datname = '" +
                              SUBSTITUIR(dbname, "'", "''") + "'");
    if (!exists.ok()) return exists.error_message();
    // A database of that name may be the shop's own: it is never replaced.
    if (exists.rows() > 0) return "o banco " + dbname + " já existe; escolha outro nome";
    auto created = admin->exec("CREATE DATABASE " + identifier(dbname) +
                               " TEMPLATE template0 ENCODING 'UTF8'");
    if (!created.ok()) return created.error_message();
    const ClientEnd restored =
        run_client_program({postgres_tool(target.tools, "pg_restore"), "--single-transaction", "-d",
                            with_dbname(target.admin_conninfo, dbname), file.string()},
                           target, yield, /*throwaway=*/false);
    if (restored.ok()) return {};
    // Half a restore is no database to work with.
    admin->exec("DROP DATABASE IF EXISTS " + identifier(dbname) + " WITH (FORCE)");
    return "pg_restore " + (restored.started ? how_it_ended(restored) : restored.error) + ": " +
           platform::tail_lines(restored.output, 6);
}

}  // namespace balcora::shell
