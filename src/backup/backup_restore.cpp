#include "backup/backup_restore.h"

#include "backup/backup_tools.h"
#include "db/pg_handles.h"
#include "platform/child_process.h"
#include "platform/process.h"
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

namespace {

// Every session of the administrator: nothing found by name but the catalog.
std::unique_ptr<db::PgConnection> open_admin(const BackupTarget& target, const std::string& dbname,
                                             std::string* error) {
    auto conn = db::PgConnection::open(with_dbname(target.admin_conninfo, dbname), error);
    if (!conn) return conn;
    auto pinned = conn->exec("SET search_path TO pg_catalog, pg_temp");
    if (!pinned.ok()) {
        *error = pinned.error_message();
        conn.reset();
        return conn;
    }
    conn->exec("SET client_min_messages TO warning");
    return conn;
}

void drop_database(const BackupTarget& target, const std::string& name) {
    std::string error;
    if (auto conn = open_admin(target, "postgres", &error))
        conn->exec("DROP DATABASE IF EXISTS " + identifier(name) + " WITH (FORCE)");
}

}  // namespace

std::string role_conninfo(const BackupTarget& target) {
    return "host=" + db::conninfo_quote(target.host) + " port=" + std::to_string(target.port) +
           " user=" + db::conninfo_quote(target.user);
}

std::vector<std::string> restore_as_login_options() {
    return {"--no-owner", "--no-privileges", "--no-comments"};
}

std::optional<bool> may_create_databases(const BackupTarget& target, std::string* error) {
    auto admin = open_admin(target, "postgres", error);
    if (!admin) return std::nullopt;
    auto r = admin->exec(
        "SELECT rolcreatedb OR rolsuper FROM pg_catalog.pg_roles WHERE rolname = current_user");
    if (!r.ok() || r.rows() != 1) {
        *error = r.error_message();
        return std::nullopt;
    }
    return std::string_view(r.value(0, 0)) == "t";
}

bool create_restore_database(const BackupTarget& target, const std::string& name,
                             std::string* error) {
    auto source = open_admin(target, target.dbname, error);
    if (!source) return false;
    auto extensions = source->exec(
        "SELECT pg_catalog.quote_ident(e.extname) FROM pg_catalog.pg_extension e JOIN "
        "pg_catalog.pg_namespace n ON n.oid = e.extnamespace WHERE n.nspname = 'public'");
    if (!extensions.ok()) {
        *error = extensions.error_message();
        return false;
    }
    source.reset();
    auto admin = open_admin(target, "postgres", error);
    if (!admin) return false;
    auto created =
        admin->exec("CREATE DATABASE " + identifier(name) + " TEMPLATE template0 ENCODING 'UTF8'");
    if (!created.ok()) {
        *error = created.error_message();
        return false;
    }
    auto fresh = open_admin(target, name, error);
    if (!fresh) {
        drop_database(target, name);
        return false;
    }
    // One the administrator cannot make either is named by the restore.
    for (int i = 0; i < extensions.rows(); ++i)
        fresh->exec("CREATE EXTENSION IF NOT EXISTS " + std::string(extensions.value(i, 0)) +
                    " WITH SCHEMA public");
    fresh.reset();
    auto handed =
        admin->exec("ALTER DATABASE " + identifier(name) + " OWNER TO " + identifier(target.user));
    if (!handed.ok()) {
        *error = handed.error_message();
        drop_database(target, name);
        return false;
    }
    return true;
}

ScratchDatabase::~ScratchDatabase() {
    if (created_) drop_database(target_, name_);
}

bool ScratchDatabase::create(std::string* error) {
    drop_database(target_, name_);
    if (!create_restore_database(target_, name_, error)) return false;
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
    auto admin = open_admin(target, "postgres", &error);
    if (!admin) return error;
    auto exists = admin->exec("SELECT 1 FROM pg_catalog.pg_database WHERE datname = '" +
                              SUBSTITUIR(dbname, "'", "''") + "'");
    if (!exists.ok()) return exists.error_message();
    // A database of that name may be the shop's own: it is never replaced.
    if (exists.rows() > 0) return "o banco " + dbname + " já existe; escolha outro nome";
    admin.reset();
    if (!create_restore_database(target, dbname, &error)) return error;
    std::vector<std::string> argv{postgres_tool(target.tools, "pg_restore"),
                                  "--single-transaction"};
    for (auto& option : restore_as_login_options()) argv.push_back(option);
    argv.insert(argv.end(), {"-d", with_dbname(role_conninfo(target), dbname), file.string()});
    const ClientEnd restored = run_client_program(argv, target, yield, /*throwaway=*/false);
    if (restored.ok()) return {};
    // Half a restore is no database to work with.
    drop_database(target, dbname);
    return "pg_restore " + (restored.started ? how_it_ended(restored) : restored.error) + ": " +
           platform::tail_lines(restored.output, 6);
}

}  // namespace balcora::shell
