#include "app/checkout_root.h"
#include "app/commands.h"
#include "globals/checkout_state.h"
#include "gui/qt_prompt_port.h"
#include "gui/shell/menu_principal.h"
#include "ui/environment.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace {

void print_usage() {
    std::puts(
        "Uso: balcora [--root PASTA] [--user LOGIN] [--password SENHA] [comando]\n"
        "\n"
        "Comandos:\n"
        "  db init|start|stop|status|psql   servidor PostgreSQL embutido\n"
        "  sql \"COMANDO\"                    executa um comando SQL\n"
        "  setting get SECAO CHAVE [PADRAO] le uma configuracao\n"
        "  setting set SECAO CHAVE VALOR    grava uma configuracao\n"
        "  aux write --numfab SERIE [--vlgt N] [--md5exe X] [--pafsn 0|1]\n"
        "  aux show                         arquivo auxiliar\n"
        "  demo                             carrega os dados de demonstracao\n"
        "  fiscal sign|verify|public-key    assinatura EAD dos arquivos fiscais\n"
        "  fiscal registers|buyers          registros do PAF-ECF, vendas por CPF/CNPJ\n"
        "  mail ARQUIVO -subject S -to A    envia um e-mail (balcora mail -h)\n"
        "  report --model N --from D --to D --pdf ARQ  relatorio de vendas em PDF\n"
        "  blocox SUBCOMANDO                arquivos do Bloco X (balcora blocox -h)\n"
        "  backoffice SUBCOMANDO            retaguarda: init, serve, stop, link (-h)\n"
        "  backup [--verify]|list|restore   copia de seguranca (balcora backup -h)\n"
        "  presale list|issue|cancel        pre-vendas da retaguarda (balcora presale)\n"
        "  --version                        versao do programa\n"
        "\n"
        "Sem comando: abre o programa (menu principal); --user e --password\n"
        "preenchem o login. A senha pode vir da variavel de ambiente\n"
        "BALCORA_PASSWORD, que nao aparece na lista de processos.");
}

bool has_display() {
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* e = std::getenv(v); e && *e) return true;
    return false;
}

// The program itself: the main menu with its start-up checks. exit_when_ready
// closes it as soon as the frame is up (start-up measurements).
int run_gui(int argc, char** argv, balcora::app::CommandLine& cl, bool exit_when_ready) {
    using namespace balcora;
    if (!has_display()) {
        std::fputs("balcora: a interface grafica precisa de um display (DISPLAY nao definido)\n",
                   stderr);
        return 1;
    }
    ScopedEnvironment env({nullptr, &cl.root, nullptr});
    std::string root_error;
    const bool root_ok = cl.root.create_layout(&root_error);
    std::error_code ec;
    if (root_ok) std::filesystem::current_path(cl.root.program_dir(), ec);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Balcora");
    gui::QtPromptPort qt_prompt;
    ScopedEnvironment gui_env({nullptr, nullptr, &qt_prompt});
    if (!root_ok) {
        std::fprintf(stderr, "balcora: %s\n", root_error.c_str());
        prompt().message("Erro", root_error, ui::Icon::kError);
        return 1;
    }
    gui::set_exit_when_ready(exit_when_ready);
    // The one checkout of the run, handed to everything the menu opens.
    app::CheckoutRoot checkout;
    return MENUPRINCIPAL(checkout.state(), cl.user, cl.password, "0");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace balcora;
    std::filesystem::path root = platform::DataRoot::default_location();
    app::CommandLine cl{platform::DataRoot(root), {}, {}, {}};
    bool exit_when_ready = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--version") {
            std::printf("Balcora %s\n", BALCORA_VERSION);
            return 0;
        }
        if ((a == "--root" || a == "--user" || a == "--password") && i + 1 < argc) {
            std::string v = argv[++i];
            if (a == "--root") root = v;
            if (a == "--user") cl.user = v;
            if (a == "--password") cl.password = v;
            continue;
        }
        if (a == "--exit-when-ready") {
            exit_when_ready = true;
            continue;
        }
        if (a == "-h" || a == "--help") {
            print_usage();
            return 0;
        }
        break;
    }
    cl.root = platform::DataRoot(root);
    // A password given on the command line shows in the process list; one in
    // the environment does not, and is taken away before any program we start
    // could inherit it.
    if (const char* env = std::getenv("BALCORA_PASSWORD")) {
        if (cl.password.empty()) cl.password = env;
        unsetenv("BALCORA_PASSWORD");
    }
    if (i >= argc) return run_gui(argc, argv, cl, exit_when_ready);
    std::string command = argv[i++];
    for (; i < argc; ++i) cl.args.emplace_back(argv[i]);

    ScopedEnvironment env({nullptr, &cl.root, nullptr});
    if (std::string error; !cl.root.create_layout(&error)) {
        std::fprintf(stderr, "balcora: %s\n", error.c_str());
        return 1;
    }
    // Relative names of the program's files resolve from its own folder, as
    // they did from the working directory of the original installation.
    std::error_code ec;
    const std::filesystem::path launch_dir = std::filesystem::current_path(ec);
    std::filesystem::current_path(cl.root.program_dir(), ec);

    if (command == "db") return app::run_db_command(cl);
    if (command == "sql") return app::run_sql_command(cl);
    if (command == "setting") return app::run_setting_command(cl);
    if (command == "aux") return app::run_aux_command(cl);
    if (command == "demo") return app::run_demo_command(cl);
    if (command == "fiscal") return app::run_fiscal_command(cl, launch_dir);
    if (command == "mail") return app::run_mail_command(cl);
    if (command == "report") return app::run_report_command(cl, launch_dir);
    if (command == "blocox") return app::run_blocox_command(cl);
    if (command == "backoffice") return app::run_backoffice_command(cl);
    if (command == "backup") return app::run_backup_command(cl, launch_dir);
    if (command == "presale") return app::run_presale_command(cl);
    std::fprintf(stderr, "balcora: comando desconhecido: %s\n", command.c_str());
    print_usage();
    return 2;
}
