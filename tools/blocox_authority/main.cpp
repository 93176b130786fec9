// balcora-autoridade-blocox: a Bloco X authority for tests and the demo. It
// serves the web service the client speaks to over HTTPS on 127.0.0.1, checks
// the signature and the form of every file, answers with receipts and, after
// a delay, reports received files as processed. It serves the published
// service "BlocoX" (SOAP 1.1 and 1.2) and its description on GET "?WSDL".
#include "authority.h"
#include "tls_server.h"
#include "xml_security.h"

#include <csignal>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t stop_requested = 0;

void on_signal(int) {
    stop_requested = 1;
}

int usage() {
    std::cerr << "uso: balcora-autoridade-blocox --root PASTA --cert CERT.pem --key CHAVE.pem "
                 "--port N --assinante CERT.pem [--regras ARQUIVO.ini]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root, cert, key, port_text, signer, rules;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        std::string* target = word == "--root"        ? &root
                              : word == "--cert"      ? &cert
                              : word == "--key"       ? &key
                              : word == "--port"      ? &port_text
                              : word == "--assinante" ? &signer
                              : word == "--regras"    ? &rules
                                                      : nullptr;
        if (!target || i + 1 >= argc) return usage();
        *target = argv[++i];
    }
    char* end = nullptr;
    long port = std::strtol(port_text.c_str(), &end, 10);
    if (root.empty() || cert.empty() || key.empty() || signer.empty() || port_text.empty() ||
        *end != '\0' || port < 0 || port > 65535)
        return usage();

    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    blocox::XmlSecurity xml_security;
    std::string error;
    blocox::Authority authority(root, rules);
    // The books are one: connections are served at once, their requests
    // handled one after another.
    std::mutex books;
    blocox::TlsServer server;
    if (!xml_security.ready() || !authority.open(signer, &error) ||
        !server.open(cert, key, static_cast<int>(port), &error)) {
        std::cerr << "autoridade: " << (error.empty() ? "falha ao iniciar" : error) << "\n";
        return 1;
    }
    authority.set_port(server.port());
    // The port in a file of the root, for whoever started it on any free port.
    {
        std::ofstream(fs::path(root) / "porta.tmp") << server.port() << "\n";
        fs::rename(fs::path(root) / "porta.tmp", fs::path(root) / "porta");
    }
    std::cerr << "autoridade: atendendo em https://127.0.0.1:" << server.port() << "/blocox\n";
    while (!stop_requested) {
        server.serve_one(500, [&](const blocox::HttpRequest& request) {
            std::lock_guard<std::mutex> lock(books);
            return authority.handle(request);
        });
        std::lock_guard<std::mutex> lock(books);
        authority.process_due();
    }
    std::cerr << "autoridade: encerrada\n";
    return 0;
}
