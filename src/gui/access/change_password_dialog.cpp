#include "gui/access/change_password_dialog.h"

#include "access/access_control.h"
#include "gui/shell/dialog_buttons.h"
#include "gui/shell/enter_navigation.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

ChangePasswordDialog::ChangePasswordDialog(access::ChangePasswordScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(tr(access::ChangePasswordScreen::kCaption));
    setObjectName("change_password_dialog");

    auto* who = new QLabel(
        tr("Usuário: <b>%1</b>").arg(QString::fromStdString(screen_.login()).toHtmlEscaped()),
        this);

    auto* form = new QFormLayout;
    auto add = [&](const char* label_text, const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setMaxLength(access::kPasswordMaxChars);
        e->setEchoMode(QLineEdit::Password);
        e->setFixedWidth(field_width(*e, access::kPasswordMaxChars));
        auto* label = new QLabel(tr(label_text), this);
        label->setBuddy(e);
        form->addRow(label, e);
        return e;
    };
    current_ = add("Senha &atual:", "current");
    new_password_ = add("&Nova senha:", "new_password");
    confirmation_ = add("&Confirmação:", "confirmation");

    QDialogButtonBox* buttons = ok_cancel(this, tr("&Ok"), [this] { confirm(); });
    QPushButton* ok = ok_button(buttons);
    QPushButton* cancel = cancel_button(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(who);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* enter = new EnterNavigation(this, [this] { confirm(); });
    enter->watch({current_, new_password_, confirmation_});
    setTabOrder(current_, new_password_);
    setTabOrder(new_password_, confirmation_);
    setTabOrder(confirmation_, ok);
    setTabOrder(ok, cancel);
    show_screen();
}

void ChangePasswordDialog::confirm() {
    screen_.current = current_->text().toStdString();
    screen_.new_password = new_password_->text().toStdString();
    screen_.confirmation = confirmation_->text().toStdString();
    screen_.ok();
    if (!screen_.is_open()) {
        if (screen_.changed())
            accept();
        else
            QDialog::reject();
        return;
    }
    show_screen();
}

void ChangePasswordDialog::show_screen() {
    current_->setText(QString::fromStdString(screen_.current));
    new_password_->setText(QString::fromStdString(screen_.new_password));
    confirmation_->setText(QString::fromStdString(screen_.confirmation));
    using F = access::ChangePasswordScreen::Field;
    QLineEdit* target = screen_.focus() == F::kCurrent ? current_
                        : screen_.focus() == F::kNew   ? new_password_
                                                       : confirmation_;
    target->setFocus(Qt::OtherFocusReason);
    target->selectAll();
}

void ChangePasswordDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
