#include "gui/backoffice/backoffice_windows.h"
#include "db/query_sql.h"
#include "demo/demo_data.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "support/test_backoffice.h"
#include "support/test_database.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

namespace balcora::test {

class BackOfficeGui : public DbTest {
  protected:
    BackOfficeGui() { bo_.point_settings(); }
    TestBackOffice bo_;
};

// The update window takes the configuration as shown and lists what each
// table received.
TEST_F(BackOfficeGui, MasterDataWindowUpdatesAndListsTheTables) {
    QUERYSQL(
        "INSERT INTO balcora.modecf (cod_marca, cod_modelo, cod_versao, marca, modelo) "
        "VALUES (99, 1, 1, 'BALCORA', 'ECF VIRTUAL')");
    gui::MasterDataWindow window(std::make_unique<backoffice::MasterDataScreen>(
        demo::kPrinterSerial, [](const std::string&, std::string*) { return "127.0.0.1"; }));
    window.show();
    auto* tabs = window.findChild<QTabWidget*>();
    tabs->setCurrentIndex(1);
    EXPECT_EQ(child<QComboBox>(window, "modelo")->currentText(), "ECF VIRTUAL");
    save_screenshot(window, "masterdata_window_configuracao");
    tabs->setCurrentIndex(0);
    child<QPushButton>(window, "atualizar")->click();
    EXPECT_EQ(prompt_.count_containing("Atualização Concluída com Sucesso!"), 1)
        << (prompt_.shown().empty() ? "" : prompt_.shown().back().text);
    auto* results = child<QTableWidget>(window, "resultado");
    ASSERT_EQ(results->rowCount(), 8);
    EXPECT_EQ(results->item(3, 1)->text(), "PRODUTO");
    EXPECT_EQ(results->item(3, 2)->text(), "14");
    save_screenshot(window, "masterdata_window");
}

TEST_F(BackOfficeGui, RetaguardaWindowEnablesNoipOnlyForItsType) {
    int started = 0;
    gui::RetaguardaWindow window(std::make_unique<backoffice::RetaguardaScreen>(
        [&] { return ++started > 0; },
        [](const std::string&, std::string*) { return "10.1.2.3"; }));
    window.show();
    save_screenshot(window, "retaguarda_window");
    child<QPushButton>(window, "comunicar")->click();
    EXPECT_EQ(started, 1);
    window.findChild<QTabWidget*>()->setCurrentIndex(1);
    auto* noip = child<QPushButton>(window, "noip");
    EXPECT_FALSE(noip->isEnabled());
    child<QComboBox>(window, "tipo_conexao")->setCurrentIndex(1);
    ASSERT_TRUE(noip->isEnabled());
    noip->click();
    EXPECT_EQ(prompt_.count_containing("IP: 10.1.2.3"), 1);
    save_screenshot(window, "retaguarda_window_configuracao");
}

}  // namespace balcora::test
