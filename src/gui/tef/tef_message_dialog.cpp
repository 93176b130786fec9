#include "gui/tef/tef_message_dialog.h"

#include "gui/qt_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace balcora::gui {

TefMessageDialog::TefMessageDialog(tef::MessageWindow& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
    setObjectName("tef_message_window");
    setWindowTitle("TEF");
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    text_ = new QLabel(this);
    text_->setObjectName("mensagem");
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    text_->setMinimumHeight(60);
    QFont big = text_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    text_->setFont(big);
    close_ = new QPushButton("&Fechar (Esc)", this);
    close_->setObjectName("fechar");
    close_->setVisible(false);
    quit_ = new QPushButton("Fechar o &programa", this);
    quit_->setObjectName("fechar_programa");
    quit_->setVisible(false);
    quit_->setAutoDefault(false);
    connect(close_, &QPushButton::clicked, this, [this] {
        if (closable_) closed_ = true;
    });
    connect(quit_, &QPushButton::clicked, this, [this] { controller_.request_quit(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(quit_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons);
    resize(480, 150);
}

void TefMessageDialog::show_text(const std::string& text, bool closable) {
    text_->setText(qs(text));
    closable_ = closable;
    closed_ = false;
    close_->setVisible(closable);
    close_->setDefault(closable);
    if (!isVisible()) QDialog::show();
    if (closable) close_->setFocus();
    raise();
    activateWindow();
    process_events();
}

void TefMessageDialog::process_events() {
    QApplication::processEvents(QEventLoop::AllEvents);
}

void TefMessageDialog::wait_for_close() {
    QEventLoop loop;
    while (closable_ && !closed_ && isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents);
    closable_ = false;
    close_->setVisible(false);
}

void TefMessageDialog::offer_quit(bool on) {
    quit_->setVisible(on);
}

void TefMessageDialog::reject() {
    // Esc closes only a message that waits for the operator.
    if (closable_) closed_ = true;
}

void TefMessageDialog::closeEvent(QCloseEvent* event) {
    if (closable_) closed_ = true;
    event->ignore();
}

void provide_tef_views(ui::ScreenPort& port) {
    port.provide_view<tef::MessageWindow>([](tef::MessageWindow& window) {
        // Without a parent: the controller owns the window, and a parent
        // closing first would delete it under the controller.
        auto dialog = std::make_unique<TefMessageDialog>(window);
        if (QWidget* over = QApplication::activeWindow())
            dialog->move(over->geometry().center() - dialog->rect().center());
        window.attach(std::move(dialog));
    });
}

}  // namespace balcora::gui
