#include "app/commands.h"
#include "shell/demo_checkout.h"
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
    if (!sale::prepare_demo_checkout()) {
        std::fputs("O dia da impressora de demonstração não pôde ser aberto para hoje.\n", stderr);
        return 1;
    }
    std::puts("Caixa aberto para hoje: use a Venda Rápida (F6) para vender.");
    return 0;
}

}  // namespace balcora::app
