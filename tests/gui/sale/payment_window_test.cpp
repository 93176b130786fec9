#include "gui/sale/payment_window.h"
#include "access/access_control.h"
#include "db/settings.h"
#include "gui/modal_helper.h"
#include "gui/provide_windows.h"
#include "gui/sale/quick_sale_window.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "sale/sale_screen_fixture.h"
#include "util/ean.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

namespace balcora::test {

namespace {

// A field typed over and accepted with Enter.
void enter(QWidget& window, const char* name, const QString& text) {
    auto* e = window.findChild<QLineEdit*>(name);
    ASSERT_NE(e, nullptr) << name;
    e->setFocus();
    e->setText(text);
    e->setModified(true);
    key(e, Qt::Key_Return);
}

}  // namespace

// The demo shop signed in, with its printer configured and the store credit
// printing the promissory note.
class PaymentWindowTest : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        glo::NumeroLoja = 1;
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", "1"));
    }
};

TEST_F(PaymentWindowTest, TheWholeSaleThroughTheWidgets) {
    gui::provide_windows(screens_, service_port_, checkout_);
    gui::QuickSaleWindow window(checkout_);
    ASSERT_TRUE(window.opened()) << testing::PrintToString(messages());
    window.resize(1366, 768);
    window.show();
    QApplication::processEvents();
    auto* code = window.findChild<QLineEdit*>("codigo");
    auto* total = window.findChild<QLabel*>("total_cupom");
    for (const char* twelve : {"789100031550", "789600044700", "789100031550"}) {
        type_digits(code, barcode(twelve));
        key(code, Qt::Key_Return);
    }
    ASSERT_EQ(total->text(), "65,29") << testing::PrintToString(messages());

    // Alt+7: the discount tab alone, 10 % typed, F10.
    bool discount_seen = false;
    when_modal("finaliza_cupom", [&](QWidget& w) {
        discount_seen = true;
        auto* tabs = w.findChild<QTabWidget*>();
        EXPECT_EQ(tabs->currentIndex(), 1);
        EXPECT_FALSE(w.findChild<QLineEdit*>("acrescimo_valor")->isEnabled());
        enter(w, "desconto_percentual", "10");
        EXPECT_EQ(w.findChild<QLineEdit*>("desconto_valor")->text(), "6,52");
        EXPECT_EQ(w.findChild<QLabel*>("total")->text(), "58,77");
        key(w.focusWidget(), Qt::Key_F10);
    });
    key(code, Qt::Key_7, "7", Qt::AltModifier);
    EXPECT_TRUE(discount_seen);
    EXPECT_EQ(total->text(), "58,77");

    // Alt+1: cash, the amount typed with the keypad's decimal key; Enter
    // after the amount confirms.
    when_modal("finaliza_cupom", [&](QWidget& w) {
        auto* amount = w.findChild<QLineEdit*>("valor");
        EXPECT_EQ(w.findChild<QComboBox*>("forma")->currentData().toString(), "DI");
        EXPECT_EQ(w.focusWidget(), amount);
        amount->clear();
        type_digits(amount, "20");
        key(amount, Qt::Key_Period, ".", Qt::KeypadModifier);
        type_digits(amount, "00");
        EXPECT_EQ(amount->text(), "20,00");
        key(amount, Qt::Key_Return);
    });
    key(code, Qt::Key_1, "1", Qt::AltModifier);
    auto* tape = window.findChild<QListWidget*>("bobina");
    ASSERT_GT(tape->count(), 0);
    EXPECT_TRUE(tape->item(tape->count() - 1)->text().contains("Dinheiro"));

    // F10: store credit to a client in two instalments.
    std::string finished;
    when_modal("finaliza_cupom", [&](QWidget& w) {
        auto* form = w.findChild<QComboBox*>("forma");
        EXPECT_EQ(w.findChild<QLabel*>("a_receber")->text(), "38,77");
        EXPECT_FALSE(w.findChild<QTabWidget*>()->isTabEnabled(1));
        form->setFocus();
        form->setCurrentIndex(form->findData("CR"));
        key(form, Qt::Key_Return);
        EXPECT_EQ(w.focusWidget(), w.findChild<QLineEdit*>("prazo1"));
        EXPECT_FALSE(w.findChild<QLineEdit*>("valor")->isEnabled());
        enter(w, "prazo1", "30");
        enter(w, "prazo2", "60");
        EXPECT_EQ(w.findChild<QLineEdit*>("vencto")->text(), "06/01/2027");
        auto* client = w.findChild<QLineEdit*>("cliente");
        client->setText("2");
        client->setModified(true);
        client->setFocus();
        QApplication::processEvents();
        save_screenshot(w, "payment_window");
        when_modal("venda_finalizada", [&](QWidget& notice) {
            finished = notice.findChild<QLabel*>("mensagem")->text().toStdString();
            // Behind it, the payments that closed the sale.
            EXPECT_EQ(w.findChild<QLabel*>("valor_recebido")->text(), "58,77");
            EXPECT_EQ(w.findChild<QTableWidget*>("pagamentos")->rowCount(), 3);
            notice.findChild<QPushButton*>("fechar")->click();
        });
        key(client, Qt::Key_Return);
    });
    key(code, Qt::Key_F10);

    EXPECT_EQ(finished, "Venda Finalizada! Obrigado.") << testing::PrintToString(messages());
    EXPECT_EQ(window.findChild<QLabel*>("mensagem")->text(),
              "CUPOM FINALIZADO - OBRIGADO PELA PREFERÊNCIA");
    EXPECT_EQ(value("SELECT vl_recebido||' '||id_cliente FROM balcora.cfiscal"), "58.77 2");
    EXPECT_EQ(value("SELECT string_agg(tipo||valor, ' ' ORDER BY ordem) FROM balcora.cfiscalfp"),
              "DI20.00 CR19.00 CR19.77");
    QApplication::processEvents();
    save_screenshot(window, "quick_sale_after_payment");
}

TEST_F(PaymentWindowTest, WithoutAnOpenCouponTheWindowDoesNotOpen) {
    EXPECT_EQ(FINALIZACUPOM(checkout_, ""), 0);
    EXPECT_EQ(prompt_.count_containing("Cupom fiscal não está aberto!"), 1);
}

}  // namespace balcora::test
