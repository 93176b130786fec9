#include "cluster/embedded_server.h"

#include "cluster/server_conninfo.h"
#include "credentials/role_password.h"
#include "db/pg_handles.h"

#include <libpq-fe.h>

#include <set>

// The roles of the cluster, the program's database, its extensions and grants.
namespace balcora::db {

namespace {

std::string sql_literal(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out += c;
        out += c;
    }
    return out + "'";
}

// Objects in the program's database that the cluster's superuser owns (an
// earlier version ran the program as that superuser) go to the program's
// role. Extension members stay with their extension; sequences of a column
// follow their table.
constexpr const char* kHandOverObjects = R"sql(
DO $$
DECLARE
    r record;
    role text := '@ROLE@';
BEGIN
    FOR r IN SELECT n.nspname FROM pg_namespace n
              WHERE n.nspowner = 10 AND n.nspname NOT IN ('pg_catalog', 'information_schema', 'public')
                AND pg_catalog.left(n.nspname, 3) <> 'pg_' LOOP
        EXECUTE pg_catalog.format('ALTER SCHEMA %I OWNER TO %I', r.nspname, role);
    END LOOP;
    FOR r IN SELECT c.oid::regclass AS obj, c.relkind FROM pg_class c
               JOIN pg_namespace n ON n.oid = c.relnamespace
              WHERE c.relowner = 10 AND c.relkind IN ('r', 'p', 'v', 'm', 'f', 'S')
                AND n.nspname NOT IN ('pg_catalog', 'information_schema')
                AND pg_catalog.left(n.nspname, 3) <> 'pg_'
                AND NOT EXISTS (SELECT 1 FROM pg_depend d
                                 WHERE d.classid = 'pg_class'::regclass AND d.objid = c.oid
                                   AND (d.deptype = 'e' OR (c.relkind = 'S' AND d.deptype IN ('a', 'i')))) LOOP
        EXECUTE pg_catalog.format('ALTER %s %s OWNER TO %I',
                       CASE r.relkind WHEN 'v' THEN 'VIEW' WHEN 'm' THEN 'MATERIALIZED VIEW'
                                      WHEN 'f' THEN 'FOREIGN TABLE' WHEN 'S' THEN 'SEQUENCE'
                                      ELSE 'TABLE' END, r.obj, role);
    END LOOP;
    FOR r IN SELECT p.oid::regprocedure AS obj, p.prokind FROM pg_proc p
               JOIN pg_namespace n ON n.oid = p.pronamespace
              WHERE p.proowner = 10 AND n.nspname NOT IN ('pg_catalog', 'information_schema')
                AND pg_catalog.left(n.nspname, 3) <> 'pg_'
                AND NOT EXISTS (SELECT 1 FROM pg_depend d
                                 WHERE d.classid = 'pg_proc'::regclass AND d.objid = p.oid
                                   AND d.deptype = 'e') LOOP
        EXECUTE pg_catalog.format('ALTER %s %s OWNER TO %I',
                       CASE r.prokind WHEN 'a' THEN 'AGGREGATE' WHEN 'p' THEN 'PROCEDURE'
                                      ELSE 'FUNCTION' END, r.obj, role);
    END LOOP;
    FOR r IN SELECT t.oid::regtype AS obj, t.typtype FROM pg_type t
               JOIN pg_namespace n ON n.oid = t.typnamespace
              WHERE t.typowner = 10 AND n.nspname NOT IN ('pg_catalog', 'information_schema')
                AND pg_catalog.left(n.nspname, 3) <> 'pg_'
                AND (t.typtype IN ('e', 'd', 'r')
                     OR (t.typtype = 'c' AND (SELECT relkind FROM pg_class WHERE oid = t.typrelid) = 'c'))
                AND NOT EXISTS (SELECT 1 FROM pg_depend d
                                 WHERE d.classid = 'pg_type'::regclass AND d.objid = t.oid
                                   AND d.deptype = 'e') LOOP
        EXECUTE pg_catalog.format('ALTER %s %s OWNER TO %I',
                       CASE r.typtype WHEN 'd' THEN 'DOMAIN' ELSE 'TYPE' END, r.obj, role);
    END LOOP;
END $$)sql";

std::string with_role(std::string text) {
    const std::string mark = "@ROLE@";
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark))
        text.replace(at, mark.size(), std::string(kRoleName));
    return text;
}

// Memberships that would lift the program's role above its own objects.
std::string lifting_memberships_query() {
    return "SELECT pg_catalog.quote_ident(g.rolname) FROM pg_auth_members m "
           "JOIN pg_roles g ON g.oid = m.roleid JOIN pg_roles u ON u.oid = m.member "
           "WHERE u.rolname = " +
           sql_literal(kRoleName) +
           " AND (g.rolsuper OR g.rolname IN "
           "('pg_execute_server_program', 'pg_read_server_files', 'pg_write_server_files'))";
}

}  // namespace

// Schema public holds the extensions only; the program's objects live in its
// own schemas. A database made by the program's role gives that role the
// ownership of public (PostgreSQL 15) or CREATE on it for everyone (earlier
// versions): what it creates there (a function shadowing a built-in) would be
// found by name in other sessions. From this version on the administrator
// owns public and every role may only use it. Run at every start, it is also
// the upgrade step of a database made by an earlier version; objects already
// there keep their owner.
static bool close_public_schema(PgConnection& admin, std::string* error) {
    const std::string admin_role(kAdminRoleName), role(kRoleName);
    for (const std::string& step : std::vector<std::string>{
             "ALTER SCHEMA public OWNER TO " + admin_role,
             "REVOKE ALL ON SCHEMA public FROM PUBLIC", "REVOKE ALL ON SCHEMA public FROM " + role,
             "GRANT USAGE ON SCHEMA public TO PUBLIC"}) {
        auto r = admin.exec(step);
        if (!r.ok()) {
            *error = "Falha em \"" + step + "\": " + r.error_message();
            return false;
        }
    }
    return true;
}

// An earlier version created the cluster with the program's role as its
// bootstrap superuser. The session user cannot be renamed, so the change
// runs under a helper superuser that exists only inside the transaction:
// the bootstrap role becomes the administrator and a new, ordinary role
// takes the program's name and the ownership of its databases.
bool EmbeddedServer::convert_superuser_role(PgConnection& old, std::string* error) {
    const std::string role(kRoleName), admin(kAdminRoleName);
    auto r = old.exec("SELECT oid = 10 FROM pg_roles WHERE rolname = current_user");
    if (!r.ok() || r.rows() != 1) {
        *error = "Falha ao consultar o papel " + role + ": " + r.error_message();
        return false;
    }
    std::vector<std::string> steps{"BEGIN"};
    if (r.value(0, 0) == "t") {
        steps.insert(
            steps.end(),
            {"CREATE ROLE balcora_conversao SUPERUSER NOLOGIN",
             "SET SESSION AUTHORIZATION balcora_conversao",
             "ALTER ROLE " + role + " RENAME TO " + admin, "CREATE ROLE " + role + " LOGIN",
             "DO $$ DECLARE d text; BEGIN FOR d IN SELECT datname FROM pg_database "
             "WHERE datdba = 10 AND datname NOT IN ('postgres', 'template0', "
             "'template1') LOOP EXECUTE pg_catalog.format('ALTER DATABASE %I OWNER TO " +
                 role + "', d); END LOOP; END $$",
             "RESET SESSION AUTHORIZATION", "DROP ROLE balcora_conversao"});
    } else {
        // A superuser made by hand beside the cluster's own: an administrator
        // is added and the role loses its rights below.
        steps.push_back("CREATE ROLE " + admin + " SUPERUSER LOGIN");
    }
    steps.push_back("COMMIT");
    for (const auto& step : steps) {
        auto done = old.exec(step);
        if (!done.ok()) {
            std::string why = done.error_message();
            old.exec("ROLLBACK");
            *error =
                "Falha ao converter o papel " + role + " (\"" + step.substr(0, 60) + "\"): " + why;
            return false;
        }
    }
    return true;
}

bool EmbeddedServer::ensure_role_and_database(std::string* error, const Progress& progress) {
    auto say = [&](const std::string& text) {
        if (progress) progress(text);
    };
    const std::string role(kRoleName), admin_name(kAdminRoleName), dbname(kDatabaseName);
    std::string why;
    auto admin = PgConnection::open(admin_conninfo(), &why);
    if (!admin) {
        std::string ignored;
        auto old = PgConnection::open(
            pinned_conninfo(socket_conninfo(layout_, port_, "postgres", role)), &ignored);
        auto super = old ? old->exec("SELECT rolsuper FROM pg_roles WHERE rolname = current_user")
                         : PgResult();
        if (super.ok() && super.rows() == 1 && super.value(0, 0) == "t") {
            if (!convert_superuser_role(*old, error)) return false;
            old.reset();
            say("Papel " + role +
                " convertido: não é mais superusuário (administração pelo "
                "socket como " +
                admin_name + ")");
            admin = PgConnection::open(admin_conninfo(), &why);
        }
    }
    if (!admin) {
        *error = "Não foi possível conectar ao servidor como " + admin_name + ": " + why;
        return false;
    }
    auto fail = [&](const std::string& what, const PgResult& r) {
        *error = what + ": " + r.error_message();
        return false;
    };

    std::string password = read_role_password(root_);
    if (password.empty()) {
        password = random_role_password();
        if (password.empty()) {
            *error = "Falha ao gerar a senha do banco de dados (OpenSSL)";
            return false;
        }
        if (!write_role_password(root_, password, error)) return false;
        say("Senha do banco de dados gerada em " + role_password_file(root_).string());
    }
    // Only the verifier travels: the password itself never reaches the
    // server's logs, even in an error line quoting the statement.
    char* verifier =
        PQencryptPasswordConn(admin->get(), password.c_str(), role.c_str(), "scram-sha-256");
    if (!verifier) {
        *error = "Falha ao cifrar a senha do banco de dados: " + admin->error_message();
        return false;
    }
    const std::string rights =
        " LOGIN NOSUPERUSER NOCREATEROLE NOREPLICATION NOBYPASSRLS PASSWORD " +
        sql_literal(verifier);
    PQfreemem(verifier);

    auto r = admin->exec("SELECT 1 FROM pg_roles WHERE rolname = " + sql_literal(role));
    if (!r.ok()) return fail("Falha ao consultar o papel " + role, r);
    const std::string verb = r.rows() == 0 ? "CREATE" : "ALTER";
    r = admin->exec(verb + " ROLE " + role + rights);
    if (!r.ok()) return fail("Falha em \"" + verb + " ROLE " + role + "\"", r);
    r = admin->exec(lifting_memberships_query());
    if (!r.ok()) return fail("Falha ao consultar os papéis de " + role, r);
    for (int i = 0; i < r.rows(); ++i) {
        auto done = admin->exec("REVOKE " + std::string(r.value(i, 0)) + " FROM " + role);
        if (!done.ok()) return fail("Falha ao retirar " + std::string(r.value(i, 0)), done);
    }

    r = admin->exec("SELECT pg_catalog.pg_get_userbyid(datdba) FROM pg_database WHERE datname = " +
                    sql_literal(dbname));
    if (!r.ok()) return fail("Falha ao consultar o banco " + dbname, r);
    std::string statement;
    if (r.rows() == 0)
        statement =
            "CREATE DATABASE " + dbname + " OWNER " + role + " ENCODING 'UTF8' TEMPLATE template0";
    else if (r.value(0, 0) != role)
        statement = "ALTER DATABASE " + dbname + " OWNER TO " + role;
    if (!statement.empty()) {
        r = admin->exec(statement);
        if (!r.ok()) return fail("Falha em \"" + statement + "\"", r);
    }
    admin.reset();
    return ensure_database_objects(error);
}

bool EmbeddedServer::ensure_database_objects(std::string* error) {
    const std::string dbname(kDatabaseName);
    std::string why;
    auto conn = PgConnection::open(admin_conninfo(dbname), &why);
    if (!conn) {
        *error = "Não foi possível conectar ao banco " + dbname + ": " + why;
        return false;
    }
    auto r = conn->exec(with_role(kHandOverObjects));
    if (!r.ok()) {
        *error = "Falha ao passar os objetos do banco ao papel " + std::string(kRoleName) + ": " +
                 r.error_message();
        return false;
    }
    r = conn->exec("SELECT extname FROM pg_extension");
    if (!r.ok()) {
        *error = "Falha ao consultar as extensões do banco: " + r.error_message();
        return false;
    }
    std::set<std::string> present;
    for (int i = 0; i < r.rows(); ++i) present.insert(std::string(r.value(i, 0)));
    // The program's role may not create extensions: they are made here, as the
    // administrator. unaccent and pg_trgm only make searches faster (the
    // schema scripts manage without them); dblink is needed.
    for (const char* optional : {"unaccent", "pg_trgm"})
        if (!present.count(optional))
            conn->exec("CREATE EXTENSION IF NOT EXISTS " + std::string(optional) +
                       " WITH SCHEMA public");
    if (!present.count("dblink")) {
        r = conn->exec("CREATE EXTENSION IF NOT EXISTS dblink WITH SCHEMA public");
        if (!r.ok()) {
            *error =
                "Falha ao instalar a extensão dblink (pacote postgresql-contrib instalado?): " +
                r.error_message();
            return false;
        }
    }
    return close_public_schema(*conn, error);
}

}  // namespace balcora::db
