#include "app/commands.h"
#include "backoffice/backoffice_database.h"
#include "demo/backoffice_demo.h"

#include <cstdio>
#include <exception>
#include <string>

namespace balcora::app {

namespace {

void say(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

int fail(const std::string& text) {
    std::fprintf(stderr, "balcora backoffice: %s\n", text.c_str());
    return 1;
}

int usage() {
    std::fputs(
        "Uso: balcora [--root PASTA] backoffice init [--demo]\n"
        "\n"
        "Cria no servidor desta maquina o banco da retaguarda (esquemas kontora e\n"
        "gestao). --demo carrega a loja de demonstracao (produtos, clientes, tres\n"
        "pre-vendas) e aponta a ligacao com a retaguarda para ele.\n",
        stderr);
    return 2;
}

}  // namespace

int run_backoffice_command(CommandLine& cl) {
    try {
        if (cl.args.empty() || cl.args[0] != "init" || cl.args.size() > 2) return usage();
        const bool demo = cl.args.size() == 2;
        if (demo && cl.args[1] != "--demo") return usage();
        std::string error;
        if (!backoffice::create_backoffice_database(cl.root, &error, say)) return fail(error);
        say("Banco da retaguarda pronto: " + backoffice::backoffice_conninfo(cl.root));
        if (!demo) return 0;
        if (!load_backoffice_demo(backoffice::backoffice_conninfo(cl.root), &error))
            return fail(error);
        say("Retaguarda de demonstração carregada.");
        if (!open_program_database(cl)) return fail("não foi possível abrir o banco do Balcora");
        if (!point_link_at_backoffice_demo(cl.root))
            return fail("não foi possível gravar a configuração da retaguarda");
        say("Configuração da retaguarda aponta para o banco " +
            std::string(backoffice::kBackofficeDatabase) + ".");
        return 0;
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

}  // namespace balcora::app
