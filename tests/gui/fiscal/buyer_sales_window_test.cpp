#include "gui/fiscal/buyer_sales_window.h"
#include "globals/globals.h"
#include "gui/modal_helper.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "support/test_database.h"

#include <QLineEdit>

namespace balcora::test {

class BuyerSalesGui : public DbTest {
  protected:
    BuyerSalesGui() {
        gui::provide_buyer_sales_window(screens_, nullptr);
        glo::id_empresa = 1;
    }
};

TEST_F(BuyerSalesGui, TheFiscalMenuOpensItAndItRunsFromTheKeyboard) {
    bool driven = false;
    when_modal("buyer_sales_window", [&](QWidget& w) {
        driven = true;
        EXPECT_EQ(w.windowTitle(), "Vendas Identificadas pelo CPF/CNPJ");
        auto* month = child<QLineEdit>(w, "competencia");
        auto* buyer = child<QLineEdit>(w, "cpf_cnpj");
        EXPECT_EQ(month->text(), "11/2026");
        EXPECT_EQ(w.focusWidget(), month);

        // Leaving the field puts the mask on its digits.
        buyer->setText("11222333000181");
        emit buyer->editingFinished();
        EXPECT_EQ(buyer->text(), "11.222.333/0001-81");
        save_screenshot(w, "buyer_sales_window");

        // Enter in the last field generates; an empty month sends the focus back.
        month->clear();
        key(buyer, Qt::Key_Return);
        EXPECT_EQ(prompt_.count_containing("Informe a competência"), 1);
        EXPECT_EQ(w.focusWidget(), month);

        month->setText("11/2026");
        key(buyer, Qt::Key_Return);
        EXPECT_EQ(prompt_.count_containing("vendascpfcnpj_202611_11222333000181.txt\" gerado"), 1);
        EXPECT_TRUE(w.isVisible());
        key(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(screens_.run("VENDASCPFCNPJ"), 0);
    EXPECT_TRUE(driven);
}

}  // namespace balcora::test
