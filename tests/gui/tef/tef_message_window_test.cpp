#include "db/settings.h"
#include "gui/tef/tef_message_dialog.h"
#include "gui_support/screenshot.h"
#include "sale/payment_screen.h"
#include "sale/sale_screen_fixture.h"
#include "sale/sale_session.h"
#include "tef/card_manager.h"
#include "tef/card_manager_process.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace balcora::test {

// The message window over a card sale paid through the real manager: a
// picture of every text it shows, taken while the exchange waits.
class TefMessageWindowTest : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        add_product(9201, "9201", barcode("200000000031"), "42.30");
        add_product(9202, "9202", barcode("200000000032"), "10.13");
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S"));
        ASSERT_TRUE(session_.load_point_of_sale());
        gui::provide_tef_views(screens_);
        manager_.rules("recusar_centavos=13\nmensagem_recusa=TRANSACAO NEGADA\n");
        ASSERT_TRUE(manager_.start());
        setup_.limits.pause_after_response = 0;
        setup_.limits.pause_after_undo = 0;
    }

    // Pays the sale of one item by card while a timer photographs the
    // window and closes a message that waits for the operator.
    bool pay(const std::string& code) {
        EXPECT_EQ(session_.enter_code(code), sale::Registration::kRegistered);
        sale::PaymentScreen s{checkout_};
        EXPECT_TRUE(s.open());
        tef::CardManager card{setup_};
        s.set_card_functions(&card);
        s.set_form("CA");
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "tef_message_window" || !w->isVisible()) continue;
                const QString text = w->findChild<QLabel*>("mensagem")->text();
                modal_ = modal_ && w->windowModality() == Qt::ApplicationModal;
                if (texts_.empty() || texts_.back() != text) {
                    texts_.push_back(text);
                    save_screenshot(*w, "tef_message_window_" + std::to_string(texts_.size()));
                }
                auto* close = w->findChild<QPushButton*>("fechar");
                if (close->isVisible()) close->click();
            }
        });
        watch.start(0);
        return s.confirm_payment().close;
    }

    sale::SaleSession session_{checkout_, sale::SaleScreen::kQuickSale};
    CardManagerProcess manager_{root_.path()};
    tef::CardSetup setup_;
    QStringList texts_;
    bool modal_ = true;
};

TEST_F(TefMessageWindowTest, ShowsTheSaleAndTheDeclineOverTheProgram) {
    EXPECT_TRUE(pay(barcode("200000000031"))) << testing::PrintToString(messages());
    EXPECT_FALSE(pay(barcode("200000000032")));
    EXPECT_EQ(texts_, (QStringList{"Iniciando transação TEF! Aguarde...", "TEF: TRANSACAO APROVADA",
                                   "Iniciando transação TEF! Aguarde...", "TRANSACAO NEGADA"}));
    EXPECT_TRUE(modal_);
}

}  // namespace balcora::test
