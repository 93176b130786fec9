// balcora-gerenciador: a card-payment manager for tests and the demo. It
// answers the program's requests through the files of <root>/tef_dial as a
// real manager does, approving or declining by the rules of an INI file.
#include "manager.h"

#include <csignal>
#include <cstring>
#include <iostream>
#include <string>

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void on_signal(int) {
    stop_requested = 1;
}

int usage() {
    std::cerr << "uso: balcora-gerenciador --root PASTA [--regras ARQUIVO.ini]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root, rules;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if ((word == "--root" || word == "--regras") && i + 1 < argc)
            (word == "--root" ? root : rules) = argv[++i];
        else
            return usage();
    }
    if (root.empty()) return usage();

    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    gerenciador::Manager manager(root, rules, &stop_requested);
    std::cerr << "gerenciador: atendendo " << root << "/tef_dial\n";
    manager.run();
    std::cerr << "gerenciador: encerrado\n";
    return 0;
}
