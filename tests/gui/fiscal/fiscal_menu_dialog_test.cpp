#include "gui/fiscal/fiscal_menu_dialog.h"

#include "db/settings.h"
#include "ecf/printer.h"
#include "ecf/printer_layouts.h"
#include "fiscal/ead_signing.h"
#include "gui/modal_helper.h"
#include "gui/provide_windows.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "sale/sale_fixture.h"
#include "shell/main_menu.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>

namespace balcora::test {

namespace {

QString focused(QDialog& d) {
    return d.focusWidget() ? d.focusWidget()->objectName() : QString();
}

// A period window left with nothing typed: "&Gerar" keeps it open on the
// start field, without a message.
void refuses_an_empty_start(QDialog& d, const char* start_field) {
    child<QPushButton>(d, "generate")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(focused(d), start_field);
}

}  // namespace

class FiscalMenuGui : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
        gui::provide_frame_windows(screens_, nullptr);
    }
    // Runs the menu as the main menu does, with `drive` acting in it.
    void run_menu(std::function<void(QDialog&)> drive) {
        on_next_window("fiscal_menu_dialog", std::move(drive));
        EXPECT_TRUE(screens_.run("MENUFISCAL").has_value());
    }
};

TEST_F(FiscalMenuGui, TheMainMenuItemOpensTheMenuWithItsButtonsInOrder) {
    bool enabled = false;
    for (const auto& menu : shell::build_main_menu(false))
        for (const auto& e : menu.entries)
            if (e.screen == "MENUFISCAL") enabled = e.enabled;
    EXPECT_TRUE(enabled);

    run_menu([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Menu Fiscal");
        EXPECT_EQ(child<QLabel>(d, "line1")->text(), "Caixa: 001 - com1: ");
        const QStringList captions = {"LX",
                                      "LMF",
                                      "Arq. MF",
                                      "Arq. MFD",
                                      "Arq. AC 17/04",
                                      "Envio ao FISCO-REDUÇÃO Z",
                                      "Envio ao FISCO-ESTOQUE",
                                      "Testa Comando",
                                      "Registros do PAF-ECF",
                                      "Identificação do PAF-ECF",
                                      "Tab. Índice Técnico de Produção",
                                      "Parametros de Configuração",
                                      "Espelho MFD",
                                      "Vendas Ident. CPF/CNPJ",
                                      "&Fechar"};
        for (int i = 0; i < captions.size(); ++i)
            EXPECT_EQ(child<QPushButton>(d, qPrintable(QString("button%1").arg(i + 1)))->text(),
                      captions[i]);
        save_screenshot(d, "fiscal_menu");
        child<QPushButton>(d, "button15")->click();
    });
    EXPECT_EQ(prompt_.count_containing("Erro"), 0);
}

TEST_F(FiscalMenuGui, EachWindowOfTheMenuChecksItsFieldsAndClosesAfterItsCommand) {
    ASSERT_TRUE(ecf::send(ecf::CMD_OPEN_DAY, {*ecf::opening_supply({})}));
    run_menu([](QDialog& menu) {
        on_next_window("lmf_dialog", [](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Leitura da Memória Fiscal - LMF");
            EXPECT_TRUE(child<QRadioButton>(d, "complete")->isChecked());
            EXPECT_TRUE(child<QRadioButton>(d, "print")->isChecked());
            EXPECT_FALSE(child<QLineEdit>(d, "start_number")->isEnabled());
            refuses_an_empty_start(d, "start_date");
            child<QRadioButton>(d, "by_number")->click();
            EXPECT_FALSE(child<QLineEdit>(d, "start_date")->isEnabled());
            child<QLineEdit>(d, "start_number")->setText("2");
            child<QLineEdit>(d, "end_number")->setText("1");
            // S is "&Gerar": the end before the start takes the focus back.
            key(child<QLineEdit>(d, "end_number"), Qt::Key_S, "s");
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(focused(d), "end_number");
            save_screenshot(d, "fiscal_lmf");
            // N is "&Fechar".
            key(child<QLineEdit>(d, "end_number"), Qt::Key_N, "n");
        });
        child<QPushButton>(menu, "button2")->click();

        on_next_window("cotepe_dialog", [](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Arquivo MF - Ato COTEPE 17/04");
            EXPECT_EQ(child<QComboBox>(d, "type")->count(), 5);
            EXPECT_EQ(child<QComboBox>(d, "type")->itemText(4), "4-RFD");
            refuses_an_empty_start(d, "start_date");
            save_screenshot(d, "fiscal_cotepe");
            d.reject();
        });
        child<QPushButton>(menu, "button5")->click();

        on_next_window("mfd_mirror_dialog", [](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Gera Arquivo Espelhos da MFD");
            refuses_an_empty_start(d, "start_date");
            child<QLineEdit>(d, "start_date")->setText("07/12/2026");
            child<QLineEdit>(d, "end_date")->setText("07/12/2026");
            save_screenshot(d, "fiscal_mfd_mirror");
            child<QPushButton>(d, "generate")->click();
            EXPECT_FALSE(d.isVisible());
        });
        child<QPushButton>(menu, "button13")->click();

        on_next_window("registers_dialog", [](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), "Registros do PAF-ECF");
            EXPECT_FALSE(child<QLineEdit>(d, "product_code")->isEnabled());
            refuses_an_empty_start(d, "start_date");
            child<QRadioButton>(d, "partial")->click();
            auto* code = child<QLineEdit>(d, "product_code");
            code->setText("000002");
            key(code, Qt::Key_Return);
            code->setText("000003");
            child<QPushButton>(d, "add")->click();
            auto* list = child<QListWidget>(d, "products");
            ASSERT_EQ(list->count(), 2);
            EXPECT_TRUE(list->item(0)->text().startsWith("000002 - "));
            save_screenshot(d, "fiscal_registers");
            key(list, Qt::Key_Delete);
            EXPECT_EQ(list->count(), 1);
            child<QPushButton>(d, "close")->click();
        });
        child<QPushButton>(menu, "button9")->click();
        menu.reject();
    });
    EXPECT_TRUE(std::filesystem::exists(fiscal::pafecf_folder() / "espelhomfd.txt"));
    EXPECT_EQ(prompt_.count_containing(") Espelho MFD gerado com Sucesso!!!"), 1);
    EXPECT_EQ(prompt_.shown().size(), 1u);
}

}  // namespace balcora::test
