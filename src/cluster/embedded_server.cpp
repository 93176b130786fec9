#include "cluster/embedded_server.h"

#include "credentials/role_password.h"
#include "db/connection_string.h"
#include "db/pg_handles.h"
#include "platform/ini_file.h"
#include "platform/process.h"

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace balcora::db {

namespace fs = std::filesystem;

namespace {

constexpr int kStartRetries = 5;
constexpr const char* kStartupLog = "startup.log";
constexpr const char* kLockFile = "servidor.lock";

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

fs::path own_home() {
    struct passwd pw_buf;
    struct passwd* pw = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(geteuid(), &pw_buf, buf.data(), buf.size(), &pw) != 0 || !pw || !pw->pw_dir)
        return "/";
    return pw->pw_dir;
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
//   gets its socket folder in a place no other account can create names in:
//   /run/balcora for root, the account's own home otherwise (never /tmp,
//   where anyone could take the name first). The worst-case port length is
//   assumed so a port change never moves it.
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
        l.socket_dir = facts.running_as_root ? fs::path("/run/balcora") / tag
                                             : facts.home / ".balcora" / ("run-" + tag);
    return l;
}

LayoutFacts current_layout_facts(const fs::path& root) {
    LayoutFacts f;
    f.uid = geteuid();
    f.running_as_root = f.uid == 0;
    f.home = own_home();
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
    const std::string admin(kAdminRoleName), role(kRoleName);
    std::string text =
        "# Written by Balcora.\n"
        "# The socket folder is open only to the server's user (and root): whoever\n"
        "# reaches it is the shop's account, which needs no password there. By\n"
        "# address only the program's own role gets in, with its password.\n"
        "# TYPE  DATABASE  USER           ADDRESS       METHOD\n";
    text += "local   all       " + admin + "                trust\n";
    text += "local   all       " + role + "                      trust\n";
    text += "host    all       " + role + "        127.0.0.1/32  scram-sha-256\n";
    return text;
}

bool lock_server(const platform::DataRoot& root, platform::FileLock* lock, std::string* error) {
    std::error_code ec;
    fs::create_directories(root.root(), ec);
    return lock->acquire(root.root() / kLockFile, error);
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

static std::string socket_conninfo(const ServerLayout& layout, int port, std::string_view dbname,
                                   std::string_view user) {
    return "host=" + conninfo_value(layout.socket_dir.string()) + " port=" + std::to_string(port) +
           " dbname=" + conninfo_value(std::string(dbname)) +
           " user=" + conninfo_value(std::string(user));
}

// A session that is, or may be, a superuser: its search path is pinned from
// the first statement on.
static std::string pinned_conninfo(std::string conninfo) {
    std::string path(kPinnedSearchPath);
    path.erase(std::remove(path.begin(), path.end(), ' '), path.end());
    return conninfo + " options=" + conninfo_quote("-c search_path=" + path);
}

std::string EmbeddedServer::conninfo(std::string_view dbname) const {
    return socket_conninfo(layout_, port_, dbname, kRoleName);
}

std::string EmbeddedServer::admin_conninfo(std::string_view dbname) const {
    return pinned_conninfo(socket_conninfo(layout_, port_, dbname, kAdminRoleName));
}

namespace {

// postmaster.pid: pid, data folder, start time, port, ... one per line.
std::vector<std::string> pid_file_lines(const fs::path& data_dir, int count) {
    std::ifstream in(data_dir / "postmaster.pid");
    std::vector<std::string> lines;
    std::string line;
    while (static_cast<int>(lines.size()) < count && std::getline(in, line)) lines.push_back(line);
    return lines;
}

// The process is a postgres server owned by the cluster's owner. A pid left
// by a killed server may since belong to anyone's program.
bool is_postmaster_of(long pid, const fs::path& data_dir) {
    if (pid <= 0) return false;
    const fs::path proc = fs::path("/proc") / std::to_string(pid);
    struct stat process_st, data_st;
    if (stat(proc.c_str(), &process_st) != 0 || stat(data_dir.c_str(), &data_st) != 0) return false;
    if (process_st.st_uid != data_st.st_uid) return false;
    std::string comm = read_file(proc / "comm");
    while (!comm.empty() && (comm.back() == '\n' || comm.back() == ' ')) comm.pop_back();
    if (comm != "postgres" && comm != "postmaster") return false;
    // "pid (comm) state ...": a zombie is a server that has ended.
    const std::string stat_line = read_file(proc / "stat");
    const auto close = stat_line.rfind(')');
    if (close == std::string::npos || stat_line.compare(close, 3, ") Z") == 0) return false;
    // A server runs in its data folder; where we may look, it must be this one.
    std::error_code ec, ec2;
    const fs::path cwd = fs::read_symlink(proc / "cwd", ec);
    const fs::path data = fs::canonical(data_dir, ec2);
    return ec || ec2 || cwd == data;
}

}  // namespace

bool EmbeddedServer::postmaster_alive() const {
    auto lines = pid_file_lines(layout_.data_dir, 1);
    if (lines.empty()) return false;
    char* end = nullptr;
    long pid = std::strtol(lines[0].c_str(), &end, 10);
    if (end == lines[0].c_str()) return false;
    return is_postmaster_of(pid, layout_.data_dir);
}

int EmbeddedServer::running_port() const {
    auto lines = pid_file_lines(layout_.data_dir, 4);
    if (lines.size() < 4 || !postmaster_alive()) return 0;
    return parse_port(lines[3]);
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
    return cluster_exists() && postmaster_alive();
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
    // A socket folder outside the root (a deep root) sits in a folder of our own.
    const fs::path socket_parent = layout_.socket_dir.parent_path();
    if (socket_parent != root_.root() && socket_parent != layout_.data_dir.parent_path() &&
        !make_server_dir(socket_parent, facts_.running_as_root ? 0755 : 0700, {}, error))
        return false;
    return make_server_dir(layout_.data_dir, 0700, layout_.server_user, error) &&
           make_server_dir(layout_.socket_dir, 0700, layout_.server_user, error);
}

bool EmbeddedServer::create_cluster(std::string* error) {
    if (cluster_exists()) return true;
    if (!prepare_folders(error)) return false;
    const std::vector<std::string> common{"-D",
                                          layout_.data_dir.string(),
                                          "-U",
                                          std::string(kAdminRoleName),
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

bool EmbeddedServer::configure(std::string* error, bool* changed) {
    bool ignored = false;
    if (!changed) changed = &ignored;
    *changed = false;
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
        *changed = true;
    }
    const fs::path ours = layout_.data_dir / "balcora.conf";
    const std::string text = server_config_text(layout_, port_);
    if (read_file(ours) != text) {
        if (!write_cluster_file(ours, text, error)) return false;
        *changed = true;
    }
    const fs::path hba = layout_.data_dir / "pg_hba.conf";
    if (read_file(hba) != client_auth_text()) {
        if (!write_cluster_file(hba, client_auth_text(), error)) return false;
        *changed = true;
    }
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

// "Porta" as written, for messages about a damaged one.
static std::string port_text(const platform::DataRoot& root) {
    return platform::ini_read(root.ini_file(kSettingsFile), kSettingsSection, "Porta");
}

// A running server stays on its port: stopping it could cut a sale in the
// middle, and a damaged setting is no reason to. The setting follows it.
bool EmbeddedServer::keep_running_server(std::string* error, const Progress& say) {
    const int running = running_port();
    const fs::path ini = root_.ini_file(kSettingsFile);
    if (running > 0 && running != port_) {
        const std::string found = "Porta \"" + port_text(root_) + "\" em " + ini.string() +
                                  (port_ > 0 ? "" : " inválida");
        const std::string at = "o servidor já está em execução na porta " + std::to_string(running);
        port_ = running;
        if (!complete_local_settings(root_, port_)) {
            *error = found + " e " + at + ": Pasta não gravável: " + ini.parent_path().string();
            return false;
        }
        notice_ = found + ", mas " + at + ": servidor mantido nessa porta e " + ini.string() +
                  " corrigido. Para usar outra porta, pare o servidor (balcora db stop), altere "
                  "Porta e inicie-o de novo.";
        say(notice_);
    }
    bool changed = false;
    if (!configure(error, &changed)) return false;
    if (changed) {
        std::string out;
        if (!run_tool("pg_ctl", {"reload", "-D", layout_.data_dir.string(), "-s"}, &out)) {
            *error =
                "Falha ao recarregar a configuração do servidor:\n" + platform::tail_lines(out, 8);
            return false;
        }
        say("Configuração do servidor atualizada");
    }
    return true;
}

bool EmbeddedServer::bring_up(std::string* error, const Progress& say) {
    // A caller we waited for may have chosen and saved the port meanwhile.
    if (port_ <= 0) port_ = read_port(root_);
    if (is_running()) {
        if (!keep_running_server(error, say)) return false;
        if (listening()) {
            say("Servidor já em execução na porta " + std::to_string(port_));
            return true;
        }
        say("Servidor em execução sem responder em " + layout_.socket_dir.string() +
            ": reiniciando");
        if (!stop_locked(error)) return false;
    }
    const fs::path ini = root_.ini_file(kSettingsFile);
    bool port_chosen_now = false;
    if (port_ <= 0) {
        const std::string was = port_text(root_);
        port_ = choose_port();
        if (port_ == 0) {
            *error = "Nenhuma porta livre para o servidor PostgreSQL";
            return false;
        }
        port_chosen_now = true;
        if (!complete_local_settings(root_, port_)) {
            *error = "Pasta não gravável: " + ini.parent_path().string();
            return false;
        }
        const std::string text =
            (was.empty() ? "Porta " : "Porta \"" + was + "\" inválida; porta ") +
            std::to_string(port_) + " gravada em " + ini.string();
        if (!was.empty()) notice_ = text;
        say(text);
    }
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
            *error = "Pasta não gravável: " + ini.parent_path().string();
            return false;
        }
    }
    say("Servidor iniciado na porta " + std::to_string(port_));
    return true;
}

bool EmbeddedServer::start(std::string* error, const Progress& progress) {
    platform::FileLock lock;
    if (!lock_server(root_, &lock, error)) return false;
    if (!cluster_exists()) {
        *error = "Nenhum cluster em " + layout_.data_dir.string() + ": execute balcora db init";
        return false;
    }
    return bring_up(error, [&](const std::string& text) {
        if (progress) progress(text);
    });
}

bool EmbeddedServer::stop(std::string* error) {
    platform::FileLock lock;
    if (!lock_server(root_, &lock, error)) return false;
    return stop_locked(error);
}

bool EmbeddedServer::stop_locked(std::string* error) {
    if (!is_running()) return true;
    std::string out;
    if (run_tool("pg_ctl",
                 {"stop", "-D", layout_.data_dir.string(), "-m", "fast", "-w", "-t", "60", "-s"},
                 &out))
        return true;
    *error = "Falha ao parar o servidor PostgreSQL:\n" + platform::tail_lines(out, 8);
    return false;
}

namespace {

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

bool EmbeddedServer::prepare(std::string* error, const Progress& progress) {
    auto say = [&](const std::string& text) {
        if (progress) progress(text);
    };
    platform::FileLock lock;
    if (!lock_server(root_, &lock, error)) return false;
    if (!cluster_exists()) {
        if (!create_cluster(error)) return false;
        say("Cluster criado em " + layout_.data_dir.string());
    }
    if (!bring_up(error, say)) return false;
    if (!complete_local_settings(root_, port_)) {
        *error = "Pasta não gravável: " + root_.ini_dir().string();
        return false;
    }
    return ensure_role_and_database(error, say);
}

bool ensure_local_server(const platform::DataRoot& root, std::string* error, std::string* notes) {
    ConnectionSettings settings = read_connection_settings(root);
    if (!settings.is_local()) return true;
    EmbeddedServer server(root, settings.port);
    const bool ours = server.cluster_exists();
    if (ours && settings.port > 0 && !read_role_password(root).empty() &&
        server.running_port() == settings.port && server.answers())
        return true;
    if (!ours && settings.port > 0) {
        const std::string tcp = "hostaddr=127.0.0.1 port=" + std::to_string(settings.port) +
                                " dbname=postgres connect_timeout=5";
        if (PQping(tcp.c_str()) == PQPING_OK) return true;
    }
    bool ok = server.prepare(error);
    if (notes) *notes = server.notice();
    return ok;
}

std::string program_conninfo(const platform::DataRoot& root, std::string_view connection_string) {
    std::string socket;
    const ConnectionSettings settings = read_connection_settings(root);
    if (settings.is_local()) {
        EmbeddedServer server(root, settings.port);
        if (server.cluster_exists()) socket = server.layout().socket_dir.string();
    }
    return libpq_conninfo(connection_string, socket);
}

}  // namespace balcora::db
