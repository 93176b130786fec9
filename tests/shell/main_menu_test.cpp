#include "shell/main_menu.h"
#include "db/settings.h"
#include "globals/globals.h"
#include "shell/recording_runner.h"
#include "shell/screen_registry.h"
#include "support/test_database.h"

namespace balcora::test {

class MainMenu : public DbTest {
  protected:
    static std::vector<std::string> texts(const std::vector<shell::MenuEntry>& entries) {
        std::vector<std::string> out;
        for (const auto& e : entries) out.push_back(e.text);
        return out;
    }
    static const shell::MenuEntry* find(const std::vector<shell::Menu>& menus,
                                        const std::string& screen) {
        for (const auto& m : menus)
            for (const auto& e : m.entries) {
                if (e.screen == screen) return &e;
                for (const auto& c : e.children)
                    if (c.screen == screen) return &c;
            }
        return nullptr;
    }

    shell::ScopedScreenRegistry screens_;
    RecordingRunner runner_;
};

TEST_F(MainMenu, MenusAndItemsComeInOrderWithTheirMnemonicsAndShortcuts) {
    auto menus = shell::build_main_menu(true);
    ASSERT_EQ(menus.size(), 4u);
    EXPECT_EQ(menus[0].text, "&Sistema");
    EXPECT_EQ(texts(menus[0].entries),
              (std::vector<std::string>{
                  "&Configurações", "&Administração TEF", "Seg&urança", "Atualizar &Estoque",
                  "&Retaguarda", "Consulta Envio &Estoque - Bloco X",
                  "Consulta Envio &Redução Z - Bloco X", "&Cópia de Segurança",
                  "&Importação Morvela", "I&mpressoras", "&Sair"}));
    EXPECT_EQ(texts(menus[0].entries[2].children),
              (std::vector<std::string>{"&Cadastro Usuários", "Troca de &Senha"}));
    EXPECT_EQ(menus[1].text, "&Tabelas");
    EXPECT_EQ(texts(menus[1].entries),
              (std::vector<std::string>{"&Produtos", "&Vendedores", "&Clientes", "&Máquina ECF"}));
    EXPECT_EQ(menus[2].text, "&Notas Fiscais");
    EXPECT_EQ(texts(menus[2].entries), (std::vector<std::string>{"NF &Consumidor", "&NFe"}));
    EXPECT_EQ(menus[3].text, "&ECF");
    EXPECT_EQ(
        texts(menus[3].entries),
        (std::vector<std::string>{"&Funções ECF", "&Cupom Fiscal", "&Quick Sale - Venda Rápida",
                                  "&Relatórios", "&Menu Fiscal", "&Bobina"}));
    EXPECT_EQ(texts(menus[3].entries[3].children), std::vector<std::string>{"&Movimento"});

    EXPECT_EQ(find(menus, "SAIR")->shortcut, "Esc");
    const auto* quick = find(menus, "QUICKBALCORA");
    EXPECT_EQ(quick->shortcut, "F6");
    EXPECT_TRUE(quick->shutdown_check_after);
    EXPECT_TRUE(find(menus, "CONSULTAPRODUTO")->own_window);
    EXPECT_FALSE(find(menus, "FUNCOESMAQECF")->own_window);
}

TEST_F(MainMenu, ItemsWithoutTheirScreenAreDisabledWithTheReason) {
    auto menus = shell::build_main_menu(true);
    for (const auto& m : menus)
        for (const auto& e : m.entries) {
            if (e.screen == "SAIR" || e.screen == "NFE") {
                EXPECT_TRUE(e.enabled) << e.text;
                continue;
            }
            EXPECT_FALSE(e.enabled) << e.text;
            EXPECT_EQ(e.disabled_reason, shell::kNotYetAvailable) << e.text;
        }

    shell::register_screen("CONFIGURACAO", [] {});
    shell::register_screen("TROCASENHA", [] {});
    menus = shell::build_main_menu(true);
    EXPECT_TRUE(find(menus, "CONFIGURACAO")->enabled);
    EXPECT_TRUE(find(menus, "TROCASENHA")->enabled);
    EXPECT_FALSE(find(menus, "CADASTROUSUARIOS")->enabled);
    EXPECT_TRUE(menus[0].entries[2].enabled);   // the submenu: one usable item is enough
    EXPECT_FALSE(menus[3].entries[3].enabled);  // "&Relatórios": none
}

TEST_F(MainMenu, QuickSaleIsInTheMenuOnlyWhenTheSettingIsOne) {
    EXPECT_FALSE(shell::quick_sale_in_menu());
    GRAVAREGISTRO("balcora", "PAF-ECF", "QuickSale", "2");
    EXPECT_FALSE(shell::quick_sale_in_menu());
    GRAVAREGISTRO("balcora", "PAF-ECF", "QuickSale", "1");
    EXPECT_TRUE(shell::quick_sale_in_menu());

    auto without = shell::build_main_menu(false);
    EXPECT_EQ(find(without, "QUICKBALCORA"), nullptr);
    EXPECT_EQ(texts(without[3].entries),
              (std::vector<std::string>{"&Funções ECF", "&Cupom Fiscal", "&Relatórios",
                                        "&Menu Fiscal", "&Bobina"}));
}

TEST_F(MainMenu, InvoiceProgramIsRefusedUnderSimplesNacionalAndAMissingOneIsReported) {
    glo::pafsn = 1;
    shell::run_invoice_program(runner_);
    EXPECT_TRUE(runner_.started.empty());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text, "Função não aplicada a PAF-ECF Simples Nacional");

    glo::pafsn = 0;
    prompt_.clear();
    shell::run_invoice_program(runner_);
    EXPECT_EQ(runner_.started, std::vector<std::string>{"nfe"});
    EXPECT_TRUE(prompt_.shown().empty());

    write_ini("Programas", "NFe", "\"/opt/nota fiscal/nfe\" -u", "balcora.ini");
    runner_.missing.insert("\"/opt/nota fiscal/nfe\" -u");
    shell::run_invoice_program(runner_);
    EXPECT_EQ(prompt_.count_containing("programa de notas fiscais eletrônicas"), 1);
}

TEST_F(MainMenu, ScreensOpenThroughTheRegistryAndRegistrationsEndWithTheirScope) {
    int opened = 0;
    {
        shell::ScopedScreenRegistry inner;
        shell::register_screen("BRWCFISCAL", [&] { ++opened; });
        EXPECT_TRUE(shell::open_screen("BRWCFISCAL"));
        EXPECT_EQ(opened, 1);
    }
    EXPECT_FALSE(shell::screen_available("BRWCFISCAL"));
    EXPECT_FALSE(shell::open_screen("BRWCFISCAL"));
    EXPECT_EQ(opened, 1);
}

}  // namespace balcora::test
