#include "app/commands.h"
#include "backoffice/backoffice_database.h"
#include "db/connection_settings.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "demo/backoffice_demo.h"
#include "demo/demo_blocox.h"
#include "demo/demo_checkout.h"
#include "demo/demo_data.h"
#include "util/fixed_point_text.h"

#include <cstdio>
#include <string>

namespace balcora::app {

namespace {

// Checkout n of a shop: its printer has number n in the register, so that
// the movements it exports are told from the other checkouts'.
bool number_the_printer(long long n) {
    if (n == 1) return true;
    return QUERYSQL("UPDATE balcora.maqecf SET numero=" + std::to_string(n) +
                    " WHERE id_maqecf=1;") == "1" &&
           db::store_hash("maqecf", 1);
}

}  // namespace

int run_demo_command(CommandLine& cl) {
    long long checkout = 1;
    if (!cl.args.empty()) {
        const auto n = util::read_integer(cl.args.size() == 2 ? cl.args[1] : std::string());
        checkout = cl.args[0] == "--caixa" && n.valid ? n.value : 0;
    }
    if (checkout < 1 || checkout > 999) {
        std::fputs("Uso: balcora demo [--caixa N]\n", stderr);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    if (!load_demo_data() || !load_demo_inventories() || !number_the_printer(checkout)) {
        std::fputs("Falha ao carregar os dados de demonstração.\n", stderr);
        return 1;
    }
    std::printf("Dados de demonstração carregados (ECF %s, caixa %lld).\n", demo::kPrinterSerial,
                checkout);
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
    // The back office of the demonstration lives in this machine's cluster;
    // a shop on a remote server has its own.
    if (!db::read_connection_settings(cl.root).is_local()) return 0;
    error.clear();
    if (!backoffice::create_backoffice_database(cl.root, &error) ||
        !load_backoffice_demo(backoffice::backoffice_conninfo(cl.root), &error) ||
        !point_link_at_backoffice_demo(cl.root)) {
        std::fprintf(stderr, "Retaguarda de demonstração não carregada: %s\n", error.c_str());
        return 1;
    }
    std::printf("Retaguarda de demonstração no banco %s: três pré-vendas aguardam.\n",
                std::string(backoffice::kBackofficeDatabase).c_str());
    return 0;
}

}  // namespace balcora::app
