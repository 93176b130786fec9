#include "app/commands.h"
#include "shell/startup.h"

namespace balcora::app {

// The same opening as at the program's start: the program's own server is
// brought up (created on the first run) when the settings name this machine,
// then the connection, the schema scripts and the session settings.
bool open_program_database(const CommandLine&) {
    return shell::open_database_at_start();
}

}  // namespace balcora::app
