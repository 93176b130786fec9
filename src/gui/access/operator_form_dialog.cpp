#include "gui/access/operator_form_dialog.h"

#include "gui/shell/dialog_buttons.h"
#include "gui/shell/enter_navigation.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

QLineEdit* line(QWidget* parent, QFormLayout* form, const QString& label_text, const char* name,
                int max_chars, int width, bool secret) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(max_chars);
    e->setFixedWidth(field_width(*e, width));
    if (secret) e->setEchoMode(QLineEdit::Password);
    auto* label = new QLabel(label_text, parent);
    label->setBuddy(e);
    form->addRow(label, e);
    return e;
}

}  // namespace

OperatorFormDialog::OperatorFormDialog(access::OperatorMaintenanceScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    const access::OperatorMaintenanceScreen::Form& f = *screen_.form;
    setWindowTitle(f.is_new ? tr("Novo Usuário")
                            : tr("Alterar Usuário - %1").arg(QString::fromStdString(f.data.login)));
    setObjectName("operator_form_dialog");

    auto* form = new QFormLayout;
    login_ = line(this, form, tr("&Login:"), "login", access::kLoginMaxChars,
                  access::kLoginMaxChars, false);
    name_ = line(this, form, tr("&Nome:"), "name", access::kNameMaxChars, 30, false);
    active_ = new QCheckBox(tr("A&tivo"), this);
    active_->setObjectName("active");
    administrator_ = new QCheckBox(tr("A&dministrador (todos os direitos)"), this);
    administrator_->setObjectName("administrator");
    form->addRow(QString(), active_);
    form->addRow(QString(), administrator_);
    std::vector<QWidget*> fields = {login_, name_, active_, administrator_};
    if (f.is_new) {
        password_ = line(this, form, tr("&Senha:"), "password", access::kPasswordMaxChars,
                         access::kPasswordMaxChars, true);
        confirmation_ = line(this, form, tr("&Confirmação:"), "confirmation",
                             access::kPasswordMaxChars, access::kPasswordMaxChars, true);
        fields.push_back(password_);
        fields.push_back(confirmation_);
    }

    QDialogButtonBox* buttons = ok_cancel(this, tr("&Gravar"), [this] { confirm(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* enter = new EnterNavigation(this, [this] { confirm(); });
    enter->watch(fields);
    for (std::size_t i = 1; i < fields.size(); ++i) setTabOrder(fields[i - 1], fields[i]);

    login_->setText(QString::fromStdString(f.data.login));
    name_->setText(QString::fromStdString(f.data.name));
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
        password_->setText(QString::fromStdString(f.password));
        confirmation_->setText(QString::fromStdString(f.confirmation));
    }
    show_focus();
}

void OperatorFormDialog::show_focus() {
    using F = access::OperatorMaintenanceScreen::FormField;
    QLineEdit* target = login_;
    switch (screen_.form_focus()) {
        case F::kLogin:
            target = login_;
            break;
        case F::kName:
            target = name_;
            break;
        case F::kPassword:
            target = password_ ? password_ : login_;
            break;
        case F::kConfirmation:
            target = confirmation_ ? confirmation_ : login_;
            break;
    }
    target->setFocus(Qt::OtherFocusReason);
    target->selectAll();
}

void OperatorFormDialog::reject() {
    screen_.cancel_form();
    QDialog::reject();
}

PasswordResetDialog::PasswordResetDialog(access::OperatorMaintenanceScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    const access::Operator* op = screen_.selected_operator();
    setWindowTitle(tr("Nova Senha - %1").arg(op ? QString::fromStdString(op->login) : QString()));
    setObjectName("password_reset_dialog");

    auto* form = new QFormLayout;
    password_ = line(this, form, tr("&Nova senha:"), "password", access::kPasswordMaxChars,
                     access::kPasswordMaxChars, true);
    confirmation_ = line(this, form, tr("&Confirmação:"), "confirmation", access::kPasswordMaxChars,
                         access::kPasswordMaxChars, true);
    QDialogButtonBox* buttons = ok_cancel(this, tr("&Ok"), [this] { confirm(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

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
