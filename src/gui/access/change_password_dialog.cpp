#include "gui/access/change_password_dialog.h"

#include "access/access_control.h"
#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace balcora::gui {

ChangePasswordDialog::ChangePasswordDialog(access::ChangePasswordScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(tr(access::ChangePasswordScreen::kCaption));
    setObjectName("change_password_dialog");

    auto* who = new QLabel(tr("Usuário: <b>%1</b>").arg(qs(screen_.login()).toHtmlEscaped()), this);

    auto* form = new QFormLayout;
    auto add = [&](const char* label_text, const char* name) {
        return form_line(this, form, tr(label_text), name, access::kPasswordMaxChars,
                         access::kPasswordMaxChars, true);
    };
    current_ = add("Senha &atual:", "current");
    new_password_ = add("&Nova senha:", "new_password");
    confirmation_ = add("&Confirmação:", "confirmation");

    finish_form(
        this, form, {current_, new_password_, confirmation_}, tr("&Ok"), [this] { confirm(); },
        who);
    show_screen();
}

void ChangePasswordDialog::confirm() {
    screen_.current = current_->text().toStdString();
    screen_.new_password = new_password_->text().toStdString();
    screen_.confirmation = confirmation_->text().toStdString();
    screen_.ok();
    if (!ended_with_screen(this, screen_.is_open(), screen_.changed())) show_screen();
}

void ChangePasswordDialog::show_screen() {
    current_->setText(qs(screen_.current));
    new_password_->setText(qs(screen_.new_password));
    confirmation_->setText(qs(screen_.confirmation));
    using F = access::ChangePasswordScreen::Field;
    focus_field(screen_.focus() == F::kCurrent ? current_
                : screen_.focus() == F::kNew   ? new_password_
                                               : confirmation_);
}

void ChangePasswordDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
