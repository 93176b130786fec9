#include "gui/access/first_administrator_dialog.h"

#include "access/access_control.h"
#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace balcora::gui {

FirstAdministratorDialog::FirstAdministratorDialog(access::FirstAdministratorScreen& screen,
                                                   QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(qs(screen_.caption()));
    setObjectName("first_administrator_dialog");

    auto* explanation = new QLabel(
        QString::fromUtf8(access::FirstAdministratorScreen::kExplanation).replace('|', '\n'), this);
    explanation->setWordWrap(true);

    auto* form = new QFormLayout;
    login_ = form_line(this, form, tr("&Login:"), "login", access::kLoginMaxChars,
                       access::kLoginMaxChars);
    name_ = form_line(this, form, tr("&Nome:"), "name", access::kNameMaxChars, 30);
    password_ = form_line(this, form, tr("&Senha:"), "password", access::kPasswordMaxChars,
                          access::kPasswordMaxChars, true);
    confirmation_ = form_line(this, form, tr("&Confirmação:"), "confirmation",
                              access::kPasswordMaxChars, access::kPasswordMaxChars, true);
    auto* hint = new QLabel(tr("A senha deve ter de %1 a %2 caracteres.")
                                .arg(access::kPasswordMinChars)
                                .arg(access::kPasswordMaxChars),
                            this);
    hint->setEnabled(false);

    finish_form(
        this, form, {login_, name_, password_, confirmation_}, tr("&Gravar"), [this] { confirm(); },
        explanation, hint);

    login_->setText(qs(screen_.login));
    show_screen();
}

void FirstAdministratorDialog::confirm() {
    screen_.login = login_->text().toStdString();
    screen_.name = name_->text().toStdString();
    screen_.password = password_->text().toStdString();
    screen_.confirmation = confirmation_->text().toStdString();
    screen_.ok();
    if (!ended_with_screen(this, screen_.is_open(), screen_.signed_in())) show_screen();
}

void FirstAdministratorDialog::show_screen() {
    password_->setText(qs(screen_.password));
    confirmation_->setText(qs(screen_.confirmation));
    using F = access::FirstAdministratorScreen::Field;
    focus_field(screen_.focus() == F::kLogin      ? login_
                : screen_.focus() == F::kName     ? name_
                : screen_.focus() == F::kPassword ? password_
                                                  : confirmation_);
}

void FirstAdministratorDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
