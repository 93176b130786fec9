#include "gui/access/first_administrator_dialog.h"

#include "access/access_control.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace balcora::gui {

FirstAdministratorDialog::FirstAdministratorDialog(access::FirstAdministratorScreen& screen,
                                                   QWidget* parent)
    : ScreenFormDialog(screen, parent, "first_administrator_dialog") {
    setWindowTitle(qs(screen_.caption()));

    auto* explanation = new QLabel(
        QString::fromUtf8(access::FirstAdministratorScreen::kExplanation).replace('|', '\n'), this);
    explanation->setWordWrap(true);

    auto* form = new QFormLayout;
    // The passwords are secret, and the screen empties them after a refusal.
    auto add = [&](const QString& label, const char* name, int max_chars, int width, Field which,
                   std::string& value, bool password) {
        return bind(form_line(this, form, label, name, max_chars, width, password), which, value,
                    password);
    };
    QLineEdit* login = add(tr("&Login:"), "login", access::kLoginMaxChars, access::kLoginMaxChars,
                           Field::kLogin, screen_.login, false);
    QLineEdit* name =
        add(tr("&Nome:"), "name", access::kNameMaxChars, 30, Field::kName, screen_.name, false);
    QLineEdit* password = add(tr("&Senha:"), "password", access::kPasswordMaxChars,
                              access::kPasswordMaxChars, Field::kPassword, screen_.password, true);
    QLineEdit* confirmation =
        add(tr("&Confirmação:"), "confirmation", access::kPasswordMaxChars,
            access::kPasswordMaxChars, Field::kConfirmation, screen_.confirmation, true);
    auto* hint = new QLabel(tr("A senha deve ter de %1 a %2 caracteres.")
                                .arg(access::kPasswordMinChars)
                                .arg(access::kPasswordMaxChars),
                            this);
    hint->setEnabled(false);

    finish_form(
        this, form, {login, name, password, confirmation}, tr("&Gravar"),
        [this] { submit([this] { return screen_.signed_in(); }); }, explanation, hint);

    login->setText(qs(screen_.login));
    show_screen();
}

}  // namespace balcora::gui
