#include "gui/shell/main_frame.h"

#include "globals/checkout_state.h"
#include "gui/qt_text.h"
#include "shell/closing.h"
#include "ui/environment.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

constexpr const char* kCreditLine = "Balcora PDV - Balcora Sistemas de Automação Comercial Ltda";

}  // namespace

MainFrame::MainFrame(const CheckoutState& checkout, QWidget* parent)
    : QMainWindow(parent), checkout_(checkout), runner_(&shell::system_command_runner()) {
    setObjectName("main_frame");
    setWindowTitle("Balcora");
    setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));

    // The working area stays calm: the program and the company, and the two
    // keys an operator needs most.
    auto* centre = new QWidget(this);
    centre->setObjectName("area");
    auto* layout = new QVBoxLayout(centre);
    program_ = new QLabel("Balcora PDV", centre);
    QFont big = program_->font();
    big.setPointSizeF(big.pointSizeF() * 2.6);
    big.setBold(true);
    program_->setFont(big);
    company_ = new QLabel(centre);
    QFont medium = company_->font();
    medium.setPointSizeF(medium.pointSizeF() * 1.4);
    company_->setFont(medium);
    hint_ = new QLabel(centre);
    hint_->setObjectName("teclas");
    for (QLabel* l : {program_, company_, hint_}) {
        l->setAlignment(Qt::AlignCenter);
        l->setForegroundRole(QPalette::PlaceholderText);
    }
    layout->addStretch(3);
    layout->addWidget(program_);
    layout->addWidget(company_);
    layout->addSpacing(24);
    layout->addWidget(hint_);
    layout->addStretch(4);
    setCentralWidget(centre);

    auto* credit = new QLabel(tr(kCreditLine), this);
    credit->setObjectName("credito");
    operator_ = new QLabel(this);
    operator_->setObjectName("operador");
    operator_->setMinimumWidth(160);
    statusBar()->addWidget(credit, 1);
    statusBar()->addPermanentWidget(operator_);
    resize(1024, 700);
}

void MainFrame::set_menus(const std::vector<shell::Menu>& menus) {
    menuBar()->clear();
    for (const auto& m : menus) add_entries(menuBar()->addMenu(qs(m.text)), m.entries);
    // F6 reaches Quick Sale only while it is in the menu and usable.
    QAction* quick = action_for(shell::kQuickSaleScreen);
    if (quick && !quick->isEnabled()) quick->setShortcut({});
    hint_->setText(quick && quick->isEnabled() ? tr("F6 Venda Rápida    ·    Esc Sair")
                                               : tr("Esc Sair"));
}

void MainFrame::add_entries(QMenu* menu, const std::vector<shell::MenuEntry>& entries) {
    for (const auto& e : entries) {
        if (!e.children.empty()) {
            QMenu* sub = menu->addMenu(qs(e.text));
            sub->setEnabled(e.enabled);
            add_entries(sub, e.children);
            continue;
        }
        if (e.screen == shell::kExitScreen) menu->addSeparator();
        QAction* a = menu->addAction(qs(e.text));
        a->setObjectName(QString::fromStdString(e.screen));
        a->setEnabled(e.enabled);
        if (!e.shortcut.empty()) {
            a->setShortcut(QKeySequence(QString::fromStdString(e.shortcut)));
            a->setShortcutContext(Qt::WindowShortcut);
        }
        if (!e.enabled) {
            a->setToolTip(qs(e.disabled_reason));
            a->setStatusTip(qs(e.disabled_reason));
        }
        const shell::MenuEntry entry = e;
        connect(a, &QAction::triggered, this, [this, entry] { trigger(entry); });
    }
    menu->setToolTipsVisible(true);
}

void MainFrame::trigger(const shell::MenuEntry& entry) {
    if (entry.screen == shell::kExitScreen) {
        close();
        return;
    }
    if (entry.screen == shell::kInvoiceScreen) {
        shell::run_invoice_program(*runner_);
        return;
    }
    screens().run(entry.screen);
    if (entry.shutdown_check_after && shell::shutdown_check(checkout_, *runner_))
        close_without_question();
}

void MainFrame::run(std::function<void()> opened) {
    QEventLoop loop;
    connect(this, &MainFrame::closed, &loop, &QEventLoop::quit);
    show();
    QTimer::singleShot(0, this, [opened = std::move(opened)] { opened(); });
    loop.exec();
}

QAction* MainFrame::action_for(std::string_view screen) const {
    return findChild<QAction*>(qs(screen));
}

void MainFrame::set_title(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void MainFrame::set_company(const std::string& company) {
    company_->setText(QString::fromStdString(company));
}

void MainFrame::set_operator(const std::string& login) {
    operator_->setText(QString::fromStdString(login));
}

void MainFrame::close_without_question() {
    without_question_ = true;
    close();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (!without_question_ && !shell::confirm_close(checkout_)) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

void MainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    shell::record_frame_size(width(), height());
}

}  // namespace balcora::gui
