#include "gui/access/operator_form_dialog.h"

#include "gui/qt_text.h"
#include "gui/shell/dialog_buttons.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/form_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

    QDialogButtonBox* buttons = ok_cancel(this, tr("&Gravar"), [this] { confirm(); });
    form_column(this, form)->addWidget(buttons);

    auto* enter = new EnterNavigation(this, [this] { confirm(); });
    enter->watch(fields);
    tab_chain(fields);

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

PasswordResetDialog::PasswordResetDialog(access::OperatorMaintenanceScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    const access::Operator* op = screen_.selected_operator();
    setWindowTitle(tr("Nova Senha - %1").arg(op ? qs(op->login) : QString()));
    setObjectName("password_reset_dialog");

    auto* form = new QFormLayout;
    password_ = form_line(this, form, tr("&Nova senha:"), "password", access::kPasswordMaxChars,
                          access::kPasswordMaxChars, true);
    confirmation_ = form_line(this, form, tr("&Confirmação:"), "confirmation",
                              access::kPasswordMaxChars, access::kPasswordMaxChars, true);
    QDialogButtonBox* buttons = ok_cancel(this, tr("&Ok"), [this] { confirm(); });
    form_column(this, form)->addWidget(buttons);

    auto* enter = new EnterNavigation(this, [this] { confirm(); });
    enter->watch({password_, confirmation_});
    setTabOrder(password_, confirmation_);
}

void PasswordResetDialog::confirm() {
    if (screen_.reset_password(password_->text().toStdString(),
                               confirmation_->text().toStdString())) {
        accept();
        return;
    }
    password_->clear();
    confirmation_->clear();
    password_->setFocus(Qt::OtherFocusReason);
}

}  // namespace balcora::gui
