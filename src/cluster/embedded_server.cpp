#include "cluster/embedded_server.h"

#include "cluster/file_text.h"
#include "cluster/server_conninfo.h"
#include "cluster/server_programs.h"
#include "platform/process.h"

#include <libpq-fe.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace balcora::db {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockFile = "servidor.lock";

}  // namespace

bool lock_server(const platform::DataRoot& root, platform::FileLock* lock, std::string* error) {
    std::error_code ec;
    fs::create_directories(root.root(), ec);
    return lock->acquire(root.root() / kLockFile, error);
}

EmbeddedServer::EmbeddedServer(const platform::DataRoot& root)
    : EmbeddedServer(root, read_port(root)) {}

EmbeddedServer::EmbeddedServer(const platform::DataRoot& root, int port)
    : root_(root),
      port_(port),
      facts_(current_layout_facts(root.root())),
      layout_(plan_layout(root.root(), facts_)) {}

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

}  // namespace balcora::db
