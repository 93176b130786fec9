#include "app/blocox_commands.h"

#include <cstdio>
#include <map>
#include <string>

namespace balcora::app {

namespace {

struct Entry {
    const char* usage;
    BlocoxSubcommand::Run run;
};

// Built on first use: the registrations run during static initialisation.
std::map<std::string, Entry>& registry() {
    static std::map<std::string, Entry> entries;
    return entries;
}

int usage() {
    std::fputs("Uso: balcora blocox SUBCOMANDO [opcoes]\n\nSubcomandos:\n", stderr);
    for (const auto& [name, e] : registry())
        std::fprintf(stderr, "  %-12s %s\n", name.c_str(), e.usage);
    std::fputs(
        "\nCodigos de saida dos subcomandos que consultam o Fisco (pendencias, listar,\n"
        "historico, baixar, cancelar, reprocessar):\n"
        "  0 feito (pendencias: nada pendente)\n"
        "  1 pendencias: ha arquivos pendentes, o Fisco e o Balcora concordam\n"
        "  2 linha de comando errada\n"
        "  3 o Fisco nao atendeu o pedido (pendencias: o Fisco e o Balcora divergem)\n"
        "  4 o Fisco nao respondeu: tente mais tarde\n"
        "  5 falha local (banco de dados, empresa, impressora ou arquivo)\n",
        stderr);
    return 2;
}

}  // namespace

BlocoxSubcommand::BlocoxSubcommand(const char* name, const char* usage, Run run) {
    registry()[name] = {usage, run};
}

int run_blocox_command(CommandLine& cl) {
    if (cl.args.empty() || cl.args[0] == "-h" || cl.args[0] == "--help") return usage();
    const auto it = registry().find(cl.args[0]);
    if (it == registry().end()) {
        std::fprintf(stderr, "balcora blocox: subcomando desconhecido: %s\n", cl.args[0].c_str());
        return usage();
    }
    cl.args.erase(cl.args.begin());
    return it->second.run(cl);
}

}  // namespace balcora::app
