#include "gui/ecf/printer_functions_window.h"

#include "fiscal/cash_day_services.h"
#include "globals/checkout_state.h"
#include "gui/ecf/cash_day_dialogs.h"
#include "gui/log/log_windows.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"
#include "ui/environment.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

using Control = ecf::PrinterFunctionsScreen::Control;

const char* object_name(Control c) {
    switch (c) {
        case Control::kRecoverCoupon:
            return "recover_coupon";
        case Control::kOpenDay:
            return "open_day";
        case Control::kCashMovement:
            return "cash_movement";
        case Control::kCloseDay:
            return "close_day";
        case Control::kXReading:
            return "x_reading";
        case Control::kSummerTime:
            return "horario_verao";
        case Control::kCancelCurrentCoupon:
            return "cancel_current_coupon";
        case Control::kCancelNonFiscal:
            return "cancel_nonfiscal";
        case Control::kEnableCutter:
            return "enable_cutter";
        case Control::kListDepartments:
            return "list_departments";
        case Control::kRecoverReg60m:
            return "recover_reg60m";
        case Control::kProgramTaxRates:
            return "program_tax_rates";
        case Control::kTest:
            return "test_command";
        case Control::kProgramLink:
            return "program_link";
        case Control::kLog:
            return "log";
        case Control::kClose:
            return "fechar";
    }
    return "";
}

QLabel* status_label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

}  // namespace

PrinterFunctionsWindow::PrinterFunctionsWindow(ecf::PrinterFunctionsScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setObjectName("printer_functions_window");
    setWindowTitle(qs(ecf::PrinterFunctionsScreen::kTitle));

    auto* grid = new QGridLayout;
    int n = 0;
    for (const auto& c : ecf::PrinterFunctionsScreen::controls()) {
        if (c.control == Control::kSummerTime || c.control == Control::kClose) continue;
        QPushButton* b = dialog_button(this, qs(c.caption), object_name(c.control));
        b->setMinimumHeight(34);
        if (!c.hint.empty()) b->setToolTip(qs(c.hint));
        const Control control = c.control;
        connect(b, &QPushButton::clicked, this, [this, control] { act(control); });
        buttons_[control] = b;
        grid->addWidget(b, n / 2, n % 2);
        ++n;
    }
    summer_ = new QCheckBox(tr("Horário de Verão"), this);
    summer_->setObjectName("horario_verao");
    connect(summer_, &QCheckBox::clicked, this, [this](bool on) {
        screen_.set_summer_time(on);
        refresh();
    });

    point_of_sale_ = status_label(this, "caixa");
    brand_ = status_label(this, "marca");
    summer_status_ = status_label(this, "verao");
    status_ = status_label(this, "status");
    status_->setStyleSheet("color: #c0392b; font-weight: 700;");
    auto* info = new QGroupBox(tr("Impressora Fiscal"), this);
    auto* info_layout = new QGridLayout(info);
    info_layout->addWidget(point_of_sale_, 0, 0);
    info_layout->addWidget(brand_, 0, 1);
    info_layout->addWidget(new QLabel(tr("Horário de verão:"), info), 1, 0);
    info_layout->addWidget(summer_status_, 1, 1);
    info_layout->addWidget(status_, 2, 0, 1, 2);

    QPushButton* close = dialog_button(this, tr("Fe&char"), "fechar");
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addLayout(grid);
    layout->addWidget(summer_);
    layout->addLayout(button_row({}, {close}));
    refresh();
}

void PrinterFunctionsWindow::refresh() {
    for (auto& [control, button] : buttons_) {
        button->setVisible(screen_.visible(control));
        button->setEnabled(screen_.enabled(control));
    }
    summer_->setChecked(screen_.summer_time());
    point_of_sale_->setText(qs(screen_.point_of_sale_text()));
    brand_->setText(qs(screen_.brand()));
    summer_status_->setText(qs(screen_.summer_time_status()));
    status_->setText(qs(screen_.status_line()));
    adjustSize();
}

void PrinterFunctionsWindow::act(Control control) {
    // Drawn now: the closing keeps the window busy until it ends.
    status_->setText(control == Control::kCloseDay ? tr("Aguarde!!!") : QString());
    status_->repaint();
    screen_.act(control);
    if (!screen_.is_open()) {
        QDialog::reject();
        return;
    }
    refresh();
}

void PrinterFunctionsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_A && event->modifiers() == Qt::ControlModifier) {
        screen_.reveal_hidden();
        refresh();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PrinterFunctionsWindow::reject() {
    screen_.close();
    QDialog::reject();
}

void provide_cash_day_windows(ui::ScreenPort& port, CheckoutState& checkout) {
    port.provide("FUNCOESMAQECF", [&checkout](const ui::ScreenPort::Arguments& args) {
        ecf::CashDayServices services = fiscal::cash_day_services();
        // A closing that could not complete its records ends the program:
        // every event loop returns, the frame's included.
        services.end_application = [] { QCoreApplication::exit(1); };
        return FUNCOESMAQECF(
            checkout, args.empty() ? std::string_view() : std::string_view(args[0]), services);
    });
    port.provide("HORARIOFECHAMENTO", [](const ui::ScreenPort::Arguments&) {
        HORARIOFECHAMENTO();
        return 0;
    });
    port.provide("TELA_SA_SU",
                 [](const ui::ScreenPort::Arguments&) { return TELA_SA_SU() ? 1 : 0; });
    if (!port.available("MENULOG"))
        port.provide("MENULOG", [](const ui::ScreenPort::Arguments&) {
            MENULOG();
            return 0;
        });
    port.provide_view<ecf::PrinterFunctionsScreen>([](ecf::PrinterFunctionsScreen& screen) {
        PrinterFunctionsWindow window(screen, QApplication::activeWindow());
        window.exec();
    });
    port.provide_view<ecf::DayOpeningScreen>([](ecf::DayOpeningScreen& screen) {
        DayOpeningDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
    port.provide_view<ecf::CashMovementScreen>([](ecf::CashMovementScreen& screen) {
        CashMovementDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
    port.provide_view<ecf::ClosingHoursScreen>([](ecf::ClosingHoursScreen& screen) {
        ClosingHoursDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
    port.provide_view<ecf::Reg60mRecoveryScreen>([](ecf::Reg60mRecoveryScreen& screen) {
        Reg60mRecoveryDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
}

}  // namespace balcora::gui
