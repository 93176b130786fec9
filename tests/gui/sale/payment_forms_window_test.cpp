#include "gui/sale/payment_forms_window.h"

#include "db/settings.h"
#include "gui/provide_windows.h"
#include "gui/shell/menu_principal.h"
#include "gui_support/screenshot.h"
#include "sale/sale_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>

namespace balcora::test {

class PaymentFormsWindowTest : public SaleFixture {
  protected:
    static QString text(QTableWidget* t, int row, int col) { return t->item(row, col)->text(); }
};

TEST_F(PaymentFormsWindowTest, ValidatingFromTheWindowFlagsTheTableAndRefreshesTheNames) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FormaPagto", "DINHEIRO", "Dinheiro"));
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FormaPagto", "CARTAO", "CARTAO"));
    ASSERT_TRUE(
        GRAVAREGISTRO("balcora", "PAF-ECF." + glo::numfab, "Forma Pagamento Esgotada", "1"));
    gui::PaymentFormsWindow window;
    window.show();
    QApplication::processEvents();

    EXPECT_EQ(window.windowTitle(), "Válida Forma de Pagamento");
    auto* table = window.findChild<QTableWidget*>("formas");
    auto* validate = window.findChild<QPushButton*>("validar");
    auto* close = window.findChild<QPushButton*>("fechar");
    ASSERT_TRUE(table && validate && close);
    EXPECT_EQ(validate->text(), "&Válidar");
    EXPECT_EQ(close->text(), "&Fechar");
    ASSERT_EQ(table->rowCount(), 8);
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "Sistema");
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "ECF");
    EXPECT_EQ(text(table, 0, 0), "DINHEIRO");
    EXPECT_EQ(text(table, 0, 1), "Dinheiro");
    EXPECT_EQ(text(table, 7, 0), "PIX");
    EXPECT_EQ(text(table, 7, 1), "NÃO CADASTRADO");

    ASSERT_TRUE(GRAVAREGISTRO("balcora", "FormaPagto", "PIX", "PIX"));
    validate->click();
    EXPECT_EQ(text(table, 7, 1), "PIX");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF." + glo::numfab, "Forma Pagamento Esgotada"), "1");
    EXPECT_TRUE(messages().empty()) << messages().front();
    save_screenshot(window, "payment_forms");

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(table, &esc);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(PaymentFormsWindowTest, TheSettingsScreenFindsTheWindowRegistered) {
    EXPECT_FALSE(screens_.available("FORMAPAGAMENTO"));
    gui::provide_frame_windows(screens_, nullptr);
    EXPECT_TRUE(screens_.available("FORMAPAGAMENTO"));
}

}  // namespace balcora::test
