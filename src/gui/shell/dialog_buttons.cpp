#include "gui/shell/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace balcora::gui {

QDialogButtonBox* ok_cancel(QDialog* dialog, const QString& ok_text, std::function<void()> on_ok) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(ok_text, QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    QPushButton* cancel =
        buttons->addButton(QDialog::tr("&Cancelar"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancel");
    QObject::connect(ok, &QPushButton::clicked, dialog, std::move(on_ok));
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}

QPushButton* ok_button(QDialogButtonBox* box) {
    return box->findChild<QPushButton*>("ok");
}

QPushButton* cancel_button(QDialogButtonBox* box) {
    return box->findChild<QPushButton*>("cancel");
}

}  // namespace balcora::gui
