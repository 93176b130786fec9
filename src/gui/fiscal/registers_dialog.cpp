#include "gui/fiscal/registers_dialog.h"

#include "gui/fiscal/period_dialog.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/form_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace balcora::gui {

RegistersDialog::RegistersDialog(fiscal::RegistersWindow& window, QWidget* parent)
    : ScreenDialog(window, parent, "registers_dialog") {
    setWindowTitle(tr(fiscal::RegistersWindow::kCaption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        choice_group(this, tr("Opção"), {tr("Estoque &Total"), tr("Estoque &Parcial")},
                     {"total", "partial"}, window.stock_option == 2 ? 1 : 0, option_));

    auto* form = new QFormLayout;
    start_date_ = form_line(this, form, tr("Data &inicial:"), "start_date", 10, 11);
    end_date_ = form_line(this, form, tr("Data fina&l:"), "end_date", 10, 11);
    start_date_->setInputMask("99/99/9999;_");
    end_date_->setInputMask("99/99/9999;_");
    start_date_->setText(qs(window.start_date));
    end_date_->setText(qs(window.end_date));
    layout->addLayout(form);

    auto* product_row = new QHBoxLayout;
    auto* label = new QLabel(tr("Pro&duto:"), this);
    product_code_ = line_edit(this, "product_code", 20, 16);
    label->setBuddy(product_code_);
    add_ = new QPushButton(tr("&Adicionar"), this);
    add_->setObjectName("add");
    remove_ = new QPushButton(tr("&Remover"), this);
    remove_->setObjectName("remove");
    product_row->addWidget(label);
    product_row->addWidget(product_code_);
    product_row->addWidget(add_);
    product_row->addWidget(remove_);
    layout->addLayout(product_row);
    products_ = new QListWidget(this);
    products_->setObjectName("products");
    products_->setMinimumWidth(field_width(*products_, 50));
    products_->setMaximumHeight(products_->fontMetrics().height() * 8);
    products_->installEventFilter(this);
    product_code_->installEventFilter(this);
    layout->addWidget(products_);

    auto* buttons = new QHBoxLayout;
    auto* generate = new QPushButton(tr("&Gerar"), this);
    generate->setObjectName("generate");
    auto* close = new QPushButton(tr("&Fechar"), this);
    close->setObjectName("close");
    for (auto* b : {add_, remove_, generate, close}) b->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(generate);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(add_, &QPushButton::clicked, this, [this] { add(); });
    connect(remove_, &QPushButton::clicked, this, [this] { remove(); });
    connect(generate, &QPushButton::clicked, this, [this] { this->generate(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(option_[1], &QRadioButton::toggled, this, [this] { settle_products(); });

    auto* enter = new EnterNavigation(this);
    enter->watch({start_date_, end_date_});
    tab_chain({option_[0], option_[1], start_date_, end_date_, product_code_, add_, remove_,
               products_, generate, close});
    refresh_products();
    settle_products();
    focus_field(start_date_);
}

// Enter in the code adds the product (the dialog would take it as "&Gerar");
// Delete in the list removes the current one.
bool RegistersDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == product_code_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            add();
            return true;
        }
        if (watched == products_ && key == Qt::Key_Delete) {
            remove();
            return true;
        }
    }
    return ScreenDialog::eventFilter(watched, event);
}

void RegistersDialog::settle_products() {
    const bool partial = option_[1]->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{product_code_, add_, remove_, products_})
        w->setEnabled(partial);
}

void RegistersDialog::refresh_products() {
    products_->clear();
    for (const auto& p : screen_.products()) products_->addItem(qs(p.code + " - " + p.description));
    products_->setCurrentRow(products_->count() - 1);
}

void RegistersDialog::add() {
    screen_.product_code = product_code_->text().toStdString();
    if (screen_.add_product()) {
        product_code_->clear();
        refresh_products();
    }
    focus_field(product_code_);
}

void RegistersDialog::remove() {
    const int row = products_->currentRow();
    if (row < 0) return;
    screen_.remove_product(static_cast<std::size_t>(row));
    refresh_products();
}

void RegistersDialog::generate() {
    screen_.stock_option = option_[1]->isChecked() ? 2 : 1;
    screen_.start_date = start_date_->text().toStdString();
    screen_.end_date = end_date_->text().toStdString();
    screen_.generate();
    if (!screen_.is_open()) {
        accept();
        return;
    }
    using F = fiscal::RegistersField;
    switch (screen_.focus()) {
        case F::kStartDate:
            focus_field(start_date_);
            break;
        case F::kEndDate:
            focus_field(end_date_);
            break;
        case F::kProduct:
            focus_field(product_code_);
            break;
        case F::kNone:
            break;
    }
}

}  // namespace balcora::gui
