#pragma once

#include "cluster/server_layout.h"
#include "db/connection_settings.h"
#include "platform/data_root.h"
#include "platform/file_lock.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::db {

class PgConnection;

// Start, stop and set-up of a root's server wait for each other: this lock
// (a file in the root) is held around them. It nests inside one process.
bool lock_server(const platform::DataRoot& root, platform::FileLock* lock, std::string* error);

// The program's private PostgreSQL cluster under a data root. Every method
// reports a failure through *error (Portuguese, quoting the failing
// program's output or the server log) and never throws.
class EmbeddedServer {
  public:
    using Progress = std::function<void(const std::string&)>;

    // Port from balcora.ini (0 when none is set yet).
    explicit EmbeddedServer(const platform::DataRoot& root);
    EmbeddedServer(const platform::DataRoot& root, int port);

    int port() const { return port_; }
    // What start or prepare found wrong in the settings and corrected (a
    // port that did not match the running server, a damaged one); empty
    // when nothing was.
    const std::string& notice() const { return notice_; }
    const ServerLayout& layout() const { return layout_; }
    // libpq connection text over the unix socket (local trust, no password)
    // as the program's role, and as the cluster's superuser.
    std::string conninfo(std::string_view dbname = kDatabaseName) const;
    std::string admin_conninfo(std::string_view dbname = "postgres") const;
    // The port the running server listens on, from its postmaster.pid; 0
    // when it does not run, the file cannot be read or the process it names
    // is not this cluster's postmaster (a file left by a killed server).
    int running_port() const;

    bool cluster_exists() const;
    // The postmaster of this cluster is alive (whatever port it listens on):
    // the pid in postmaster.pid is a live postgres process of the cluster's owner.
    bool is_running() const;
    // A connection to this cluster's socket and port would be accepted now.
    bool answers() const;
    // Something listens on this cluster's socket and port, even if it does
    // not accept connections yet (recovery after a power cut, shutdown).
    bool listening() const;

    bool create_cluster(std::string* error);
    // Writes our configuration files into the cluster (port, socket, memory,
    // logging, client authentication). *changed tells whether a file changed.
    bool configure(std::string* error, bool* changed = nullptr);
    // Starts the server, or keeps the one already running: a running server
    // is never moved to another port. When balcora.ini names another port
    // (changed or damaged) the running one is kept, the file corrected and
    // the progress told so. A missing port is chosen and saved.
    bool start(std::string* error, const Progress& progress = {});
    // Fast shutdown: open sessions are rolled back.
    bool stop(std::string* error);
    // The program's role (not a superuser, with the installation's password
    // from its file, made when missing), its database and the extensions;
    // converts a cluster of an earlier version whose program role was the
    // cluster's superuser, keeping every object and row.
    bool ensure_role_and_database(std::string* error, const Progress& progress = {});

    // Everything a first start needs, skipping what is already done: a port
    // (chosen and saved in balcora.ini when none is set), the cluster, its
    // configuration, a running server, the role, the database and dblink.
    bool prepare(std::string* error, const Progress& progress = {});

  private:
    bool prepare_folders(std::string* error);
    bool start_once(std::string* error);
    bool stop_locked(std::string* error);
    bool bring_up(std::string* error, const Progress& say);
    bool keep_running_server(std::string* error, const Progress& say);
    bool convert_superuser_role(PgConnection& old_superuser, std::string* error);
    bool ensure_database_objects(std::string* error);
    bool postmaster_alive() const;
    bool run_tool(const std::string& tool, const std::vector<std::string>& args,
                  std::string* output) const;
    bool write_cluster_file(const std::filesystem::path& file, const std::string& text,
                            std::string* error) const;
    std::filesystem::path bindir() const;
    std::string log_tail() const;

    platform::DataRoot root_;
    int port_ = 0;
    std::string notice_;
    LayoutFacts facts_;
    ServerLayout layout_;
};

}  // namespace balcora::db
