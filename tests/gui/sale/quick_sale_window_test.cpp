#include "gui/sale/quick_sale_window.h"
#include "access/access_control.h"
#include "db/settings.h"
#include "gui/sale/coupon_form_window.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "sale/sale_fixture.h"
#include "util/ean.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>

#include <filesystem>

namespace balcora::test {

namespace {

std::string barcode(const char* twelve) {
    return std::string(twelve) + std::to_string(CALC_DV(twelve));
}

// A picture for the slideshow and a logo, drawn here so the screen shows
// what a shop would put there.
void draw_shop_pictures() {
    const auto folder = data_root().map("..\\figuras\\");
    std::filesystem::create_directories(folder);
    QImage offer(640, 400, QImage::Format_RGB32);
    QPainter p(&offer);
    QLinearGradient g(0, 0, 640, 400);
    g.setColorAt(0, QColor("#ffb347"));
    g.setColorAt(1, QColor("#ff5f40"));
    p.fillRect(offer.rect(), g);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPointSize(44);
    f.setBold(true);
    p.setFont(f);
    p.drawText(offer.rect(), Qt::AlignCenter, "OFERTAS\nDA SEMANA");
    p.end();
    offer.save(QString::fromStdString((folder / "oferta.png").string()));

    QImage logo(120, 120, QImage::Format_RGB32);
    logo.fill(QColor("#ffffff"));
    QPainter l(&logo);
    l.setBrush(QColor("#1e9e5a"));
    l.setPen(Qt::NoPen);
    l.drawEllipse(6, 6, 108, 108);
    l.setPen(Qt::white);
    f.setPointSize(30);
    l.setFont(f);
    l.drawText(logo.rect(), Qt::AlignCenter, "MB");
    l.end();
    std::filesystem::create_directories(data_root().program_dir());
    logo.save(QString::fromStdString((data_root().program_dir() / "logo.jpg").string()), "JPG");
}

}  // namespace

class QuickSaleWindowTest : public SaleFixture {
  protected:
    void SetUp() override {
        reset_globals_keeping_connection();
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(access::sign_in_operator("demo", "demo"), access::SignInResult::kSignedIn);
        glo::NumeroLoja = 1;
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
        prompt_.clear();
    }
    void TearDown() override {
        access::sign_out();
        SaleFixture::TearDown();
    }
};

TEST_F(QuickSaleWindowTest, ACodeTypedAndEnterPutTheItemOnTapeTotalAndPrinter) {
    draw_shop_pictures();
    gui::QuickSaleWindow window(checkout_);
    ASSERT_TRUE(window.opened()) << testing::PrintToString(messages());
    window.resize(1366, 768);
    window.show();
    QApplication::processEvents();

    auto* code = window.findChild<QLineEdit*>("codigo");
    auto* quantity = window.findChild<QLineEdit*>("quantidade");
    auto* tape = window.findChild<QListWidget*>("bobina");
    auto* total = window.findChild<QLabel*>("total_cupom");
    ASSERT_TRUE(code && quantity && tape && total);
    EXPECT_EQ(total->text(), "0,00");
    EXPECT_EQ(window.findChild<QLabel*>("situacao")->text(), "ABERTO");

    type_digits(code, barcode("789100031550"));
    key(code, Qt::Key_Return);
    ASSERT_EQ(tape->count(), 1) << testing::PrintToString(messages());
    EXPECT_TRUE(tape->item(0)->text().contains("CAFE TORRADO E MOIDO 500G"));
    EXPECT_TRUE(tape->item(0)->text().contains("\n"));
    EXPECT_EQ(total->text(), "18,90");
    EXPECT_TRUE(code->text().isEmpty());

    // Enter on an empty code moves to the quantity; the quantity then applies.
    key(code, Qt::Key_Return);
    type_digits(quantity, "2");
    key(quantity, Qt::Key_Return);
    type_digits(code, barcode("789600044700"));
    key(code, Qt::Key_Return);
    ASSERT_EQ(tape->count(), 2);
    EXPECT_TRUE(tape->item(1)->text().contains("ARROZ TIPO 1 5KG"));
    EXPECT_EQ(tape->item(0)->background().color(), QColor("#ffffff"));
    EXPECT_EQ(tape->item(1)->background().color(), QColor("#d6e8fb"));
    EXPECT_EQ(total->text(), "73,88");
    EXPECT_EQ(window.findChild<QLabel*>("total_produto")->text(), "54,98");
    EXPECT_EQ(window.findChild<QLabel*>("mensagem")->text(), "CUPOM ABERTO");

    const std::string printed = paper();
    EXPECT_NE(printed.find("CAFE TORRADO"), std::string::npos);
    EXPECT_NE(printed.find("ARROZ TIPO 1"), std::string::npos);

    // Esc with the coupon open changes nothing; F10 says payment is not here yet.
    key(code, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.screen().is_open());
    prompt_.clear();
    key(code, Qt::Key_F10);
    EXPECT_EQ(prompt_.count_containing("FINALIZACUPOM"), 1);

    window.tick();
    QApplication::processEvents();
    save_screenshot(window, "quick_sale");
}

TEST_F(QuickSaleWindowTest, TheCouponFormSellsTheItemTypedIntoItsEntryLine) {
    gui::CouponFormWindow window(checkout_, {sale::CouponFormMode::kInsert, 0, false});
    ASSERT_TRUE(window.opened());
    window.resize(1180, 760);
    window.show();
    QApplication::processEvents();

    QLineEdit* seller = window.field("vendedor");
    seller->setText("2");
    emit seller->editingFinished();
    EXPECT_EQ(window.field("nome_vendedor")->text(), "FERNANDA LIMA");
    EXPECT_EQ(window.field("forma_comissao")->text(), "F");

    QLineEdit* code = window.field("codigo");
    for (const char* twelve : {"789100031550", "789300001123"}) {
        code->setText(QString::fromStdString(barcode(twelve)));
        emit code->editingFinished();
        EXPECT_FALSE(window.field("descricao")->text().isEmpty());
        window.findChild<QPushButton*>("confirma_item")->click();
    }
    auto* items = window.findChild<QTableWidget*>("itens");
    ASSERT_EQ(items->rowCount(), 2) << testing::PrintToString(messages());
    EXPECT_EQ(items->item(0, 2)->text(), "CAFE TORRADO E MOIDO 500G");
    EXPECT_EQ(items->item(1, 8)->text(), "5,29");
    EXPECT_EQ(window.findChild<QLabel*>("total_cupom")->text(), "24,19");
    EXPECT_FALSE(window.field("coo")->text().isEmpty());
    // The unit price is grey and read-only without the setting.
    EXPECT_TRUE(window.field("unitario")->isReadOnly());

    code->setText(QString::fromStdString(barcode("789102001042")));
    emit code->editingFinished();
    QApplication::processEvents();
    save_screenshot(window, "coupon_form");

    // Closing with the coupon open asks first; No keeps the form.
    window.reject();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(prompt_.count_containing("Cupom fiscal aberto!"), 1);
}

}  // namespace balcora::test

namespace balcora::test {

TEST_F(QuickSaleWindowTest, BehindTheDayClosingMessagesTheHeaderTellsTheClosing) {
    gui::QuickSaleWindow window(checkout_);
    ASSERT_TRUE(window.opened()) << testing::PrintToString(messages());
    window.show();
    auto* code = window.findChild<QLineEdit*>("codigo");
    auto* status = window.findChild<QLabel*>("situacao");
    auto* message = window.findChild<QLabel*>("mensagem");
    ASSERT_EQ(status->text(), "ABERTO");
    std::string during;
    screens_.provide("FUNCOESMAQECF", [&](const ui::ScreenPort::Arguments&) {
        EXPECT_TRUE(wait_until([&] { return status->text() == "FECHANDO"; }));
        during = message->text().toStdString();
        EXPECT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F';"), "1");
        return 1;
    });
    key(code, Qt::Key_F, "F");
    EXPECT_EQ(during, "FECHAMENTO DO CAIXA EM ANDAMENTO");
    EXPECT_EQ(status->text(), "FECHADO");
    EXPECT_EQ(message->text(), "CAIXA FECHADO");
}

}  // namespace balcora::test
