#include "gui/access/login_dialog.h"

#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace balcora::gui {

LoginDialog::LoginDialog(access::LoginScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(qs(screen_.caption()));
    setObjectName("login_dialog");

    auto* title = new QLabel(tr("Identificação do usuário"), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    title->setFont(bold);

    constexpr int width = access::LoginScreen::kLoginWidth;
    auto* form = new QFormLayout;
    login_ = form_line(this, form, tr("&Usuário:"), "login", width, width);
    password_ = form_line(this, form, tr("&Senha:"), "password",
                          access::LoginScreen::kPasswordWidth, width, true);

    finish_form(
        this, form, {login_, password_}, tr("&Ok"), [this] { confirm(); }, title);

    login_->setText(qs(screen_.login));
    password_->setText(qs(screen_.password));
    show_screen();
}

void LoginDialog::confirm() {
    screen_.login = login_->text().toStdString();
    screen_.password = password_->text().toStdString();
    screen_.ok();
    if (!ended_with_screen(this, screen_.is_open(), screen_.signed_in())) show_screen();
}

void LoginDialog::show_screen() {
    password_->setText(qs(screen_.password));
    focus_field(screen_.focus() == access::LoginScreen::Field::kLogin ? login_ : password_);
}

void LoginDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
