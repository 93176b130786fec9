#include "db/open_database.h"
#include "app/commands.h"
#include "db/connection_settings.h"
#include "db/embedded_server.h"

#include <cstdio>

namespace balcora::app {

// The program's own server is brought up (created on the first run) when the
// settings name this machine; a remote server is used as it is. Then the
// connection opens exactly as at the program's start.
bool open_program_database(const CommandLine& cl) {
    std::string error;
    if (!db::ensure_local_server(cl.root, &error)) {
        std::fprintf(stderr, "balcora: %s\n", error.c_str());
        return false;
    }
    db::ConnectionSettings settings = db::read_connection_settings(cl.root);
    return INICIABD(settings.is_local() ? std::string() : settings.server);
}

}  // namespace balcora::app
