#include "cluster/embedded_server.h"
#include "cluster/server_port.h"
#include "db/connection_settings.h"
#include "db/pg_handles.h"
#include "platform/process.h"
#include "support/balcora_cli.h"
#include "support/server_root.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

// What another account on the machine could do on a port of the loopback:
// answer like a PostgreSQL server asking for the password in clear, and keep
// whatever password it is sent.
class PasswordTrap {
  public:
    PasswordTrap(int family, int port) {
        fd_ = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_storage addr{};
        socklen_t size = 0;
        if (family == AF_INET6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&addr);
            a->sin6_family = AF_INET6;
            a->sin6_port = htons(static_cast<uint16_t>(port));
            a->sin6_addr = in6addr_loopback;
            setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
            size = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&addr);
            a->sin_family = AF_INET;
            a->sin_port = htons(static_cast<uint16_t>(port));
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            size = sizeof *a;
        }
        listening_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&addr), size) == 0 &&
                     listen(fd_, 8) == 0;
        if (listening_) thread_ = std::thread([this] { serve(); });
    }
    ~PasswordTrap() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close(fd_);
    }
    bool listening() const { return listening_; }
    int connections() const { return connections_; }
    std::vector<std::string> passwords() {
        std::lock_guard<std::mutex> lock(mutex_);
        return passwords_;
    }

  private:
    static bool read_exact(int fd, char* out, std::size_t n) {
        while (n > 0) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0) return false;
            ssize_t got = read(fd, out, n);
            if (got <= 0) return false;
            out += got;
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }
    static uint32_t be32(const char* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return ntohl(v);
    }
    void talk(int fd) {
        char head[8];
        // SSL and GSS encryption requests are declined; then the real start.
        for (;;) {
            if (!read_exact(fd, head, 8)) return;
            const uint32_t length = be32(head), code = be32(head + 4);
            if (length == 8 && (code == 80877103 || code == 80877104)) {
                if (write(fd, "N", 1) != 1) return;
                continue;
            }
            std::string rest(length > 8 ? length - 8 : 0, '\0');
            if (!read_exact(fd, rest.data(), rest.size())) return;
            break;
        }
        const char ask[] = {'R', 0, 0, 0, 8, 0, 0, 0, 3};  // cleartext password, please
        if (write(fd, ask, sizeof ask) != sizeof ask) return;
        char type;
        if (!read_exact(fd, &type, 1) || type != 'p' || !read_exact(fd, head, 4)) return;
        std::string password(be32(head) - 4, '\0');
        if (!read_exact(fd, password.data(), password.size())) return;
        std::lock_guard<std::mutex> lock(mutex_);
        passwords_.push_back(password.c_str());
    }
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            ++connections_;
            talk(client);
            close(client);
        }
    }

    int fd_ = -1;
    bool listening_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::vector<std::string> passwords_;
    std::thread thread_;
};

long postmaster_pid(const db::EmbeddedServer& server) {
    std::ifstream in(server.layout().data_dir / "postmaster.pid");
    long pid = 0;
    in >> pid;
    return pid;
}

void wait_until_port_is_free(int port) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!db::port_is_free(port) && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TEST(HostileAccount, NoListenerOnIpv6LoopbackOrOnADeadServersPortIsSentThePassword) {
    // The server, orphaned by pg_ctl, becomes our child, so that once killed
    // it is reaped here and not left a zombie holding its socket's lock file.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    ServerRoot tmp;
    auto init = balcora_cli(tmp.path(), {"db", "init"});
    ASSERT_EQ(init.exit_code, 0) << init.output;
    const int port = db::read_port(tmp.root());
    db::EmbeddedServer server(tmp.root(), port);

    // "localhost" resolves to ::1 first on most systems; the server is not there.
    {
        PasswordTrap trap(AF_INET6, port);
        if (trap.listening()) {
            auto r = balcora_cli(tmp.path(), {"sql", "select 1"});
            EXPECT_EQ(r.exit_code, 0) << r.output;
            EXPECT_TRUE(trap.passwords().empty());
            EXPECT_EQ(trap.connections(), 0);
        }
    }

    // A server killed outright leaves its postmaster.pid; its pid may since
    // name any process (here one of ours), and its port anyone's listener.
    const long pid = postmaster_pid(server);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(static_cast<pid_t>(pid), SIGKILL), 0);
    waitpid(static_cast<pid_t>(pid), nullptr, 0);
    wait_until_port_is_free(port);
    pid_t stand_in = fork();
    if (stand_in == 0) {
        execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
        _exit(127);
    }
    {
        const fs::path pid_file = server.layout().data_dir / "postmaster.pid";
        std::ifstream in(pid_file);
        std::string first, rest, line;
        std::getline(in, first);
        while (std::getline(in, line)) rest += line + "\n";
        in.close();
        std::ofstream(pid_file) << stand_in << "\n" << rest;
    }
    EXPECT_FALSE(server.is_running());
    EXPECT_EQ(server.running_port(), 0);
    {
        PasswordTrap trap(AF_INET, port);
        ASSERT_TRUE(trap.listening());
        auto r = balcora_cli(tmp.path(), {"sql", "select 1"});
        EXPECT_NE(r.exit_code, 0) << r.output;
        EXPECT_TRUE(trap.passwords().empty());
    }
    EXPECT_EQ(kill(stand_in, 0), 0)
        << "the stand-in process was signalled as if it were the server";
    kill(stand_in, SIGKILL);
    waitpid(stand_in, nullptr, 0);

    // With the port free again the next start brings the server back.
    auto again = balcora_cli(tmp.path(), {"sql", "select 1"});
    EXPECT_EQ(again.exit_code, 0) << again.output;
    EXPECT_TRUE(server.is_running());
}

// What the program's role could leave behind for the superuser on a shop
// made by an earlier version (schema public then open to it): a function
// shadowing pg_catalog.left for a name argument and a CHECK constraint. Each
// records, and lifts the role, only when it runs as a superuser.
constexpr const char* kTrapBody =
    "LANGUAGE plpgsql AS $$BEGIN IF (SELECT rolsuper FROM pg_catalog.pg_roles WHERE rolname = "
    "current_user) THEN INSERT INTO balcora.rastro VALUES (current_user); ALTER ROLE balcora "
    "SUPERUSER; END IF; RETURN @RESULT@; END$$";

std::string trap_body(const std::string& result) {
    std::string body = kTrapBody;
    body.replace(body.find("@RESULT@"), 8, result);
    return body;
}

bool run_all(db::PgConnection& conn, const std::vector<std::string>& statements) {
    for (const auto& s : statements) {
        auto r = conn.exec(s);
        EXPECT_TRUE(r.ok()) << s << ": " << r.error_message();
        if (!r.ok()) return false;
    }
    return true;
}

TEST(HostileAccount, ObjectsPlantedByTheRoleStayHarmlessThroughBackupStartAndStartUp) {
    ServerRoot tmp;
    auto init = balcora_cli(tmp.path(), {"db", "init"});
    ASSERT_EQ(init.exit_code, 0) << init.output;
    db::EmbeddedServer server(tmp.root());
    std::string why;
    {
        auto admin = db::PgConnection::open(server.admin_conninfo("balcora"), &why);
        ASSERT_TRUE(admin) << why;
        // Schema public as an earlier version left it: the database owner's.
        ASSERT_TRUE(run_all(*admin, {"ALTER SCHEMA public OWNER TO pg_database_owner"}));
        auto role = db::PgConnection::open(server.conninfo("balcora"), &why);
        ASSERT_TRUE(role) << why;
        ASSERT_TRUE(run_all(
            *role,
            {"CREATE TABLE balcora.rastro (quem text)",
             "CREATE FUNCTION public.left(name, integer) RETURNS text " +
                 trap_body("pg_catalog.left($1::text, $2)"),
             "CREATE FUNCTION balcora.armadilha(integer) RETURNS boolean " + trap_body("true"),
             "CREATE TABLE balcora.cilada (x integer CHECK (balcora.armadilha(x)))",
             "INSERT INTO balcora.cilada VALUES (1)"}));
    }

    auto backup = balcora_cli(tmp.path(), {"backup"});
    EXPECT_EQ(backup.exit_code, 0) << backup.output;
    EXPECT_NE(backup.output.find("verificada"), std::string::npos) << backup.output;
    auto start = balcora_cli(tmp.path(), {"db", "start"});
    EXPECT_EQ(start.exit_code, 0) << start.output;
    auto stop = balcora_cli(tmp.path(), {"db", "stop"});
    EXPECT_EQ(stop.exit_code, 0) << stop.output;
    auto startup = balcora_cli(tmp.path(), {"sql", "select count(*) from balcora.cilada"});
    EXPECT_EQ(startup.exit_code, 0) << startup.output;

    auto admin = db::PgConnection::open(server.admin_conninfo("balcora"), &why);
    ASSERT_TRUE(admin) << why;
    auto r = admin->exec(
        "SELECT r.rolsuper, (SELECT count(*) FROM balcora.rastro), "
        "pg_catalog.has_schema_privilege('balcora', 'public', 'CREATE'), "
        "pg_catalog.pg_get_userbyid(n.nspowner) FROM pg_catalog.pg_roles r, "
        "pg_catalog.pg_namespace n WHERE r.rolname = 'balcora' AND n.nspname = 'public'");
    ASSERT_TRUE(r.ok() && r.rows() == 1) << r.error_message();
    EXPECT_EQ(r.value(0, 0), "f") << "the role was made a superuser";
    EXPECT_EQ(r.value(0, 1), "0") << "a planted function ran as a superuser";
    EXPECT_EQ(r.value(0, 2), "f") << "the upgrade left schema public open to the role";
    EXPECT_EQ(r.value(0, 3), "balcora_admin");

    // What the program needs still works: its own schema, temporary tables, dblink.
    auto role = db::PgConnection::open(server.conninfo("balcora"), &why);
    ASSERT_TRUE(role) << why;
    run_all(*role, {"CREATE TABLE balcora.nova (x integer)", "CREATE TEMP TABLE t (x integer)",
                    "SELECT public.dblink_get_connections()"});
    r = role->exec("CREATE FUNCTION public.lower(name) RETURNS text LANGUAGE sql AS 'SELECT 1'");
    EXPECT_EQ(r.sqlstate(), "42501") << r.error_message();
}

}  // namespace
}  // namespace balcora::test
