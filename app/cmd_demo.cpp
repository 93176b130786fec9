#include "app/commands.h"
#include "shell/demo_blocox.h"
#include "shell/demo_checkout.h"
#include "shell/demo_data.h"

#include <cstdio>
#include <string>

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
    // Without the certificates the demo still sells; only Bloco X stays pending.
    std::string error;
    if (prepare_demo_blocox(&error))
        std::printf("Bloco X: certificado de teste e autoridade local em https://127.0.0.1:%d.\n",
                    demo::kBlocoXAuthorityPort);
    else
        std::fprintf(stderr, "Bloco X: certificado de teste não preparado: %s\n", error.c_str());
    if (!sale::prepare_demo_checkout()) {
        std::fputs("O dia da impressora de demonstração não pôde ser aberto para hoje.\n", stderr);
        return 1;
    }
    std::puts("Caixa aberto para hoje: use a Venda Rápida (F6) para vender.");
    return 0;
}

}  // namespace balcora::app
