#include "shell/main_menu.h"

#include "db/settings.h"
#include "globals/globals.h"
#include "ui/environment.h"

namespace balcora::shell {

namespace {

MenuEntry item(std::string text, std::string screen, bool own_window = false) {
    MenuEntry e;
    e.text = std::move(text);
    e.screen = std::move(screen);
    e.own_window = own_window;
    return e;
}

MenuEntry submenu(std::string text, std::vector<MenuEntry> children) {
    MenuEntry e;
    e.text = std::move(text);
    e.children = std::move(children);
    return e;
}

bool built_in(std::string_view screen) {
    return screen == kExitScreen || screen == kInvoiceScreen;
}

void settle_availability(MenuEntry& e) {
    for (auto& child : e.children) settle_availability(child);
    if (e.screen.empty()) {
        // A submenu is usable when any of its items is.
        e.enabled = false;
        for (const auto& child : e.children) e.enabled = e.enabled || child.enabled;
    } else {
        e.enabled = built_in(e.screen) || screens().available(e.screen);
    }
    if (!e.enabled) e.disabled_reason = std::string(kNotYetAvailable);
}

}  // namespace

bool quick_sale_in_menu() {
    return registro_number("PAF-ECF", "QuickSale", 0) == 1;
}

std::vector<Menu> build_main_menu(bool with_quick_sale) {
    MenuEntry exit = item("&Sair", std::string(kExitScreen));
    exit.shortcut = "Esc";
    MenuEntry quick = item("&Quick Sale - Venda Rápida", std::string(kQuickSaleScreen));
    quick.shortcut = "F6";
    quick.shutdown_check_after = true;

    std::vector<Menu> menus = {
        {"&Sistema",
         {item("&Configurações", "CONFIGURACAO"), item("&Administração TEF", "FUNCAOTEF ADM"),
          submenu("Seg&urança", {item("&Cadastro Usuários", "CADASTROUSUARIOS"),
                                 item("Troca de &Senha", "TROCASENHA")}),
          item("Atualizar &Estoque", "ATUALIZAESTOQUEGESTAO", true),
          item("&Retaguarda", "RETAGUARDA", true),
          item("Consulta Envio &Estoque - Bloco X", "BROWSELIBENVEST", true),
          item("Consulta Envio &Redução Z - Bloco X", "BROWSEREG60M", true),
          item("&Cópia de Segurança", "COPIADESEGURANCA"),
          item("&Importação Morvela", "IMPORTACAOMORVELA", true),
          item("I&mpressoras", "BROWSEIMPRESS", true), exit}},
        {"&Tabelas",
         {item("&Produtos", "CONSULTAPRODUTO", true), item("&Vendedores", "CONSULTAVENDEDOR", true),
          item("&Clientes", "BROWSECLIENTES", true),
          // The printer registration window is wired in with the printer's
          // command interface.
          item("&Máquina ECF", "BROWSEMAQECF", true)}},
        {"&Notas Fiscais",
         {item("NF &Consumidor", "BROWSEPED", true), item("&NFe", std::string(kInvoiceScreen))}},
        {"&ECF",
         {item("&Funções ECF", "FUNCOESMAQECF"), item("&Cupom Fiscal", "BRWCFISCAL"), quick,
          submenu("&Relatórios", {item("&Movimento", "RELCFISCAL", true)}),
          item("&Menu Fiscal", "MENUFISCAL"),
          // The virtual printer's paper tape, shown live.
          item("&Bobina", "BOBINA", true)}},
    };
    if (!with_quick_sale) {
        auto& ecf = menus.back().entries;
        std::erase_if(ecf, [](const MenuEntry& e) { return e.screen == kQuickSaleScreen; });
    }
    for (auto& menu : menus)
        for (auto& e : menu.entries) settle_availability(e);
    return menus;
}

void run_invoice_program(CommandRunner& runner) {
    if (glo::pafsn) {
        prompt().message("Aviso", "Função não aplicada a PAF-ECF Simples Nacional",
                         ui::Icon::kWarning);
        return;
    }
    start_reporting_failure(runner, kInvoiceProgram, "programa de notas fiscais eletrônicas");
}

}  // namespace balcora::shell
