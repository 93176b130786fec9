#include "gui/reports/sales_report_window.h"

#include "gui/qt_text.h"
#include "gui/reports/report_pages.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/form_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

using reports::SalesReportScreen;

SalesReportWindow::SalesReportWindow(QWidget* parent)
    : QDialog(parent), screen_([this](const reports::SalesReport& report) {
          return print_sales_report(report, this);
      }) {
    build();
}

SalesReportWindow::SalesReportWindow(SalesReportScreen::Output output, QWidget* parent)
    : QDialog(parent), screen_(std::move(output)) {
    build();
}

void SalesReportWindow::build() {
    setObjectName("sales_report_window");
    setWindowTitle(tr(SalesReportScreen::kCaption));

    auto* form = new QFormLayout;
    model_ = new QComboBox(this);
    model_->setObjectName("modelo");
    for (const char* m : SalesReportScreen::kModels) model_->addItem(qs(m));
    add_row(this, form, tr("&Modelo:"), model_);
    first_ = form_line(this, form, tr("&Periodo de:"), "periodo_de", 10, 11);
    first_->setInputMask("99/99/9999");
    last_ = form_line(this, form, tr("&até"), "ate", 10, 11);
    last_->setInputMask("99/99/9999");

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* emitir = buttons->addButton(tr("&Emitir"), QDialogButtonBox::AcceptRole);
    emitir->setObjectName("emitir");
    QPushButton* fechar = buttons->addButton(tr("&Fechar"), QDialogButtonBox::RejectRole);
    fechar->setObjectName("fechar");
    emitir->setAutoDefault(false);
    fechar->setAutoDefault(false);
    connect(emitir, &QPushButton::clicked, this, &SalesReportWindow::emit_report);
    connect(fechar, &QPushButton::clicked, this, &SalesReportWindow::reject);
    form_column(this, form)->addWidget(buttons);

    auto* enter = new EnterNavigation(this, [this] { emit_report(); });
    enter->watch({model_, first_, last_});
    tab_chain({model_, first_, last_, emitir, fechar});
    show_screen();
}

void SalesReportWindow::reject() {
    screen_.close();
    QDialog::reject();
}

void SalesReportWindow::emit_report() {
    screen_.model = model_->currentIndex() + 1;
    screen_.first = first_->text().toStdString();
    screen_.last = last_->text().toStdString();
    screen_.emit_report();
    show_screen();
}

void SalesReportWindow::show_screen() {
    model_->setCurrentIndex(screen_.model - 1);
    first_->setText(qs(screen_.first));
    last_->setText(qs(screen_.last));
    switch (screen_.focus()) {
        case SalesReportScreen::Field::kModel:
            model_->setFocus();
            break;
        case SalesReportScreen::Field::kFirst:
            focus_field(first_);
            break;
        case SalesReportScreen::Field::kLast:
            focus_field(last_);
            break;
    }
}

void open_sales_report(QWidget* parent) {
    static QPointer<SalesReportWindow> window;
    if (!window) {
        window = new SalesReportWindow(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setModal(false);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

}  // namespace balcora::gui
