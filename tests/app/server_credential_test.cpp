#include "cluster/embedded_server.h"
#include "cluster/server_programs.h"
#include "credentials/role_password.h"
#include "db/connection_settings.h"
#include "db/pg_handles.h"
#include "platform/ini_file.h"
#include "platform/process.h"
#include "support/balcora_cli.h"
#include "support/loopback_port.h"
#include "support/temp_root.h"
#include "support/test_database.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOldBuiltInPassword = "731946";

std::map<std::string, std::string> conninfo_fields(const std::string& conninfo) {
    std::map<std::string, std::string> values;
    std::istringstream in(conninfo);
    for (std::string word; in >> word;)
        if (auto eq = word.find('='); eq != std::string::npos)
            values[word.substr(0, eq)] = word.substr(eq + 1);
    return values;
}

std::string psql_program() {
    fs::path dir = db::find_server_bindir();
    return !dir.empty() && fs::exists(dir / "psql") ? (dir / "psql").string() : "psql";
}

// psql -c "SELECT 1" with a password, as the given system user (empty: ourselves).
platform::ProcessResult psql_as(const std::string& user, const std::string& conninfo,
                                const std::string& password) {
    platform::ProcessOptions options;
    options.user = user;
    options.env = {{"PGPASSWORD", password}, {"PGCONNECT_TIMEOUT", "5"}};
    return platform::run_program({psql_program(), "-X", "-w", "-At", "-c", "SELECT 1", conninfo},
                                 options);
}

TEST(ProgramRole, NoPasswordIsBuiltInAndTheRoleCannotReachTheServersSystem) {
    const fs::path app = balcora_program();
    for (const fs::path& binary :
         {app, app.parent_path().parent_path() / "src" / "libbalcora.so"}) {
        if (!fs::exists(binary)) continue;
        std::ifstream in(binary, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << binary;
        EXPECT_EQ(bytes.find(kOldBuiltInPassword), std::string::npos) << binary;
    }

    // The tests connect as the program's role, made by "db init".
    std::string error;
    auto conn = db::PgConnection::open(template_conninfo(), &error);
    ASSERT_TRUE(conn) << error;
    auto r = conn->exec(
        "SELECT rolsuper, rolcreaterole, oid = 10 FROM pg_roles WHERE rolname = current_user");
    ASSERT_TRUE(r.ok() && r.rows() == 1) << r.error_message();
    EXPECT_EQ(r.value(0, 0), "f");
    EXPECT_EQ(r.value(0, 1), "f");
    EXPECT_EQ(r.value(0, 2), "f");
    for (const char* escape :
         {"CREATE TEMP TABLE saida (t text); COPY saida FROM PROGRAM 'id'",
          "COPY (SELECT 1) TO PROGRAM 'true'", "SELECT pg_read_file('postgresql.conf')",
          "SET ROLE balcora_admin", "CREATE EXTENSION IF NOT EXISTS adminpack"}) {
        r = conn->exec(escape);
        EXPECT_FALSE(r.ok()) << escape;
        EXPECT_EQ(r.sqlstate(), "42501") << escape << ": " << r.error_message();
    }
}

TEST(ProgramRole, AnotherLocalAccountGetsInNeitherByPasswordGuessNorBySocket) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run psql as another local account (nobody)";
    auto fields = conninfo_fields(template_conninfo());
    const fs::path socket_dir = fields["host"];
    const platform::DataRoot root(socket_dir.parent_path());
    const fs::path file = db::role_password_file(root);
    const std::string password = db::read_role_password(root);
    ASSERT_EQ(password.size(), 32u) << file;
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(platform::user_can_access("nobody", file, R_OK));

    const std::string tcp = "host=127.0.0.1 port=" + fields["port"] + " dbname=balcora user=";
    for (const char* guess : {kOldBuiltInPassword, "pdvsenha", "balcora", "postgres", ""}) {
        auto r = psql_as("nobody", tcp + "balcora", guess);
        EXPECT_FALSE(r.ok()) << guess << ": " << r.output;
        EXPECT_TRUE(r.output.find("password authentication failed") != std::string::npos ||
                    r.output.find("no password supplied") != std::string::npos)
            << r.output;
    }
    auto r = psql_as("nobody", tcp + "balcora_admin", password);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.output.find("no pg_hba.conf entry"), std::string::npos) << r.output;
    r = psql_as("nobody",
                "host=" + socket_dir.string() + " port=" + fields["port"] +
                    " dbname=balcora user=balcora_admin",
                "");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.output.find("Permission denied"), std::string::npos) << r.output;

    r = psql_as("", tcp + "balcora", password);
    EXPECT_TRUE(r.ok()) << r.output;
    EXPECT_EQ(r.output, "1\n");
}

// --- a root made by an earlier version ----------------------------------------

bool exec_all(db::PgConnection& c, const std::vector<std::string>& statements, std::string* why) {
    for (const auto& s : statements) {
        auto r = c.exec(s);
        if (!r.ok()) {
            *why = s + ": " + r.error_message();
            return false;
        }
    }
    return true;
}

// The cluster as an earlier version left it: the program's role is the
// bootstrap superuser with the password that was built into the program,
// every socket connection is trusted, and balcora.ini holds the old defaults.
// Its data has a table with a serial column, a view, a function and dblink.
bool make_old_style_root(const platform::DataRoot& root, int port, std::string* why) {
    db::EmbeddedServer server(root, port);
    const auto& l = server.layout();
    unsigned uid = geteuid(), gid = getegid();
    if (!l.server_user.empty() && !platform::lookup_user(l.server_user, &uid, &gid)) return false;
    for (const fs::path& dir : {l.data_dir, l.socket_dir}) {
        fs::create_directories(dir);
        if (chown(dir.c_str(), uid, gid) != 0 || chmod(dir.c_str(), 0700) != 0) return false;
    }
    const fs::path bin = db::find_server_bindir();
    platform::ProcessOptions as;
    as.user = l.server_user;
    auto r = platform::run_program(
        {(bin / "initdb").string(), "-D", l.data_dir.string(), "-U", "balcora", "-E", "UTF8",
         "--no-locale", "--auth-local=trust", "--auth-host=scram-sha-256"},
        as);
    if (!r.ok()) return *why = r.output, false;
    const std::string options = "-p " + std::to_string(port) + " -k " + l.socket_dir.string() +
                                " -c listen_addresses=127.0.0.1";
    r = platform::run_program({(bin / "pg_ctl").string(), "start", "-D", l.data_dir.string(), "-w",
                               "-l", (l.data_dir / "old.log").string(), "-o", options},
                              as);
    if (!r.ok()) return *why = r.output, false;
    bool made = false;
    if (auto admin = db::PgConnection::open(server.conninfo("postgres"), why)) {
        made = exec_all(*admin,
                        {"ALTER ROLE balcora PASSWORD '" + std::string(kOldBuiltInPassword) + "'",
                         "CREATE DATABASE balcora"},
                        why);
        admin.reset();
        auto db = made ? db::PgConnection::open(server.conninfo("balcora"), why) : nullptr;
        made = db && exec_all(*db,
                              {"CREATE SCHEMA balcora",
                               "CREATE TABLE balcora.produto (id_produto serial PRIMARY KEY, "
                               "descricao text)",
                               "INSERT INTO balcora.produto (descricao) VALUES ('Arroz'), "
                               "('Feijão'), ('Café')",
                               "CREATE VIEW balcora.v_produto AS SELECT * FROM balcora.produto",
                               "CREATE FUNCTION balcora.conta() RETURNS bigint LANGUAGE sql AS "
                               "'SELECT count(*) FROM balcora.produto'",
                               "CREATE EXTENSION dblink"},
                              why);
    }
    platform::run_program(
        {(bin / "pg_ctl").string(), "stop", "-D", l.data_dir.string(), "-m", "fast", "-w"}, as);
    const fs::path ini = root.ini_file(db::kSettingsFile);
    return made && platform::ini_write(ini, "Configuracao", "Usuario", "postgres") &&
           platform::ini_write(ini, "Configuracao", "Senha", "pdvsenha") &&
           platform::ini_write(ini, "Configuracao", "Porta", std::to_string(port));
}

// Leaves no server behind when a check fails half-way.
struct StopsServer {
    const platform::DataRoot& root;
    ~StopsServer() {
        std::string ignored;
        db::EmbeddedServer(root, 0).stop(&ignored);
    }
};

TEST(DbStart, TwoStartsOnAnOldRootConvertItOnceKeepItsRowsAndNeverMoveThePort) {
    TempRoot tmp;
    fs::permissions(tmp.path(), fs::perms(0755));  // as root, postgres keeps it in the root
    const int port = unused_loopback_port();
    std::string why;
    ASSERT_TRUE(make_old_style_root(tmp.root(), port, &why)) << why;
    StopsServer stops{tmp.root()};

    platform::ProcessResult first, second;
    std::thread a([&] { first = balcora_cli(tmp.path(), {"db", "start"}); });
    std::thread b([&] { second = balcora_cli(tmp.path(), {"db", "start"}); });
    a.join();
    b.join();
    ASSERT_EQ(first.exit_code, 0) << first.output;
    ASSERT_EQ(second.exit_code, 0) << second.output;
    const std::string both = first.output + second.output;
    auto count = [&](const std::string& what) {
        int n = 0;
        for (auto at = both.find(what); at != std::string::npos; at = both.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("Servidor iniciado na porta " + std::to_string(port)), 1) << both;
    EXPECT_EQ(count("Servidor já em execução na porta " + std::to_string(port)), 1) << both;
    EXPECT_EQ(count("convertido"), 1) << both;

    db::EmbeddedServer server(tmp.root(), port);
    auto admin = db::PgConnection::open(server.admin_conninfo("balcora"), &why);
    ASSERT_TRUE(admin) << why;
    auto r = admin->exec(
        "SELECT r.rolsuper, r.oid = 10, pg_get_userbyid(c.relowner), pg_get_userbyid(d.datdba) "
        "FROM pg_roles r, pg_class c, pg_database d WHERE r.rolname = 'balcora' "
        "AND c.oid = 'balcora.produto'::regclass AND d.datname = 'balcora'");
    ASSERT_TRUE(r.ok() && r.rows() == 1) << r.error_message();
    EXPECT_EQ(r.value(0, 0), "f");
    EXPECT_EQ(r.value(0, 1), "f");
    EXPECT_EQ(r.value(0, 2), "balcora");
    EXPECT_EQ(r.value(0, 3), "balcora");

    const std::string password = db::read_role_password(tmp.root());
    ASSERT_FALSE(password.empty());
    const std::string tcp = "host=127.0.0.1 port=" + std::to_string(port) +
                            " dbname=balcora user=balcora connect_timeout=5 password=";
    EXPECT_FALSE(db::PgConnection::open(tcp + kOldBuiltInPassword, &why));
    auto conn = db::PgConnection::open(tcp + password, &why);
    ASSERT_TRUE(conn) << why;
    r = conn->exec("INSERT INTO balcora.produto (descricao) VALUES ('Açúcar')");
    EXPECT_TRUE(r.ok()) << r.error_message();
    r = conn->exec(
        "SELECT balcora.conta(), (SELECT string_agg(descricao, ',' ORDER BY id_produto) "
        "FROM balcora.v_produto)");
    ASSERT_TRUE(r.ok()) << r.error_message();
    EXPECT_EQ(r.value(0, 0), "4");
    EXPECT_EQ(r.value(0, 1), "Arroz,Feijão,Café,Açúcar");
    r = conn->exec("COPY balcora.produto FROM PROGRAM 'id'");
    EXPECT_EQ(r.sqlstate(), "42501") << r.error_message();
    conn.reset();
    const fs::path ini = tmp.root().ini_file(db::kSettingsFile);
    EXPECT_EQ(platform::ini_read(ini, "Configuracao", "Senha"), "(arquivo de senha)");

    // A changed or damaged port is reported and put back, the server stays.
    for (std::string text :
         {std::to_string(port < 65535 ? port + 1 : port - 1), std::string("x1")}) {
        platform::ini_write(ini, "Configuracao", "Porta", text);
        auto again = balcora_cli(tmp.path(), {"db", "start"});
        EXPECT_EQ(again.exit_code, 0) << again.output;
        EXPECT_NE(again.output.find("\"" + text + "\""), std::string::npos) << again.output;
        EXPECT_NE(again.output.find("servidor mantido"), std::string::npos) << again.output;
        EXPECT_EQ(db::read_port(tmp.root()), port);
        EXPECT_EQ(server.running_port(), port);
    }

    // "sql" never reports success for work it left open and so lost.
    const std::string insert = "begin; insert into balcora.produto (descricao) values ('Sal');";
    auto left_open = balcora_cli(tmp.path(), {"sql", insert});
    EXPECT_EQ(left_open.exit_code, 1) << left_open.output;
    EXPECT_NE(left_open.output.find("foi desfeita"), std::string::npos) << left_open.output;
    EXPECT_EQ(balcora_cli(tmp.path(), {"sql", insert + " commit;"}).exit_code, 0);
    auto sal = balcora_cli(tmp.path(),
                           {"sql", "select count(*) from balcora.produto where descricao = 'Sal'"});
    EXPECT_TRUE(sal.output.ends_with("\n1\n")) << sal.output;
}

}  // namespace
}  // namespace balcora::test
