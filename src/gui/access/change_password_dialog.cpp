#include "gui/access/change_password_dialog.h"

#include "access/access_control.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace balcora::gui {

ChangePasswordDialog::ChangePasswordDialog(access::ChangePasswordScreen& screen, QWidget* parent)
    : ScreenFormDialog(screen, parent, "change_password_dialog") {
    setWindowTitle(tr(access::ChangePasswordScreen::kCaption));

    auto* who = new QLabel(tr("Usuário: <b>%1</b>").arg(qs(screen_.login()).toHtmlEscaped()), this);

    auto* form = new QFormLayout;
    auto add = [&](const char* label_text, const char* name, Field which, std::string& value) {
        return bind(form_line(this, form, tr(label_text), name, access::kPasswordMaxChars,
                              access::kPasswordMaxChars, true),
                    which, value, true);
    };
    QLineEdit* current = add("Senha &atual:", "current", Field::kCurrent, screen_.current);
    QLineEdit* new_password =
        add("&Nova senha:", "new_password", Field::kNew, screen_.new_password);
    QLineEdit* confirmation =
        add("&Confirmação:", "confirmation", Field::kConfirmation, screen_.confirmation);

    finish_form(
        this, form, {current, new_password, confirmation}, tr("&Ok"),
        [this] { submit([this] { return screen_.changed(); }); }, who);
    show_screen();
}

}  // namespace balcora::gui
