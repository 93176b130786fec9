#include "support/server_root.h"

#include "cluster/embedded_server.h"
#include "db/connection_settings.h"
#include "platform/ini_file.h"
#include "support/loopback_port.h"

#include <sstream>
#include <stdexcept>

namespace balcora::test {

ServerRoot::ServerRoot() {
    // As root, the postgres user keeps the cluster's data under this folder.
    std::filesystem::permissions(path(), std::filesystem::perms(0755));
    if (!platform::ini_write(root().ini_file(db::kSettingsFile), "Configuracao", "Porta",
                             std::to_string(unused_loopback_port())))
        throw std::runtime_error("cannot write the server's port");
}

ServerRoot::~ServerRoot() {
    std::string ignored;
    db::EmbeddedServer(root(), 0).stop(&ignored);
}

std::string last_line(const std::string& output) {
    std::string line, last;
    std::istringstream in(output);
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

}  // namespace balcora::test
