#include "gui/backoffice/print_spool_window.h"

#include "backoffice/print_spool.h"

#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace balcora::gui {

using backoffice::PrintSpoolScreen;

PrintSpoolWindow::PrintSpoolWindow(PrintSpoolScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setObjectName("print_spool_window");
    setWindowTitle(tr(PrintSpoolScreen::kTitle));
    status_ = new QLabel(qs(screen_.status()), this);
    status_->setObjectName("status");
    status_->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QString(50, 'M')));
    screen_.on_status([this](const std::string& text) {
        status_->setText(qs(text));
        status_->repaint();
    });
    QPushButton* close = dialog_button(this, tr("&Fechar"), "fechar");
    connect(close, &QPushButton::clicked, this, &PrintSpoolWindow::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addLayout(button_row({}, close));

    timer_ = new QTimer(this);
    // One tick at a time: a long document is not polled over.
    connect(timer_, &QTimer::timeout, this, [this] {
        timer_->stop();
        screen_.tick();
        if (screen_.is_open()) timer_->start(PrintSpoolScreen::kTickMilliseconds);
    });
    timer_->start(PrintSpoolScreen::kTickMilliseconds);
}

void PrintSpoolWindow::reject() {
    timer_->stop();
    screen_.close();
    QDialog::reject();
}

void provide_print_spool_window(ui::ScreenPort& port) {
    port.provide("SPOOLECF", [](const ui::ScreenPort::Arguments&) {
        PrintSpoolScreen screen;
        if (!screen.open()) return 0;
        PrintSpoolWindow window(screen, QApplication::activeWindow());
        window.exec();
        return 1;
    });
}

}  // namespace balcora::gui
