#include "gui/fiscal/buyer_sales_window.h"

#include "gui/shell/enter_navigation.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

using fiscal::BuyerSalesScreen;

BuyerSalesWindow::BuyerSalesWindow(BuyerSalesScreen& screen, QWidget* parent)
    : ScreenDialog(screen, parent, "buyer_sales_window") {
    setWindowTitle(tr(BuyerSalesScreen::kCaption));

    auto* form = new QFormLayout;
    competencia_ = form_line(this, form, tr("C&ompetência:"), "competencia", 7, 8);
    competencia_->setInputMask("99/9999");
    cpf_cnpj_ = form_line(this, form, tr("&CPF/CNPJ:"), "cpf_cnpj", BuyerSalesScreen::kCpfCnpjWidth,
                          BuyerSalesScreen::kCpfCnpjWidth);
    connect(cpf_cnpj_, &QLineEdit::editingFinished, this, &BuyerSalesWindow::mask_buyer);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* gerar = buttons->addButton(tr("&Gerar"), QDialogButtonBox::AcceptRole);
    gerar->setObjectName("gerar");
    QPushButton* fechar = buttons->addButton(tr("&Fechar"), QDialogButtonBox::RejectRole);
    fechar->setObjectName("fechar");
    // Neither button is a default: Enter belongs to the fields.
    gerar->setAutoDefault(false);
    fechar->setAutoDefault(false);
    connect(gerar, &QPushButton::clicked, this, &BuyerSalesWindow::generate);
    connect(fechar, &QPushButton::clicked, this, &BuyerSalesWindow::reject);
    form_column(this, form)->addWidget(buttons);

    auto* enter = new EnterNavigation(this, [this] { generate(); });
    enter->watch({competencia_, cpf_cnpj_});
    tab_chain({competencia_, cpf_cnpj_, gerar, fechar});
    show_screen();
}

void BuyerSalesWindow::mask_buyer() {
    screen_.cpf_cnpj = cpf_cnpj_->text().toStdString();
    screen_.leave_cpf_cnpj();
    cpf_cnpj_->setText(qs(screen_.cpf_cnpj));
}

void BuyerSalesWindow::generate() {
    screen_.competencia = competencia_->text().toStdString();
    screen_.cpf_cnpj = cpf_cnpj_->text().toStdString();
    screen_.generate();
    show_screen();
}

void BuyerSalesWindow::show_screen() {
    competencia_->setText(qs(screen_.competencia));
    cpf_cnpj_->setText(qs(screen_.cpf_cnpj));
    focus_field(screen_.focus() == BuyerSalesScreen::Field::kCpfCnpj ? cpf_cnpj_ : competencia_);
}

void provide_buyer_sales_window(ui::ScreenPort& port, QWidget* frame) {
    QPointer<QWidget> owner(frame);
    port.provide_view<BuyerSalesScreen>([owner](BuyerSalesScreen& screen) {
        // Over the fiscal menu when it opened the window, else over the frame.
        QWidget* parent =
            QApplication::activeWindow() ? QApplication::activeWindow() : owner.data();
        BuyerSalesWindow window(screen, parent);
        window.exec();
    });
    port.provide("VENDASCPFCNPJ",
                 [](const ui::ScreenPort::Arguments&) { return VENDASCPFCNPJ() ? 0 : 1; });
}

}  // namespace balcora::gui
