#include "cluster/embedded_server.h"
#include "cluster/server_config.h"
#include "cluster/server_port.h"
#include "db/connection_settings.h"
#include "platform/ini_file.h"
#include "platform/process.h"
#include "support/balcora_cli.h"
#include "support/temp_root.h"
#include "support/test_database.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace balcora::db {
namespace {

namespace fs = std::filesystem;

// Temporary folders are private (0700); opened up, a root-run test keeps the
// cluster inside the root like a user's run, instead of under /var/lib.
void open_to_postgres(const test::TempRoot& tmp) {
    fs::permissions(tmp.path(), fs::perms(0755));
}

// --- where the cluster goes -------------------------------------------------

TEST(ServerLayout, UsersKeepTheClusterInTheRootAndRootHandsItToPostgres) {
    const fs::path root = "/srv/loja";
    ServerLayout own = plan_layout(root, {false, true, 1000, {}});
    EXPECT_EQ(own.data_dir, root / "pgdata");
    EXPECT_EQ(own.socket_dir, root / "run");
    EXPECT_TRUE(own.link.empty());
    EXPECT_TRUE(own.server_user.empty());

    ServerLayout as_root = plan_layout(root, {true, true, 0, {}});
    EXPECT_EQ(as_root.data_dir, root / "pgdata");
    EXPECT_EQ(as_root.socket_dir, root / "run");
    EXPECT_TRUE(as_root.link.empty());
    EXPECT_EQ(as_root.server_user, "postgres");
}

TEST(ServerLayout, ARootClosedToPostgresMovesTheClusterToVarLibWithALinkBack) {
    const fs::path root = "/root/.local/share/balcora";
    ServerLayout l = plan_layout(root, {true, false, 0, {}});
    const fs::path base = fs::path("/var/lib/balcora") / root_tag(root);
    EXPECT_EQ(l.data_dir, base / "pgdata");
    EXPECT_EQ(l.socket_dir, base / "run");
    EXPECT_EQ(l.link, root / "pgdata");
    EXPECT_EQ(l.server_user, "postgres");
    // Not being able to reach the root only matters when the server changes user.
    EXPECT_EQ(plan_layout(root, {false, false, 1000, {}}).data_dir, root / "pgdata");
}

TEST(ServerLayout, ADeepRootGetsItsSocketFolderWhereNoOtherAccountCanTakeTheName) {
    // "<root>/run/.s.PGSQL.65535" is the root plus 19 characters.
    const std::string fits = "/" + std::string(80, 'a');      // 81 + 19 = 100
    const std::string too_long = "/" + std::string(81, 'a');  // 82 + 19 = 101
    EXPECT_EQ(plan_layout(fits, {false, true, 1000, "/home/ana"}).socket_dir,
              fs::path(fits) / "run");
    ServerLayout deep = plan_layout(too_long, {false, true, 1000, "/home/ana"});
    EXPECT_EQ(deep.socket_dir, fs::path("/home/ana/.balcora/run-" + root_tag(too_long)));
    EXPECT_EQ(deep.data_dir, fs::path(too_long) / "pgdata");
    EXPECT_LE((deep.socket_dir / ".s.PGSQL.65535").string().size(), kMaxSocketPath);
    // Root's home is closed to the server's user; /run is root's alone.
    ServerLayout as_root = plan_layout(too_long, {true, true, 0, "/root"});
    EXPECT_EQ(as_root.socket_dir, fs::path("/run/balcora") / root_tag(too_long));
}

TEST(ServerLayout, TheRootTagIsTheMd5OfTheNormalisedAbsolutePath) {
    EXPECT_EQ(root_tag("/tmp/x"), "7ae3976faedb");  // md5("/tmp/x") = 7ae3976faedb45a9...
    EXPECT_EQ(root_tag("/tmp/./x/"), root_tag("/tmp/x"));
    EXPECT_NE(root_tag("/tmp/y"), root_tag("/tmp/x"));
}

// --- configuration written into the cluster --------------------------------

std::map<std::string, std::string> parse_conf(const std::string& text) {
    std::map<std::string, std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        auto eq = line.find(" = ");
        if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 3);
    }
    return out;
}

TEST(ServerConfig, ListensOnLoopbackAndItsOwnSocketFolderOnly) {
    ServerLayout l;
    l.socket_dir = "/tmp/it's here";
    auto conf = parse_conf(server_config_text(l, 5433));
    EXPECT_EQ(conf["listen_addresses"], "'127.0.0.1'");
    EXPECT_EQ(conf["port"], "5433");
    EXPECT_EQ(conf["unix_socket_directories"], "'/tmp/it''s here'");
    EXPECT_EQ(conf["unix_socket_permissions"], "0700");
    EXPECT_EQ(conf["logging_collector"], "on");
    EXPECT_EQ(conf["log_directory"], "'log'");
}

TEST(ServerConfig, TheSocketServesAdminAndProgramAndTcpOnlyTheProgramWithAPassword) {
    std::istringstream in(client_auth_text());
    std::string line;
    int rules = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string x; words >> x;) w.push_back(x);
        ASSERT_GE(w.size(), 4u) << line;
        ++rules;
        if (w[0] == "local") {
            EXPECT_TRUE(w[2] == "balcora_admin" || w[2] == "balcora") << line;
            EXPECT_EQ(w.back(), "trust");
        } else {
            EXPECT_EQ(w[0], "host") << line;
            EXPECT_EQ(w[2], "balcora") << line;
            EXPECT_EQ(w[3], "127.0.0.1/32") << line;
            EXPECT_EQ(w.back(), "scram-sha-256") << line;
        }
    }
    EXPECT_EQ(rules, 3);
}

TEST(ServerConfig, AShopServerAddsItsAddressAndOnlyPasswordLoginsFromItsNetworks) {
    ServerLayout l;
    l.socket_dir = "/tmp/s";
    ListenPolicy shop{"192.168.0.10"};
    EXPECT_EQ(parse_conf(server_config_text(l, 5433, shop))["listen_addresses"],
              "'127.0.0.1, 192.168.0.10'");
    const std::string hba = client_auth_text(shop);
    EXPECT_NE(hba.find("host    all       balcora        samenet       scram-sha-256"),
              std::string::npos);
    // On the loopback alone nothing is opened beyond what a checkout has.
    EXPECT_EQ(client_auth_text(ListenPolicy{"127.0.0.1"}), client_auth_text());
    // A damaged address never widens the server: it is read as no address.
    test::TempRoot root;
    ASSERT_TRUE(write_shop_address(root.root(), "0.0.0.0/0"));
    EXPECT_FALSE(read_listen_policy(root.root()).serves_shop());
    ASSERT_TRUE(write_shop_address(root.root(), " 10.0.0.5 "));
    EXPECT_EQ(read_listen_policy(root.root()).shop_address, "10.0.0.5");
}

// --- ports -------------------------------------------------------------------

// A listening socket on a port the kernel picks, closed at the end.
struct Listener {
    int fd = -1;
    int port = 0;
    Listener() {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 1) == 0) {
            socklen_t len = sizeof a;
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
            port = ntohs(a.sin_port);
        }
    }
    ~Listener() { close(fd); }
};

TEST(ServerPort, APortSomeoneListensOnIsNotFreeUntilTheyLeave) {
    int port = 0;
    {
        Listener busy;
        ASSERT_GT(busy.port, 0);
        port = busy.port;
        EXPECT_FALSE(port_is_free(port));
    }
    EXPECT_TRUE(port_is_free(port));
    EXPECT_FALSE(port_is_free(0));
    EXPECT_FALSE(port_is_free(70000));
}

TEST(ServerPort, TheChosenPortIsTheDefaultWhenFreeElseTheFirstFreeOneAboveIt) {
    std::set<int> busy;
    auto is_free = [&](int p) { return busy.count(p) == 0; };
    EXPECT_EQ(choose_port(is_free), 5432);
    busy = {5432, 5433, 5435};
    EXPECT_EQ(choose_port(is_free), 5434);
    EXPECT_EQ(choose_port([](int) { return false; }), 0);
}

// --- settings ------------------------------------------------------------------

TEST(ConnectionSettings, PortIsANumberOrZero) {
    EXPECT_EQ(parse_port("5433"), 5433);
    EXPECT_EQ(parse_port(" 5432 "), 5432);
    EXPECT_EQ(parse_port(""), 0);
    EXPECT_EQ(parse_port("abc"), 0);
    EXPECT_EQ(parse_port("54a2"), 0);
    EXPECT_EQ(parse_port("-5432"), 0);
    EXPECT_EQ(parse_port("65536"), 0);
    EXPECT_EQ(parse_port("99999999999"), 0);
}

TEST(ConnectionSettings, BlankLocalhostAndLoopbackAreThisMachine) {
    for (const char* s : {"", "  ", "localhost", "LocalHost", "127.0.0.1", " 127.0.0.1 "})
        EXPECT_TRUE(is_local_server(s)) << s;
    for (const char* s : {"servidor", "192.168.0.10", "localhost2", "127.0.0.2", "/tmp"})
        EXPECT_FALSE(is_local_server(s)) << s;
}

TEST(ConnectionSettings, FirstStartFillsBlanksAndKeepsWhatTheUserSet) {
    test::TempRoot tmp;
    const auto& root = tmp.root();
    const auto ini = root.ini_file("balcora.ini");
    ConnectionSettings empty = read_connection_settings(root);
    EXPECT_EQ(empty.port, 0);
    EXPECT_TRUE(empty.is_local());

    ASSERT_TRUE(complete_local_settings(root, 5433));
    ConnectionSettings s = read_connection_settings(root);
    EXPECT_EQ(s.user, "balcora");
    EXPECT_EQ(s.password, "(arquivo de senha)");
    EXPECT_EQ(s.port, 5433);
    // What an earlier version wrote (a login that led nowhere, a password in
    // clear) is replaced the same way.
    platform::ini_write(ini, "Configuracao", "Usuario", "postgres");
    platform::ini_write(ini, "Configuracao", "Senha", "pdvsenha");
    ASSERT_TRUE(complete_local_settings(root, 5433));
    EXPECT_EQ(read_connection_settings(root).password, "(arquivo de senha)");

    platform::ini_write(ini, "Configuracao", "Usuario", "gerente");
    platform::ini_write(ini, "Configuracao", "Senha", "segredo");
    platform::ini_write(ini, "Configuracao", "Servidor", "matriz");
    ASSERT_TRUE(complete_local_settings(root, 5440));
    s = read_connection_settings(root);
    EXPECT_EQ(s.user, "gerente");
    EXPECT_EQ(s.password, "segredo");
    EXPECT_EQ(s.port, 5440);
    EXPECT_FALSE(s.is_local());
    EXPECT_EQ(s.host(), "matriz");
}

// --- a server that is not there --------------------------------------------------

TEST(EmbeddedServer, WithoutAClusterNothingRunsAndStartAsksForInit) {
    test::TempRoot tmp;
    open_to_postgres(tmp);
    EmbeddedServer server(tmp.root(), 5999);
    EXPECT_FALSE(server.cluster_exists());
    EXPECT_FALSE(server.is_running());
    EXPECT_FALSE(server.answers());
    std::string error;
    EXPECT_FALSE(server.start(&error));
    EXPECT_NE(error.find("balcora db init"), std::string::npos) << error;
    EXPECT_TRUE(server.stop(&error)) << "stopping nothing is not a failure";
    EXPECT_FALSE(fs::exists(tmp.path() / "pgdata"));
}

TEST(EmbeddedServer, TheConninfoSurvivesBlanksAndApostrophesInTheRoot) {
    test::TempRoot tmp;
    fs::path odd = tmp.path() / "loja d'água";
    EmbeddedServer server(platform::DataRoot(odd), 5433);
    char* err = nullptr;
    PQconninfoOption* opts = PQconninfoParse(server.conninfo().c_str(), &err);
    ASSERT_NE(opts, nullptr) << (err ? err : "");
    std::map<std::string, std::string> values;
    for (auto* o = opts; o->keyword; ++o)
        if (o->val) values[o->keyword] = o->val;
    PQconninfoFree(opts);
    EXPECT_EQ(values["host"], server.layout().socket_dir.string());
    EXPECT_EQ(values["port"], "5433");
    EXPECT_EQ(values["dbname"], "balcora");
    EXPECT_EQ(values["user"], "balcora");
}

TEST(EmbeddedServer, SomethingInTheWayOfTheClusterFolderIsReportedNotOverwritten) {
    test::TempRoot tmp;
    open_to_postgres(tmp);
    { std::ofstream(tmp.path() / "pgdata") << "not a folder"; }
    EmbeddedServer server(tmp.root(), 5999);
    std::string error;
    EXPECT_FALSE(server.create_cluster(&error));
    EXPECT_NE(error.find((tmp.path() / "pgdata").string()), std::string::npos) << error;
    std::ifstream in(tmp.path() / "pgdata");
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "not a folder");
}

TEST(EmbeddedServer, ASocketFolderPlantedByAnotherUserIsRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can plant a folder owned by someone else";
    test::TempRoot tmp;
    open_to_postgres(tmp);
    fs::path deep = tmp.path() / std::string(90, 'p');
    EmbeddedServer server(platform::DataRoot(deep), 5999);
    const fs::path socket_dir = server.layout().socket_dir;
    ASSERT_EQ(socket_dir.parent_path(), "/run/balcora");
    fs::create_directories(socket_dir.parent_path());
    ASSERT_EQ(mkdir(socket_dir.c_str(), 0777), 0);
    ASSERT_EQ(chown(socket_dir.c_str(), 65534, 65534), 0);  // nobody
    std::string error;
    EXPECT_FALSE(server.create_cluster(&error));
    EXPECT_NE(error.find("outro usuário"), std::string::npos) << error;
    EXPECT_FALSE(server.cluster_exists());
    fs::remove_all(socket_dir);
}

// --- the command line --------------------------------------------------------

platform::ProcessResult balcora_cli(const fs::path& root, std::vector<std::string> words) {
    words.insert(words.begin(), "db");
    return test::balcora_cli(root, words);
}

TEST(DbCommand, WithoutAClusterStatusAndStartFailClearlyAndStopIsHarmless) {
    test::TempRoot tmp;
    open_to_postgres(tmp);
    platform::ini_write(tmp.root().ini_file("balcora.ini"), "Configuracao", "Porta", "5999");
    auto status = balcora_cli(tmp.path(), {"status"});
    EXPECT_EQ(status.exit_code, 1) << status.output;
    EXPECT_NE(status.output.find("host=" + (tmp.path() / "run").string() +
                                 " port=5999 dbname=balcora user=balcora"),
              std::string::npos)
        << status.output;
    EXPECT_NE(status.output.find("nenhum servidor responde"), std::string::npos);

    auto start = balcora_cli(tmp.path(), {"start"});
    EXPECT_EQ(start.exit_code, 1);
    EXPECT_NE(start.output.find("balcora db init"), std::string::npos) << start.output;
    EXPECT_EQ(balcora_cli(tmp.path(), {"stop"}).exit_code, 0);
    EXPECT_EQ(balcora_cli(tmp.path(), {}).exit_code, 2);
    EXPECT_EQ(balcora_cli(tmp.path(), {"reinit"}).exit_code, 2);
    EXPECT_FALSE(fs::exists(tmp.path() / "pgdata"));
}

TEST(DbCommand, ARemoteServerIsNeverInitialisedButIsAskedForItsStatus) {
    std::string conninfo = test::template_conninfo();
    ASSERT_FALSE(conninfo.empty());
    std::map<std::string, std::string> values;
    std::istringstream in(conninfo);
    for (std::string word; in >> word;)
        if (auto eq = word.find('='); eq != std::string::npos)
            values[word.substr(0, eq)] = word.substr(eq + 1);
    test::TempRoot tmp;
    const auto ini = tmp.root().ini_file("balcora.ini");
    // A socket folder is as good a host name as any for libpq, and it is not
    // this machine's name, so the test cluster stands in for a remote server.
    platform::ini_write(ini, "Configuracao", "Servidor", values["host"]);
    platform::ini_write(ini, "Configuracao", "Porta", values["port"]);

    auto init = balcora_cli(tmp.path(), {"init"});
    EXPECT_EQ(init.exit_code, 0) << init.output;
    EXPECT_NE(init.output.find("nada a inicializar"), std::string::npos) << init.output;
    EXPECT_FALSE(fs::exists(tmp.path() / "pgdata"));
    EXPECT_EQ(balcora_cli(tmp.path(), {"start"}).exit_code, 0);

    auto status = balcora_cli(tmp.path(), {"status"});
    EXPECT_EQ(status.exit_code, 0) << status.output;
    EXPECT_EQ(status.output, "host=" + values["host"] + " port=" + values["port"] +
                                 " dbname=balcora user=balcora\n");
}

}  // namespace
}  // namespace balcora::db
