#include "db/query_sql.h"
#include "db/settings.h"
#include "ecf/recording_driver.h"
#include "forms/maqecf_form.h"
#include "globals/globals.h"
#include "gui/forms/maqecf_browse_window.h"
#include "gui/forms/maqecf_form_dialog.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "support/test_database.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>

namespace balcora::test {

namespace {

void press(QWidget& window, const char* keys) {
    for (QShortcut* s : window.findChildren<QShortcut*>()) {
        if (s->key() == QKeySequence(keys)) emit s->activated();
    }
}

}  // namespace

class PrinterRegistrationGui : public DbTest {
  protected:
    void SetUp() override {
        glo::id_empresa = 1;
        forms::MaqecfForm::forget_last_saved();
        QUERYSQL(
            "INSERT INTO balcora.modecf (cod_marca, cod_modelo, cod_versao, marca, modelo, "
            "versao, homologada, mfd, cv0909) VALUES (99, 1, 1, 'BALCORA', 'ECF VIRTUAL', "
            "'01.00.00', 1, 1, 1), (5, 2, 1, 'EPSON', 'TM-T81', '01', 1, 1, 0);");
    }
    void add_printers() {
        QUERYSQL(
            "INSERT INTO balcora.maqecf (id_maqecf, numero, marca, modelo, porta_com, "
            "num_serie, modelo_scanner, porta_com_scanner, situacao, cod_marca, cod_modelo, "
            "cod_versao) VALUES (1, 1, 'BALCORA', 'ECF VIRTUAL', 99, 'BV202612000001', 1, "
            "2, 'F', 99, 1, 1), (2, 2, 'EPSON', 'TM-T81', 3, 'EP0099887766', 0, 0, 'F', 5, "
            "2, 1);");
    }
    RecordingDriver driver_;
};

TEST_F(PrinterRegistrationGui, TheFormFillsANewPrinterFromTheModelListAndSavesIt) {
    forms::MaqecfForm form;
    ASSERT_TRUE(form.open_insert());
    gui::MaqecfFormDialog dialog(form);
    dialog.show();

    auto* situacao = child<QComboBox>(dialog, "situacao");
    EXPECT_FALSE(situacao->isEnabled());
    auto* models = child<QComboBox>(dialog, "model_choice");
    ASSERT_EQ(models->count(), 3);  // blank + two models
    models->setCurrentIndex(2);
    emit models->activated(2);
    EXPECT_EQ(child<QLineEdit>(dialog, "marca")->text(), "EPSON");
    EXPECT_EQ(child<QLineEdit>(dialog, "modelo")->text(), "TM-T81");
    child<QLineEdit>(dialog, "num_serie")->setText("EP0099887766");
    child<QLineEdit>(dialog, "dt1")->setText("14/03/2019");
    auto* port = child<QComboBox>(dialog, "porta_com");
    port->setCurrentIndex(port->findText("com3"));
    child<QLineEdit>(dialog, "num_cred_ecf")->setText("1234567");
    press(dialog, "Ctrl+A");
    EXPECT_TRUE(situacao->isEnabled());
    save_screenshot(dialog, "maqecf_form_new");

    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(QUERYSQL("SELECT marca||'|'||modelo||'|'||porta_com||'|'||num_serie||'|'||dt1||'|'||"
                       "cod_marca||'|'||num_cred_ecf FROM balcora.maqecf;"),
              "EPSON|TM-T81|3|EP0099887766|2019-03-14|5|1234567");
    EXPECT_EQ(read_ini("PDV", "Configuração OK", "", "balcora.ini"), "1");
    EXPECT_EQ(driver_.commands(),
              (std::vector<std::int32_t>{ecf::CMD_CONFIGURE_PRINTER, ecf::CMD_PROGRAM_LINK}));
}

TEST_F(PrinterRegistrationGui, ARefusedSaveKeepsTheFormOpenOnTheFieldToCorrect) {
    driver_.refuse(ecf::CMD_CONFIGURE_PRINTER);
    forms::MaqecfForm form;
    ASSERT_TRUE(form.open_insert());
    gui::MaqecfFormDialog dialog(form);
    dialog.show();
    child<QLineEdit>(dialog, "dt1")->setText("31/02/2019");
    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(prompt_.shown().back().text, "Data inválida!");

    child<QLineEdit>(dialog, "dt1")->setText("");
    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(prompt_.shown().back().text, "Informe o Nº de Série de Fabricação!");
    EXPECT_EQ(dialog.focusWidget(), child<QLineEdit>(dialog, "num_serie"));

    child<QLineEdit>(dialog, "num_serie")->setText("BV1");
    child<QLineEdit>(dialog, "marca")->setText("BALCORA");
    child<QLineEdit>(dialog, "modelo")->setText("ECF VIRTUAL");
    child<QPushButton>(dialog, "ok")->click();
    EXPECT_EQ(prompt_.shown().back().text, "Erro ao comunicar com IF!");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.maqecf;"), "0");
}

TEST_F(PrinterRegistrationGui, TheListShowsThePrintersAndOpensTheFormForTheChosenOne) {
    add_printers();
    std::vector<std::pair<forms::FormMode, std::int32_t>> opened;
    gui::MaqecfBrowseWindow window(nullptr, [&](forms::FormMode mode, std::int32_t id) {
        opened.emplace_back(mode, id);
        return false;
    });
    window.show();
    EXPECT_EQ(window.windowTitle(), " Máquina ECF");
    auto* table = child<QTableWidget>(window, "printers");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 2)->text(), "USB");
    EXPECT_EQ(table->item(0, 3)->text(), "Metrologic MS7320");
    EXPECT_EQ(table->item(0, 4)->text(), "com2");
    EXPECT_EQ(table->item(1, 2)->text(), "com3");
    EXPECT_EQ(table->item(1, 3)->text(), "Nenhum");
    save_screenshot(window, "maqecf_browse");

    table->selectRow(1);
    child<QPushButton>(window, "edit")->click();
    child<QPushButton>(window, "consult")->click();
    child<QPushButton>(window, "add")->click();
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], std::make_pair(forms::FormMode::kChange, 2));
    EXPECT_EQ(opened[1], std::make_pair(forms::FormMode::kView, 2));
    EXPECT_EQ(opened[2].first, forms::FormMode::kInsert);
}

TEST_F(PrinterRegistrationGui, NewFromTheListOpensTheRealFormAndTheListShowsTheSavedPrinter) {
    auto window = new gui::MaqecfBrowseWindow;
    window->show();
    bool filled = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<gui::MaqecfFormDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        auto* models = child<QComboBox>(*dialog, "model_choice");
        models->setCurrentIndex(1);
        emit models->activated(1);
        child<QLineEdit>(*dialog, "num_serie")->setText("BV202612000009");
        filled = true;
        child<QPushButton>(*dialog, "ok")->click();
    });
    child<QPushButton>(*window, "add")->click();
    ASSERT_TRUE(filled);
    auto* table = child<QTableWidget>(*window, "printers");
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 0)->text(), "BALCORA");
    EXPECT_EQ(table->item(0, 5)->text(), "BV202612000009");
    window->close();
}

}  // namespace balcora::test
