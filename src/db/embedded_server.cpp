#include "db/embedded_server.h"

#include "db/pg_handles.h"
#include "platform/process.h"

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace balcora::db {

namespace fs = std::filesystem;

namespace {

constexpr int kStartRetries = 5;
constexpr const char* kStartupLog = "startup.log";

std::string read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Inside a quoted postgresql.conf value '' and \\ each stand for one character.
std::string conf_quote(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\') out += c;
        out += c;
    }
    return out + "'";
}

// Only values that need it are quoted, so the usual text stays readable.
std::string conninfo_value(const std::string& value) {
    bool plain = !value.empty() && value.find_first_of(" '\\\t") == std::string::npos;
    return plain ? value : conninfo_quote(value);
}

std::string sql_literal(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out += c;
        out += c;
    }
    return out + "'";
}

std::string own_login_name() {
    struct passwd pw_buf;
    struct passwd* pw = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(geteuid(), &pw_buf, buf.data(), buf.size(), &pw) != 0 || !pw) return {};
    return pw->pw_name;
}

bool has_server_programs(const fs::path& dir) {
    std::error_code ec;
    return fs::exists(dir / "initdb", ec) && fs::exists(dir / "pg_ctl", ec);
}

// "9.6" and "15" as comparable numbers.
std::pair<int, int> version_key(const std::string& name) {
    int major = 0, minor = 0;
    std::sscanf(name.c_str(), "%d.%d", &major, &minor);
    return {major, minor};
}

std::string trim_line(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

}  // namespace

std::string root_tag(const fs::path& root) {
    fs::path normal = fs::absolute(root).lexically_normal();
    if (normal.has_relative_path() && normal.filename().empty()) normal = normal.parent_path();
    std::string text = normal.string();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < 6 && i < size; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

// The cluster sits beside the program's data so that one root carries
// everything, with two exceptions:
// - PostgreSQL refuses to run as root, so a root-run program hands the server
//   to the postgres user; when that user cannot get into the root (a root's
//   home is closed to others) the cluster moves to /var/lib/balcora, and a
//   symlink in the root still shows where it went.
// - A unix socket's path is limited to about 100 characters, so a deep root
//   gets its socket folder in /tmp, named after the user and the root. The
//   worst-case port length is assumed so a port change never moves it.
ServerLayout plan_layout(const fs::path& root, const LayoutFacts& facts) {
    ServerLayout l;
    const std::string tag = root_tag(root);
    if (facts.running_as_root) l.server_user = std::string(kServerSystemUser);
    if (facts.running_as_root && !facts.server_user_reaches_root) {
        fs::path base = fs::path("/var/lib/balcora") / tag;
        l.data_dir = base / "pgdata";
        l.socket_dir = base / "run";
        l.link = root / "pgdata";
    } else {
        l.data_dir = root / "pgdata";
        l.socket_dir = root / "run";
    }
    if ((l.socket_dir / ".s.PGSQL.65535").string().size() > kMaxSocketPath)
        l.socket_dir = fs::path("/tmp") / ("balcora-" + std::to_string(facts.uid) + "-" + tag);
    return l;
}

LayoutFacts current_layout_facts(const fs::path& root) {
    LayoutFacts f;
    f.uid = geteuid();
    f.running_as_root = f.uid == 0;
    if (f.running_as_root) {
        // A root not made yet will be made by us and is as open as the
        // folder it goes into.
        fs::path probe = root;
        std::error_code ec;
        while (!fs::exists(probe, ec) && probe.has_relative_path()) probe = probe.parent_path();
        f.server_user_reaches_root =
            platform::user_can_access(std::string(kServerSystemUser), probe, X_OK);
    }
    return f;
}

std::string server_config_text(const ServerLayout& layout, int port) {
    std::ostringstream o;
    o << "# Written by Balcora at every start: edits here are lost.\n"
      << "listen_addresses = '127.0.0.1'\n"
      << "port = " << port << "\n"
      << "unix_socket_directories = " << conf_quote(layout.socket_dir.string()) << "\n"
      << "unix_socket_permissions = 0700\n"
      // One checkout, its back-office link and a test run's parallel jobs.
      << "max_connections = 40\n"
      << "shared_buffers = 32MB\n"
      << "work_mem = 4MB\n"
      << "maintenance_work_mem = 32MB\n"
      << "effective_cache_size = 128MB\n"
      << "max_wal_size = 256MB\n"
      << "min_wal_size = 64MB\n"
      << "max_worker_processes = 4\n"
      << "max_parallel_workers = 2\n"
      << "max_parallel_workers_per_gather = 1\n"
      // A week of daily files, each reused a week later: the log never grows unbounded.
      << "logging_collector = on\n"
      << "log_directory = 'log'\n"
      << "log_filename = 'postgresql-%a.log'\n"
      << "log_truncate_on_rotation = on\n"
      << "log_rotation_age = 1d\n"
      << "log_rotation_size = 0\n"
      << "log_line_prefix = '%m [%p] %q%u@%d '\n";
    return o.str();
}

std::string client_auth_text() {
    return "# Written by Balcora.\n"
           "# The socket folder is open only to the server's user (and root), so a\n"
           "# local connection has already proved who it is; by address a password\n"
           "# is needed.\n"
           "# TYPE  DATABASE  USER  ADDRESS       METHOD\n"
           "local   all       all                 trust\n"
           "host    all       all   127.0.0.1/32  scram-sha-256\n";
}

bool port_is_free(int port) {
    if (port <= 0 || port > 65535) return false;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // The server sets SO_REUSEADDR too, so a port left in TIME_WAIT is usable.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool free = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return free;
}

static int first_free_port_from(int port, const std::function<bool(int)>& is_free) {
    for (; port <= 65535; ++port)
        if (is_free(port)) return port;
    return 0;
}

int choose_port(const std::function<bool(int)>& is_free) {
    return first_free_port_from(kDefaultPort, is_free);
}

fs::path find_server_bindir(std::string_view major) {
    std::error_code ec;
    const fs::path debian = "/usr/lib/postgresql";
    if (!major.empty()) {
        fs::path dir = debian / std::string(major) / "bin";
        if (has_server_programs(dir)) return dir;
    } else {
        fs::path best;
        std::pair<int, int> best_key{-1, -1};
        for (const auto& entry : fs::directory_iterator(debian, ec)) {
            fs::path dir = entry.path() / "bin";
            auto key = version_key(entry.path().filename().string());
            if (has_server_programs(dir) && key > best_key) {
                best = dir;
                best_key = key;
            }
        }
        if (!best.empty()) return best;
    }
    // Not a Debian layout: whatever pg_config names, if it is the right version.
    auto r = platform::run_program({"pg_config", "--bindir"});
    if (!r.ok()) return {};
    fs::path dir = trim_line(r.output);
    if (!has_server_programs(dir)) return {};
    if (!major.empty()) {
        auto v = platform::run_program({"pg_config", "--version"});
        // "PostgreSQL 15.4 (Debian ...)"
        std::string text = v.output;
        auto pos = text.find(' ');
        if (pos == std::string::npos || text.compare(pos + 1, major.size(), major) != 0) return {};
        char next = text.size() > pos + 1 + major.size() ? text[pos + 1 + major.size()] : ' ';
        if (next >= '0' && next <= '9') return {};
    }
    return dir;
}

EmbeddedServer::EmbeddedServer(const platform::DataRoot& root)
    : EmbeddedServer(root, read_port(root)) {}

EmbeddedServer::EmbeddedServer(const platform::DataRoot& root, int port)
    : root_(root),
      port_(port),
      facts_(current_layout_facts(root.root())),
      layout_(plan_layout(root.root(), facts_)) {}

std::string EmbeddedServer::conninfo(std::string_view dbname) const {
    return "host=" + conninfo_value(layout_.socket_dir.string()) +
           " port=" + std::to_string(port_) + " dbname=" + conninfo_value(std::string(dbname)) +
           " user=" + std::string(kRoleName);
}

bool EmbeddedServer::cluster_exists() const {
    std::error_code ec;
    return fs::exists(layout_.data_dir / "PG_VERSION", ec);
}

fs::path EmbeddedServer::bindir() const {
    if (cluster_exists()) {
        std::string version = trim_line(read_file(layout_.data_dir / "PG_VERSION"));
        return find_server_bindir(version);
    }
    return find_server_bindir();
}

bool EmbeddedServer::run_tool(const std::string& tool, const std::vector<std::string>& args,
                              std::string* output) const {
    fs::path dir = bindir();
    if (dir.empty()) {
        *output = cluster_exists() ? "Programas do PostgreSQL " +
                                         trim_line(read_file(layout_.data_dir / "PG_VERSION")) +
                                         " (versão do cluster) não encontrados"
                                   : "PostgreSQL não encontrado: instale os pacotes postgresql e "
                                     "postgresql-contrib";
        return false;
    }
    std::vector<std::string> argv{(dir / tool).string()};
    argv.insert(argv.end(), args.begin(), args.end());
    platform::ProcessOptions options;
    options.user = layout_.server_user;
    auto r = platform::run_program(argv, options);
    *output = r.output;
    return r.ok();
}

bool EmbeddedServer::is_running() const {
    if (!cluster_exists()) return false;
    std::string out;
    return run_tool("pg_ctl", {"status", "-D", layout_.data_dir.string()}, &out);
}

bool EmbeddedServer::answers() const {
    if (port_ <= 0) return false;
    return PQping((conninfo("postgres") + " connect_timeout=5").c_str()) == PQPING_OK;
}

bool EmbeddedServer::listening() const {
    if (port_ <= 0) return false;
    PGPing p = PQping((conninfo("postgres") + " connect_timeout=5").c_str());
    return p == PQPING_OK || p == PQPING_REJECT;
}

bool EmbeddedServer::write_cluster_file(const fs::path& file, const std::string& text,
                                        std::string* error) const {
    fs::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            *error = "Não foi possível gravar " + file.string();
            return false;
        }
    }
    unsigned uid = 0, gid = 0;
    if (!layout_.server_user.empty() && platform::lookup_user(layout_.server_user, &uid, &gid))
        if (chown(tmp.c_str(), uid, gid) != 0) {
            *error = "Não foi possível passar " + file.string() + " a " + layout_.server_user;
            return false;
        }
    chmod(tmp.c_str(), 0600);
    std::error_code ec;
    fs::rename(tmp, file, ec);
    if (ec) {
        *error = "Não foi possível gravar " + file.string() + ": " + ec.message();
        return false;
    }
    return true;
}

// Creates a folder the server owns, or checks one already there. Shared
// places such as /tmp could hold a folder someone else planted for us.
static bool make_server_dir(const fs::path& dir, mode_t mode, const std::string& user,
                            std::string* error) {
    unsigned uid = geteuid(), gid = getegid();
    if (!user.empty() && !platform::lookup_user(user, &uid, &gid)) {
        *error = "Usuário do sistema \"" + user + "\" não existe (pacote postgresql instalado?)";
        return false;
    }
    std::error_code ec;
    fs::create_directories(dir.parent_path(), ec);
    if (mkdir(dir.c_str(), mode) == 0) {
        if (chown(dir.c_str(), uid, gid) != 0 || chmod(dir.c_str(), mode) != 0) {
            *error = "Não foi possível ajustar o dono de " + dir.string();
            return false;
        }
        return true;
    }
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0) {
        *error = "Não foi possível criar " + dir.string();
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = dir.string() + " existe e não é uma pasta";
        return false;
    }
    if (st.st_uid != uid) {
        *error = "A pasta " + dir.string() + " pertence a outro usuário (esperado: " +
                 (user.empty() ? std::string("uid ") + std::to_string(uid) : user) + ")";
        return false;
    }
    if ((st.st_mode & 07777) != mode) chmod(dir.c_str(), mode);
    return true;
}

bool EmbeddedServer::prepare_folders(std::string* error) {
    std::error_code ec;
    if (!layout_.link.empty()) {
        fs::path base = layout_.data_dir.parent_path();
        if (!make_server_dir(base.parent_path(), 0755, {}, error)) return false;
        if (!make_server_dir(base, 0755, layout_.server_user, error)) return false;
        auto st = fs::symlink_status(layout_.link, ec);
        if (fs::exists(st)) {
            if (!fs::is_symlink(st) || fs::read_symlink(layout_.link, ec) != layout_.data_dir) {
                *error = layout_.link.string() + " já existe e não aponta para " +
                         layout_.data_dir.string();
                return false;
            }
        } else {
            fs::create_directory_symlink(layout_.data_dir, layout_.link, ec);
            if (ec) {
                *error = "Não foi possível criar a ligação " + layout_.link.string() + ": " +
                         ec.message();
                return false;
            }
        }
    }
    return make_server_dir(layout_.data_dir, 0700, layout_.server_user, error) &&
           make_server_dir(layout_.socket_dir, 0700, layout_.server_user, error);
}

bool EmbeddedServer::create_cluster(std::string* error) {
    if (cluster_exists()) return true;
    if (!prepare_folders(error)) return false;
    const std::vector<std::string> common{"-D",
                                          layout_.data_dir.string(),
                                          "-U",
                                          std::string(kRoleName),
                                          "-E",
                                          "UTF8",
                                          "--auth-local=trust",
                                          "--auth-host=scram-sha-256"};
    std::string out;
    // C.UTF-8 gives upper/lower on accented letters; plain C is the fallback
    // for systems without that locale.
    for (const char* locale : {"--locale=C.UTF-8", "--no-locale"}) {
        auto args = common;
        args.emplace_back(locale);
        if (run_tool("initdb", args, &out)) return true;
    }
    *error = "Falha ao criar o cluster em " + layout_.data_dir.string() + ":\n" +
             platform::tail_lines(out, 15);
    return false;
}

bool EmbeddedServer::configure(std::string* error) {
    if (port_ <= 0) {
        *error = "Porta do servidor não definida";
        return false;
    }
    if (!make_server_dir(layout_.data_dir / "log", 0700, layout_.server_user, error)) return false;
    const fs::path conf = layout_.data_dir / "postgresql.conf";
    std::string main_conf = read_file(conf);
    const std::string include = "include_if_exists = 'balcora.conf'";
    if (main_conf.find(include) == std::string::npos) {
        if (!main_conf.empty() && main_conf.back() != '\n') main_conf += '\n';
        main_conf += "\n# Settings of the Balcora program (rewritten at every start).\n";
        main_conf += include + "\n";
        if (!write_cluster_file(conf, main_conf, error)) return false;
    }
    const fs::path ours = layout_.data_dir / "balcora.conf";
    const std::string text = server_config_text(layout_, port_);
    if (read_file(ours) != text && !write_cluster_file(ours, text, error)) return false;
    const fs::path hba = layout_.data_dir / "pg_hba.conf";
    if (read_file(hba) != client_auth_text() && !write_cluster_file(hba, client_auth_text(), error))
        return false;
    return true;
}

std::string EmbeddedServer::log_tail() const {
    std::string out;
    std::error_code ec;
    const fs::path dir = layout_.data_dir / "log";
    fs::path newest;
    fs::file_time_type newest_time;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        if (e.path().filename() == kStartupLog) continue;
        auto t = e.last_write_time(ec);
        if (newest.empty() || t > newest_time) {
            newest = e.path();
            newest_time = t;
        }
    }
    for (const fs::path& f : {dir / kStartupLog, newest}) {
        if (f.empty()) continue;
        std::string text = platform::tail_lines(read_file(f), 8);
        if (!text.empty()) out += "\n" + f.string() + ":\n" + text;
    }
    return out;
}

bool EmbeddedServer::start_once(std::string* error) {
    if (!prepare_folders(error) || !configure(error)) return false;
    std::string out;
    const std::string log = (layout_.data_dir / "log" / kStartupLog).string();
    if (run_tool("pg_ctl",
                 {"start", "-D", layout_.data_dir.string(), "-l", log, "-w", "-t", "60", "-s"},
                 &out))
        return true;
    *error =
        "Falha ao iniciar o servidor PostgreSQL:\n" + platform::tail_lines(out, 8) + log_tail();
    return false;
}

bool EmbeddedServer::start(std::string* error) {
    if (!cluster_exists()) {
        *error = "Nenhum cluster em " + layout_.data_dir.string() + ": execute balcora db init";
        return false;
    }
    if (is_running()) {
        if (listening()) return true;
        if (!stop(error)) return false;
    }
    return start_once(error);
}

bool EmbeddedServer::stop(std::string* error) {
    if (!is_running()) return true;
    std::string out;
    if (run_tool("pg_ctl",
                 {"stop", "-D", layout_.data_dir.string(), "-m", "fast", "-w", "-t", "60", "-s"},
                 &out))
        return true;
    *error = "Falha ao parar o servidor PostgreSQL:\n" + platform::tail_lines(out, 8);
    return false;
}

bool EmbeddedServer::ensure_role_and_database(std::string* error) {
    std::string why;
    auto admin = PgConnection::open(conninfo("postgres"), &why);
    if (!admin) {
        // A cluster made by hand has only the bootstrap superuser, named
        // after the system user that created it.
        std::string bootstrap =
            layout_.server_user.empty() ? own_login_name() : layout_.server_user;
        std::string fallback = "host=" + conninfo_value(layout_.socket_dir.string()) +
                               " port=" + std::to_string(port_) +
                               " dbname=postgres user=" + conninfo_value(bootstrap);
        std::string ignored;
        admin = PgConnection::open(fallback, &ignored);
    }
    if (!admin) {
        *error = "Não foi possível conectar ao servidor: " + why;
        return false;
    }
    auto fail = [&](const std::string& what, const PgResult& r) {
        *error = what + ": " + r.error_message();
        return false;
    };
    const std::string role(kRoleName);
    auto r = admin->exec(
        "SELECT rolsuper AND rolcanlogin, rolpassword IS NULL FROM pg_authid WHERE rolname = " +
        sql_literal(role));
    if (!r.ok()) return fail("Falha ao consultar o papel " + role, r);
    const std::string password = sql_literal(kBuiltInPassword);
    std::vector<std::string> statements;
    if (r.rows() == 0) {
        statements.push_back("CREATE ROLE " + role + " LOGIN SUPERUSER PASSWORD " + password);
    } else {
        if (r.value(0, 0) != "t") statements.push_back("ALTER ROLE " + role + " LOGIN SUPERUSER");
        if (r.value(0, 1) == "t")
            statements.push_back("ALTER ROLE " + role + " PASSWORD " + password);
    }
    const std::string dbname(kDatabaseName);
    r = admin->exec("SELECT 1 FROM pg_database WHERE datname = " + sql_literal(dbname));
    if (!r.ok()) return fail("Falha ao consultar o banco " + dbname, r);
    if (r.rows() == 0)
        statements.push_back("CREATE DATABASE " + dbname + " OWNER " + role +
                             " ENCODING 'UTF8' TEMPLATE template0");
    for (const auto& s : statements) {
        auto done = admin->exec(s);
        if (!done.ok()) return fail("Falha em \"" + s.substr(0, s.find(" PASSWORD")) + "\"", done);
    }
    admin.reset();

    auto conn = PgConnection::open(conninfo(dbname), &why);
    if (!conn) {
        *error = "Não foi possível conectar ao banco " + dbname + ": " + why;
        return false;
    }
    r = conn->exec("SELECT 1 FROM pg_extension WHERE extname = 'dblink'");
    if (r.ok() && r.rows() == 1) return true;
    r = conn->exec("CREATE EXTENSION IF NOT EXISTS dblink");
    if (!r.ok()) {
        *error = "Falha ao instalar a extensão dblink (pacote postgresql-contrib instalado?): " +
                 r.error_message();
        return false;
    }
    return true;
}

bool EmbeddedServer::prepare(std::string* error, const Progress& progress) {
    auto say = [&](const std::string& text) {
        if (progress) progress(text);
    };
    bool port_chosen_now = false;
    if (port_ <= 0) {
        port_ = choose_port();
        if (port_ == 0) {
            *error = "Nenhuma porta livre para o servidor PostgreSQL";
            return false;
        }
        port_chosen_now = true;
    }
    const fs::path ini = root_.ini_file(kSettingsFile);
    if (!complete_local_settings(root_, port_)) {
        *error = "Não foi possível gravar " + ini.string();
        return false;
    }
    if (port_chosen_now) say("Porta " + std::to_string(port_) + " gravada em " + ini.string());
    if (!cluster_exists()) {
        if (!create_cluster(error)) return false;
        say("Cluster criado em " + layout_.data_dir.string());
    }
    if (is_running() && !listening()) {
        // Running with an older port or socket folder: restart on the current ones.
        say("Reiniciando o servidor com a configuração atual");
        if (!stop(error)) return false;
    }
    if (is_running()) {
        say("Servidor já em execução na porta " + std::to_string(port_));
    } else {
        for (int attempt = 1;; ++attempt) {
            if (start_once(error)) break;
            if (port_is_free(port_)) return false;
            if (!port_chosen_now) {
                *error += "\nA porta " + std::to_string(port_) +
                          " está em uso por outro programa: altere \"Porta\" em " + ini.string();
                return false;
            }
            // Another program took the port between our check and the start.
            if (attempt >= kStartRetries) return false;
            int next = first_free_port_from(port_ + 1, port_is_free);
            if (next == 0) return false;
            say("Porta " + std::to_string(port_) + " ocupada; tentando " + std::to_string(next));
            port_ = next;
            if (!complete_local_settings(root_, port_)) {
                *error = "Não foi possível gravar " + ini.string();
                return false;
            }
        }
        say("Servidor iniciado na porta " + std::to_string(port_));
    }
    return ensure_role_and_database(error);
}

bool ensure_local_server(const platform::DataRoot& root, std::string* error) {
    ConnectionSettings settings = read_connection_settings(root);
    if (!settings.is_local()) return true;
    if (settings.port > 0) {
        std::string tcp = "host=127.0.0.1 port=" + std::to_string(settings.port) +
                          " dbname=postgres connect_timeout=5";
        if (PQping(tcp.c_str()) == PQPING_OK) return true;
    }
    EmbeddedServer server(root, settings.port);
    return server.prepare(error);
}

}  // namespace balcora::db
