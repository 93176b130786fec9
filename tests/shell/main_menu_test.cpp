#include "shell/main_menu.h"
#include "db/settings.h"
#include "globals/globals.h"
#include "shell/recording_runner.h"
#include "support/test_database.h"

#include <algorithm>

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

    RecordingRunner runner_;
};

TEST_F(MainMenu, MenusComeInOrderEachItemWithOneMnemonicAndTheKeysWhereTheyBelong) {
    auto menus = shell::build_main_menu(true);
    std::vector<std::string> titles;
    for (const auto& m : menus) titles.push_back(m.text);
    EXPECT_EQ(titles, (std::vector<std::string>{"&Sistema", "&Tabelas", "&Notas Fiscais", "&ECF"}));
    for (const auto& m : menus)
        for (const auto& e : m.entries)
            EXPECT_EQ(std::count(e.text.begin(), e.text.end(), '&'), 1) << e.text;
    // Leaving is the last item of the first menu; Quick Sale follows the coupons.
    EXPECT_EQ(menus[0].entries.back().screen, "SAIR");
    EXPECT_EQ(menus[0].entries.back().shortcut, "Esc");
    EXPECT_EQ(texts(menus[3].entries)[1], "&Cupom Fiscal");
    const auto* quick = find(menus, "QUICKBALCORA");
    ASSERT_EQ(quick, &menus[3].entries[2]);
    EXPECT_EQ(quick->shortcut, "F6");
    EXPECT_TRUE(quick->shutdown_check_after);
}

TEST_F(MainMenu, ItemsWithoutTheirProcedureAreDisabledAndQuickSaleLeavesWithItsSetting) {
    auto menus = shell::build_main_menu(true);
    for (const auto& m : menus)
        for (const auto& e : m.entries) {
            const bool built_in = e.screen == "SAIR" || e.screen == "NFE";
            EXPECT_EQ(e.enabled, built_in) << e.text;
            if (!built_in) EXPECT_EQ(e.disabled_reason, shell::kNotYetAvailable) << e.text;
        }

    screens_.provide("TROCASENHA", [](const ui::ScreenPort::Arguments&) { return 0; });
    menus = shell::build_main_menu(true);
    EXPECT_TRUE(find(menus, "TROCASENHA")->enabled);
    EXPECT_FALSE(find(menus, "CADASTROUSUARIOS")->enabled);
    EXPECT_TRUE(menus[0].entries[2].enabled);   // "Seg&urança": one usable item is enough
    EXPECT_FALSE(menus[3].entries[3].enabled);  // "&Relatórios": none

    EXPECT_FALSE(shell::quick_sale_in_menu());
    GRAVAREGISTRO("balcora", "PAF-ECF", "QuickSale", "2");
    EXPECT_FALSE(shell::quick_sale_in_menu());
    GRAVAREGISTRO("balcora", "PAF-ECF", "QuickSale", "1");
    EXPECT_TRUE(shell::quick_sale_in_menu());
    auto without = shell::build_main_menu(false);
    EXPECT_EQ(find(without, "QUICKBALCORA"), nullptr);
    auto ecf = texts(menus[3].entries);
    std::erase(ecf, "&Quick Sale - Venda Rápida");
    EXPECT_EQ(texts(without[3].entries), ecf);
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

}  // namespace balcora::test
