#include "app/commands.h"
#include "backoffice/backoffice_database.h"
#include "backoffice/backoffice_link.h"
#include "backoffice/shop_server_link.h"
#include "cluster/embedded_server.h"
#include "cluster/server_config.h"
#include "credentials/link_password.h"
#include "credentials/role_password.h"
#include "db/connection_settings.h"
#include "demo/backoffice_demo.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
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
        "     balcora --root PASTA backoffice serve [--port N] [--listen ENDERECO] [--demo]\n"
        "     balcora --root PASTA backoffice stop\n"
        "     balcora --root CAIXA backoffice link --server ENDERECO --port N\n"
        "             --password-file ARQUIVO|- [--database NOME] [--user NOME]\n"
        "     balcora [--root CAIXA] backoffice stock\n"
        "\n"
        "init: cria no servidor desta maquina o banco da retaguarda (esquemas kontora\n"
        "  e gestao); --demo carrega a loja de demonstracao e aponta a ligacao para ele.\n"
        "serve: servidor da retaguarda de uma loja com varios caixas: um cluster\n"
        "  PostgreSQL proprio em PASTA, escutando em 127.0.0.1 e em ENDERECO (um\n"
        "  endereco IPv4 desta maquina; padrao 127.0.0.1), com senha (scram) para os\n"
        "  caixas; a senha fica em PASTA/privado/balcora.senha. stop: para o servidor.\n"
        "link: aponta a ligacao deste caixa para esse servidor; a senha vem do arquivo\n"
        "  (o balcora.senha do servidor ou uma linha so com a senha; - le da entrada).\n"
        "stock: envia a retaguarda o movimento de estoque ainda nao enviado (para um\n"
        "  agendador; sai com 0 so quando a retaguarda recebeu tudo).\n",
        stderr);
    return 2;
}

// "--name value" pairs and bare flags; false on a word it does not know.
bool read_options(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, std::map<std::string, std::string>* out) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
            (*out)[a] = "1";
        } else if (std::find(valued.begin(), valued.end(), a) != valued.end() &&
                   i + 1 < args.size()) {
            (*out)[a] = args[++i];
        } else {
            return false;
        }
    }
    return true;
}

int port_option(const std::map<std::string, std::string>& o) {
    auto it = o.find("--port");
    return it == o.end() ? 0 : db::parse_port(it->second);
}

int init(CommandLine& cl) {
    if (cl.args.size() > 2) return usage();
    const bool demo = cl.args.size() == 2;
    if (demo && cl.args[1] != "--demo") return usage();
    std::string error;
    if (!backoffice::create_backoffice_database(cl.root, &error, say)) return fail(error);
    say("Banco da retaguarda pronto: " + backoffice::backoffice_conninfo(cl.root));
    if (!demo) return 0;
    if (!load_backoffice_demo(backoffice::backoffice_conninfo(cl.root), &error)) return fail(error);
    say("Retaguarda de demonstração carregada.");
    if (!open_program_database(cl)) return fail("não foi possível abrir o banco do Balcora");
    if (!point_link_at_backoffice_demo(cl.root))
        return fail("não foi possível gravar a configuração da retaguarda");
    say("Configuração da retaguarda aponta para o banco " +
        std::string(backoffice::kBackofficeDatabase) + ".");
    return 0;
}

int serve(CommandLine& cl) {
    std::map<std::string, std::string> o;
    if (!read_options(cl.args, {"--port", "--listen"}, {"--demo"}, &o)) return usage();
    const int port = port_option(o);
    if (o.count("--port") && port == 0) return fail("porta inválida: " + o["--port"]);
    const db::ListenPolicy before = db::read_listen_policy(cl.root);
    std::string address = o.count("--listen")    ? o["--listen"]
                          : before.serves_shop() ? before.shop_address
                                                 : std::string("127.0.0.1");
    if (!db::is_ipv4_address(address))
        return fail("endereço inválido: \"" + address +
                    "\" (use um endereço IPv4 desta máquina, como 192.168.0.10)");
    std::string error;
    {
        // The addresses and the port a server listens on change only at its start.
        db::EmbeddedServer running(cl.root);
        const bool moved =
            (before.shop_address != address) ||
            (port > 0 && running.running_port() > 0 && running.running_port() != port);
        if (running.is_running() && moved) {
            say("Reiniciando o servidor para escutar em " + address + ":" +
                std::to_string(port > 0 ? port : running.port()));
            if (!running.stop(&error)) return fail(error);
        }
    }
    if (!db::write_shop_address(cl.root, address) ||
        (port > 0 && !db::complete_local_settings(cl.root, port)))
        return fail("Pasta não gravável: " + cl.root.ini_dir().string());
    if (!backoffice::create_backoffice_database(cl.root, &error, say)) return fail(error);
    if (o.count("--demo")) {
        if (!load_backoffice_demo(backoffice::backoffice_conninfo(cl.root), &error))
            return fail(error);
        say("Retaguarda de demonstração carregada.");
    }
    const int listening = db::EmbeddedServer(cl.root).port();
    const std::string password_file = db::role_password_file(cl.root).string();
    say("Retaguarda em " + address + ":" + std::to_string(listening) + ", banco " +
        std::string(backoffice::kBackofficeDatabase) + ", usuário " + std::string(db::kRoleName) +
        ".");
    say("Senha do usuário em " + password_file + " (só a conta deste servidor a lê).");
    say("Em cada caixa: balcora --root CAIXA backoffice link --server " + address + " --port " +
        std::to_string(listening) + " --password-file " + password_file);
    return 0;
}

int stop(CommandLine& cl) {
    if (cl.args.size() != 1) return usage();
    db::EmbeddedServer server(cl.root);
    if (!server.is_running()) {
        say("Servidor da retaguarda não está em execução.");
        return 0;
    }
    std::string error;
    if (!server.stop(&error)) return fail(error);
    say("Servidor da retaguarda parado.");
    return 0;
}

int link(CommandLine& cl) {
    std::map<std::string, std::string> o;
    if (!read_options(cl.args, {"--server", "--port", "--password-file", "--database", "--user"},
                      {}, &o) ||
        !o.count("--server") || !o.count("--port") || !o.count("--password-file"))
        return usage();
    backoffice::ShopServer server{
        o["--server"], port_option(o),
        o.count("--database") ? o["--database"] : std::string(backoffice::kBackofficeDatabase),
        o.count("--user") ? o["--user"] : std::string(db::kRoleName)};
    if (!db::is_ipv4_address(server.address))
        return fail("endereço inválido: \"" + server.address + "\" (um endereço IPv4)");
    if (server.port == 0) return fail("porta inválida: " + o["--port"]);
    const std::string& from = o["--password-file"];
    std::string text;
    if (from == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream in(from, std::ios::binary);
        if (!in) return fail("Erro ao abrir o arquivo \"" + from + "\".");
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string password = db::password_in_text(text, server.user);
    if (password.empty()) return fail("nenhuma senha em \"" + from + "\"");
    if (!open_program_database(cl)) return fail("não foi possível abrir o banco do Balcora");
    std::string error;
    if (!backoffice::join_shop_server(cl.root, server, password, &error)) return fail(error);
    say("Ligação com a retaguarda aponta para " + server.address + ":" +
        std::to_string(server.port) + " (banco " + server.database + ", usuário " + server.user +
        "); senha em " + db::link_password_file(cl.root).string() + ".");
    // The link opened as every screen opens it: a failure is shown as they show it.
    if (!backoffice::open_link(backoffice::read_link_settings(), say))
        return fail("a retaguarda não respondeu (a configuração ficou gravada)");
    backoffice::close_link();
    say("Retaguarda respondeu.");
    return 0;
}

}  // namespace

int run_backoffice_command(CommandLine& cl) {
    try {
        if (cl.args.empty()) return usage();
        const std::string& what = cl.args[0];
        if (what == "init") return init(cl);
        if (what == "serve") return serve(cl);
        if (what == "stop") return stop(cl);
        if (what == "link") return link(cl);
        if (what == "stock") return run_backoffice_stock(cl);
        return usage();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}

}  // namespace balcora::app
