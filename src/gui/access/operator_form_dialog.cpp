#include "gui/access/operator_form_dialog.h"

#include "gui/qt_text.h"
#include "gui/shell/form_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

namespace balcora::gui {

OperatorFormDialog::OperatorFormDialog(access::OperatorMaintenanceScreen& screen, QWidget* parent)
    : ScreenDialog(screen, parent, "operator_form_dialog") {
    const access::OperatorMaintenanceScreen::Form& f = *screen_.form;
    setWindowTitle(f.is_new ? tr("Novo Usuário")
                            : tr("Alterar Usuário - %1").arg(qs(f.data.login)));

    auto* form = new QFormLayout;
    login_ = form_line(this, form, tr("&Login:"), "login", access::kLoginMaxChars,
                       access::kLoginMaxChars, false);
    name_ = form_line(this, form, tr("&Nome:"), "name", access::kNameMaxChars, 30, false);
    active_ = new QCheckBox(tr("A&tivo"), this);
    active_->setObjectName("active");
    administrator_ = new QCheckBox(tr("A&dministrador (todos os direitos)"), this);
    administrator_->setObjectName("administrator");
    form->addRow(QString(), active_);
    form->addRow(QString(), administrator_);
    std::vector<QWidget*> fields = {login_, name_, active_, administrator_};
    if (f.is_new) {
        password_ = form_line(this, form, tr("&Senha:"), "password", access::kPasswordMaxChars,
                              access::kPasswordMaxChars, true);
        confirmation_ = form_line(this, form, tr("&Confirmação:"), "confirmation",
                                  access::kPasswordMaxChars, access::kPasswordMaxChars, true);
        fields.push_back(password_);
        fields.push_back(confirmation_);
    }

    finish_form(this, form, fields, tr("&Gravar"), [this] { confirm(); });

    login_->setText(qs(f.data.login));
    name_->setText(qs(f.data.name));
    active_->setChecked(f.data.active);
    administrator_->setChecked(f.data.administrator);
    show_focus();
}

void OperatorFormDialog::confirm() {
    access::OperatorMaintenanceScreen::Form& f = *screen_.form;
    f.data.login = login_->text().toStdString();
    f.data.name = name_->text().toStdString();
    f.data.active = active_->isChecked();
    f.data.administrator = administrator_->isChecked();
    if (password_) {
        f.password = password_->text().toStdString();
        f.confirmation = confirmation_->text().toStdString();
    }
    if (screen_.save_form()) {
        accept();
        return;
    }
    if (password_) {
        password_->setText(qs(f.password));
        confirmation_->setText(qs(f.confirmation));
    }
    show_focus();
}

void OperatorFormDialog::show_focus() {
    using F = access::OperatorMaintenanceScreen::FormField;
    const F focus = screen_.form_focus();
    // The password fields are there only for a new operator.
    QLineEdit* target = focus == F::kName           ? name_
                        : focus == F::kPassword     ? password_
                        : focus == F::kConfirmation ? confirmation_
                                                    : login_;
    if (!target) target = login_;
    focus_field(target);
}

void ask_new_password(access::OperatorMaintenanceScreen& screen, QWidget* parent) {
    const access::Operator* op = screen.selected_operator();
    QDialog dialog(parent);
    dialog.setWindowTitle(QDialog::tr("Nova Senha - %1").arg(op ? qs(op->login) : QString()));
    dialog.setObjectName("password_reset_dialog");

    auto* form = new QFormLayout;
    QLineEdit* password = form_line(&dialog, form, QDialog::tr("&Nova senha:"), "password",
                                    access::kPasswordMaxChars, access::kPasswordMaxChars, true);
    QLineEdit* confirmation = form_line(&dialog, form, QDialog::tr("&Confirmação:"), "confirmation",
                                        access::kPasswordMaxChars, access::kPasswordMaxChars, true);
    // A refused pair is typed again from the start.
    auto confirm = [&] {
        if (screen.reset_password(password->text().toStdString(),
                                  confirmation->text().toStdString())) {
            dialog.accept();
            return;
        }
        password->clear();
        confirmation->clear();
        password->setFocus(Qt::OtherFocusReason);
    };
    finish_form(&dialog, form, {password, confirmation}, QDialog::tr("&Ok"), confirm);
    dialog.exec();
}

}  // namespace balcora::gui
