#include "cluster/local_server.h"

#include "cluster/embedded_server.h"
#include "credentials/role_password.h"
#include "db/connection_settings.h"
#include "db/connection_string.h"

#include <libpq-fe.h>

namespace balcora::db {

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
