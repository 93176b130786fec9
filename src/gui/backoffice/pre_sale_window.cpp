#include "gui/backoffice/pre_sale_window.h"

#include "backoffice/pre_sale_screen.h"

#include "globals/checkout_state.h"
#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"
#include "util/fixed_point_text.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace balcora::gui {

using backoffice::PreSaleScreen;

PreSaleWindow::PreSaleWindow(PreSaleScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setObjectName("pre_sale_window");
    setWindowTitle(tr(PreSaleScreen::kTitle));
    table_ = list_table(this, "pre_vendas",
                        {tr("Pré-Venda"), tr("Pedido / Número"), tr("Data"), tr("Cód. Cliente"),
                         tr("Nome do Cliente"), tr("Total"), tr("Vendedor")});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    screen_.on_status([this](const std::string& text) {
        status_->setText(qs(text));
        status_->repaint();
    });

    QPushButton* refresh = row_button(this, tr("&Atualizar (F5)"), "atualizar");
    QPushButton* issue = row_button(this, tr("&Emitir CF"), "emitir");
    QPushButton* cancel = row_button(this, tr("&Cancela PV"), "cancelar");
    QPushButton* close = row_button(this, tr("&Fechar"), "fechar");
    connect(refresh, &QPushButton::clicked, this, [this] {
        screen_.refresh();
        fill();
    });
    connect(issue, &QPushButton::clicked, this, &PreSaleWindow::issue);
    connect(cancel, &QPushButton::clicked, this, &PreSaleWindow::cancel);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, refresh,
            &QPushButton::click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    layout->addLayout(button_row({refresh, issue, cancel}, close));
    resize(QFontMetrics(font()).horizontalAdvance(QString(110, 'M')) / 1.3, 420);
    fill();
    table_->setFocus();
}

void PreSaleWindow::keyPressEvent(QKeyEvent* event) {
    if (is_enter(event) && table_->hasFocus()) {
        issue();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PreSaleWindow::fill() {
    fill_rows(table_, screen_.rows(), [this](int row, const backoffice::PreSaleHeader& h) {
        set_row(table_, row,
                {QString::number(h.num_pv).rightJustified(6, '0'),
                 QString::number(h.id_pedido) + " / " + QString::number(h.numero),
                 qs(util::br_date(h.data)), QString::number(h.clien), qs(h.razao),
                 qs(util::to_br(h.total)), QString::number(h.vende)});
        table_->item(row, 5)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    });
    if (table_->rowCount() > 0) table_->selectRow(0);
}

std::int32_t PreSaleWindow::chosen() const {
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(screen_.rows().size())) return 0;
    return screen_.rows()[static_cast<std::size_t>(row)].id_pedido;
}

void PreSaleWindow::issue() {
    if (const std::int32_t id = chosen()) screen_.issue(id);
    fill();
}

void PreSaleWindow::cancel() {
    if (const std::int32_t id = chosen()) screen_.cancel(id);
    fill();
}

void provide_pre_sale_window(ui::ScreenPort& port, CheckoutState& checkout) {
    port.provide("CONSULTAPV", [&checkout](const ui::ScreenPort::Arguments&) {
        PreSaleScreen screen(checkout);
        if (!screen.open()) return 0;
        PreSaleWindow window(screen, QApplication::activeWindow());
        window.exec();
        return 1;
    });
}

}  // namespace balcora::gui
