#include "gui/access/login_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace balcora::gui {

LoginDialog::LoginDialog(access::LoginScreen& screen, QWidget* parent)
    : ScreenFormDialog(screen, parent, "login_dialog") {
    setWindowTitle(qs(screen_.caption()));

    auto* title = new QLabel(tr("Identificação do usuário"), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    title->setFont(bold);

    constexpr int width = access::LoginScreen::kLoginWidth;
    auto* form = new QFormLayout;
    QLineEdit* login = bind(form_line(this, form, tr("&Usuário:"), "login", width, width),
                            Field::kLogin, screen_.login);
    QLineEdit* password = bind(form_line(this, form, tr("&Senha:"), "password",
                                         access::LoginScreen::kPasswordWidth, width, true),
                               Field::kPassword, screen_.password, true);

    finish_form(
        this, form, {login, password}, tr("&Ok"),
        [this] { submit([this] { return screen_.signed_in(); }); }, title);

    login->setText(qs(screen_.login));
    show_screen();
}

}  // namespace balcora::gui
