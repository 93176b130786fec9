#include "gui/shell/main_frame.h"
#include "globals/globals.h"
#include "gui_support/screenshot.h"
#include "shell/main_menu.h"
#include "shell/recording_runner.h"
#include "support/test_checkout.h"
#include "support/test_database.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace balcora::test {

class MainFrameGui : public DbTest, protected TestCheckout {
  protected:
    MainFrameGui() {
        provide("CONFIGURACAO", [this] { opened_.push_back("CONFIGURACAO"); });
        provide("CADASTROUSUARIOS", [] {});
        provide("TROCASENHA", [] {});
        frame_.set_command_runner(runner_);
    }

    void provide(const char* name, std::function<void()> open) {
        screens_.provide(name, [open](const ui::ScreenPort::Arguments&) {
            open();
            return 0;
        });
    }

    static QStringList action_texts(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) out << a->text();
        return out;
    }

    RecordingRunner runner_;
    std::vector<std::string> opened_;
    gui::MainFrame frame_{checkout_};
};

TEST_F(MainFrameGui, EveryMenuAndItemIsThereInOrderAndUnbuiltScreensAreDisabled) {
    frame_.set_menus(shell::build_main_menu(true));
    frame_.set_title("Balcora PDV 1.0.13 - [MERCADO CENTRAL]");
    frame_.set_company("MERCADO CENTRAL");
    frame_.set_operator("demo");
    frame_.show();

    QStringList menus;
    for (QAction* a : frame_.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&Sistema", "&Tabelas", "&Notas Fiscais", "&ECF"}));

    QMenu* sistema = frame_.menuBar()->actions()[0]->menu();
    EXPECT_EQ(action_texts(sistema),
              (QStringList{"&Configurações", "&Administração TEF", "Seg&urança",
                           "Atualizar &Estoque", "&Retaguarda", "Consulta Envio &Estoque - Bloco X",
                           "Consulta Envio &Redução Z - Bloco X", "&Cópia de Segurança",
                           "&Importação Morvela", "I&mpressoras", "&Sair"}));
    QMenu* ecf = frame_.menuBar()->actions()[3]->menu();
    EXPECT_EQ(action_texts(ecf),
              (QStringList{"&Funções ECF", "&Cupom Fiscal", "&Quick Sale - Venda Rápida",
                           "&Relatórios", "&Menu Fiscal", "&Bobina"}));

    EXPECT_TRUE(frame_.action_for("CONFIGURACAO")->isEnabled());
    EXPECT_TRUE(frame_.action_for("TROCASENHA")->isEnabled());
    EXPECT_TRUE(frame_.action_for("NFE")->isEnabled());
    for (const char* later : {"FUNCAOTEF ADM", "BROWSEMAQECF", "BRWCFISCAL", "MENUFISCAL",
                              "RELCFISCAL", "COPIADESEGURANCA", "QUICKBALCORA"}) {
        QAction* a = frame_.action_for(later);
        ASSERT_NE(a, nullptr) << later;
        EXPECT_FALSE(a->isEnabled()) << later;
        EXPECT_EQ(a->toolTip().toStdString(), shell::kNotYetAvailable);
    }
    EXPECT_EQ(frame_.action_for("SAIR")->shortcut(), QKeySequence(Qt::Key_Escape));
    // A disabled Quick Sale must not answer F6, nor be offered.
    EXPECT_TRUE(frame_.action_for("QUICKBALCORA")->shortcut().isEmpty());
    EXPECT_EQ(frame_.findChild<QLabel*>("teclas")->text(), "Esc Sair");

    EXPECT_EQ(frame_.windowTitle(), "Balcora PDV 1.0.13 - [MERCADO CENTRAL]");
    EXPECT_EQ(frame_.statusBar()->findChild<QLabel*>("operador")->text(), "demo");
    save_screenshot(frame_, "main_frame");

    sistema->popup(frame_.mapToGlobal(QPoint(0, frame_.menuBar()->height())));
    QApplication::processEvents();
    save_screenshot(*sistema, "main_frame_menu_sistema");
    sistema->hide();
}

TEST_F(MainFrameGui, ItemsOpenTheirScreensAndWithoutQuickSaleSettingTheItemIsGone) {
    frame_.set_menus(shell::build_main_menu(false));
    EXPECT_EQ(frame_.action_for("QUICKBALCORA"), nullptr);
    frame_.action_for("CONFIGURACAO")->trigger();
    EXPECT_EQ(opened_, std::vector<std::string>{"CONFIGURACAO"});

    glo::pafsn = 0;
    frame_.action_for("NFE")->trigger();
    EXPECT_EQ(runner_.started, std::vector<std::string>{"nfe"});
}

TEST_F(MainFrameGui, ClosingAsksAndNoKeepsTheFrameOpen) {
    frame_.set_menus(shell::build_main_menu(true));
    frame_.show();
    int closed = 0;
    QObject::connect(&frame_, &gui::MainFrame::closed, [&] { ++closed; });

    prompt_.answer(false);
    frame_.action_for("SAIR")->trigger();  // "&Sair" or Esc
    EXPECT_TRUE(frame_.isVisible());
    EXPECT_EQ(closed, 0);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Confirme");
    EXPECT_EQ(prompt_.shown()[0].text, "Confirma fechar Balcora?");

    prompt_.answer(true);
    frame_.close();  // the window's own close button asks the same
    EXPECT_FALSE(frame_.isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(prompt_.shown().size(), 2u);
}

TEST_F(MainFrameGui, QuickSaleOnF6EndsWithTheShutDownWhenTheOperatorChoseIt) {
    int sales = 0;
    provide("QUICKBALCORA", [&] {
        ++sales;
        checkout_.flag_desligar = 1;
    });
    frame_.set_menus(shell::build_main_menu(true));
    frame_.show();
    int closed = 0;
    QObject::connect(&frame_, &gui::MainFrame::closed, [&] { ++closed; });
    QAction* quick = frame_.action_for("QUICKBALCORA");
    ASSERT_TRUE(quick->isEnabled());
    EXPECT_EQ(quick->shortcut(), QKeySequence(Qt::Key_F6));
    quick->trigger();
    EXPECT_EQ(frame_.findChild<QLabel*>("teclas")->text().left(2), "F6");
    EXPECT_EQ(sales, 1);
    EXPECT_EQ(runner_.ran, std::vector<std::string>{"systemctl poweroff"});
    EXPECT_EQ(closed, 1);
    EXPECT_TRUE(prompt_.shown().empty());  // nobody is asked when the machine goes down
}

TEST_F(MainFrameGui, ResizingKeepsTheFrameSizeInTheGlobals) {
    frame_.show();
    frame_.resize(900, 640);
    QApplication::processEvents();
    EXPECT_EQ(glo::appxsize, frame_.width());
    EXPECT_EQ(glo::appysize, frame_.height());
}

}  // namespace balcora::test
