#include "app/blocox_commands.h"
#include "blocox/transmission.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "shell/startup.h"
#include "util/text.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace balcora::app {

namespace {

// The four actions of the fiscal menu and the browses, for a technician or a
// scheduler: the messages of the run go to the terminal, and the exit code
// is 1 while anything stays pending (or unconfirmed, for a query).
int run_action(CommandLine& cl, const char* command, std::string_view action) {
    if (!cl.args.empty()) {
        std::fprintf(stderr, "balcora blocox %s: nao recebe opcoes\n", command);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    const auto company = shell::find_active_company();
    if (!company) {
        std::fprintf(stderr, "balcora blocox %s: nao ha empresa ativa\n", command);
        return 1;
    }
    glo::id_empresa = company->id;
    glo::id_empmatriz = company->head_office;
    // The printer and the day Bloco X applies from come from the auxiliary
    // file, as at the program's start.
    if (!LEARQAUXILIAR() || util::trim(glo::numfab).empty()) {
        std::fprintf(stderr, "balcora blocox %s: impressora fiscal nao autorizada\n", command);
        return 1;
    }
    const int left = BLOCOX(action);
    std::fprintf(stderr, "balcora blocox %s: %s\n", command,
                 left == 0 ? "nada pendente" : "ha arquivos pendentes");
    return left == 0 ? 0 : 1;
}

int send_z(CommandLine& cl) {
    return run_action(cl, "send-z", blocox::kSendReductions);
}
int send_stock(CommandLine& cl) {
    return run_action(cl, "send-stock", blocox::kSendStock);
}
int query_z(CommandLine& cl) {
    return run_action(cl, "query-z", blocox::kQueryReductions);
}
int query_stock(CommandLine& cl) {
    return run_action(cl, "query-stock", blocox::kQueryStock);
}

const BlocoxSubcommand kSendZ{"send-z", "transmite as reducoes Z pendentes", send_z};
const BlocoxSubcommand kSendStock{"send-stock", "transmite os estoques pendentes", send_stock};
const BlocoxSubcommand kQueryZ{"query-z", "consulta o processamento das reducoes Z transmitidas",
                               query_z};
const BlocoxSubcommand kQueryStock{
    "query-stock", "consulta o processamento dos estoques transmitidos", query_stock};

}  // namespace

}  // namespace balcora::app
