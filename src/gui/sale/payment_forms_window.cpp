#include "gui/sale/payment_forms_window.h"

#include "gui/qt_text.h"
#include "gui/shell/list_widgets.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace balcora {

namespace gui {

PaymentFormsWindow::PaymentFormsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("payment_forms_window");
    setWindowTitle(tr("Válida Forma de Pagamento"));

    table_ = new QTableWidget(0, 2, this);
    table_->setObjectName("formas");
    table_->setHorizontalHeaderLabels({tr("Sistema"), tr("ECF")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    auto* validate = new QPushButton(tr("&Válidar"), this);
    validate->setObjectName("validar");
    auto* close = new QPushButton(tr("&Fechar"), this);
    close->setObjectName("fechar");
    close->setAutoDefault(false);
    connect(validate, &QPushButton::clicked, this, &PaymentFormsWindow::validate);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(validate);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);

    fill();
    const int rows_height = table_->horizontalHeader()->height() +
                            table_->verticalHeader()->length() + 2 * table_->frameWidth();
    table_->setMinimumHeight(rows_height);
    table_->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(QString(40, 'M')));
    table_->setFocus();
    if (table_->rowCount() > 0) table_->selectRow(0);
}

void PaymentFormsWindow::fill() {
    const auto& rows = screen_.rows();
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        table_->setItem(i, 0, list_cell(qs(rows[i].system)));
        table_->setItem(i, 1, list_cell(qs(rows[i].printer)));
    }
}

void PaymentFormsWindow::validate() {
    screen_.validate();
    fill();
}

}  // namespace gui

void VALIDAFORMAPAGAMENTO() {
    gui::PaymentFormsWindow window(QApplication::activeWindow());
    window.exec();
}

}  // namespace balcora
