#include "gui/sale/item_cancel_dialog.h"

#include "gui/shell/list_widgets.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

ItemCancelDialog::ItemCancelDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("item_cancel_dialog");
    setWindowTitle(tr("Cancelamento de Item"));
    field_ = new QLineEdit(this);
    field_->setObjectName("numero_item");
    field_->setMaxLength(3);
    field_->setValidator(new QIntValidator(0, 999, field_));
    QFont big = field_->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    field_->setFont(big);
    field_->setFixedWidth(QFontMetrics(big).horizontalAdvance("0000") + 16);
    field_->setAlignment(Qt::AlignRight);
    field_->installEventFilter(this);

    auto* label = new QLabel(tr("Número do Item:"), this);
    label->setFont(big);
    label->setBuddy(field_);
    QPushButton* yes = dialog_button(this, tr("&Sim"), "sim");
    QPushButton* no = dialog_button(this, tr("&Não"), "nao");
    connect(yes, &QPushButton::clicked, this, &ItemCancelDialog::confirm);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);

    auto* line = new QHBoxLayout;
    line->addWidget(label);
    line->addWidget(field_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(line);
    layout->addWidget(new QLabel(tr("S - Confirma    N - Desiste"), this));
    layout->addLayout(button_row({}, {yes, no}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    field_->setFocus();
}

bool ItemCancelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_S:
            case Qt::Key_Return:
            case Qt::Key_Enter:
                confirm();
                return true;
            case Qt::Key_N:
                reject();
                return true;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ItemCancelDialog::confirm() {
    bool ok = false;
    const int n = field_->text().toInt(&ok);
    if (!ok || n <= 0) {
        field_->setFocus();
        field_->selectAll();
        return;
    }
    number_ = n;
    accept();
}

std::optional<int> ItemCancelDialog::ask(QWidget* parent) {
    ItemCancelDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.number();
}

}  // namespace balcora::gui
