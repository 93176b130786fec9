#include "app/commands.h"
#include "shell/demo_data.h"

#include <cstdio>

namespace balcora::app {

int run_demo_command(CommandLine& cl) {
    if (!cl.args.empty()) {
        std::fputs("Uso: balcora demo\n", stderr);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    if (!load_demo_data()) {
        std::fputs("Falha ao carregar os dados de demonstração.\n", stderr);
        return 1;
    }
    std::printf("Dados de demonstração carregados (ECF %s).\n", demo::kPrinterSerial);
    return 0;
}

}  // namespace balcora::app
