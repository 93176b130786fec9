#include "gui/access/first_administrator_dialog.h"

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

namespace {

QLineEdit* field(QWidget* parent, const char* name, int max_chars, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(max_chars);
    e->setFixedWidth(field_width(*e, width));
    return e;
}

}  // namespace

FirstAdministratorDialog::FirstAdministratorDialog(access::FirstAdministratorScreen& screen,
                                                   QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(QString::fromStdString(screen_.caption()));
    setObjectName("first_administrator_dialog");

    auto* explanation = new QLabel(
        QString::fromUtf8(access::FirstAdministratorScreen::kExplanation).replace('|', '\n'), this);
    explanation->setWordWrap(true);

    login_ = field(this, "login", access::kLoginMaxChars, access::kLoginMaxChars);
    name_ = field(this, "name", access::kNameMaxChars, 30);
    password_ = field(this, "password", access::kPasswordMaxChars, access::kPasswordMaxChars);
    confirmation_ =
        field(this, "confirmation", access::kPasswordMaxChars, access::kPasswordMaxChars);
    password_->setEchoMode(QLineEdit::Password);
    confirmation_->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {{"&Login:", login_},
                                                       {"&Nome:", name_},
                                                       {"&Senha:", password_},
                                                       {"&Confirmação:", confirmation_}};
    for (auto [text, edit] : rows) {
        auto* label = new QLabel(tr(text), this);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    auto* hint = new QLabel(tr("A senha deve ter de %1 a %2 caracteres.")
                                .arg(access::kPasswordMinChars)
                                .arg(access::kPasswordMaxChars),
                            this);
    hint->setEnabled(false);

    QDialogButtonBox* buttons = ok_cancel(this, tr("&Gravar"), [this] { confirm(); });
    QPushButton* ok = ok_button(buttons);
    QPushButton* cancel = cancel_button(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* enter = new EnterNavigation(this, [this] { confirm(); });
    enter->watch({login_, name_, password_, confirmation_});
    setTabOrder(login_, name_);
    setTabOrder(name_, password_);
    setTabOrder(password_, confirmation_);
    setTabOrder(confirmation_, ok);
    setTabOrder(ok, cancel);

    login_->setText(QString::fromStdString(screen_.login));
    show_screen();
}

void FirstAdministratorDialog::confirm() {
    screen_.login = login_->text().toStdString();
    screen_.name = name_->text().toStdString();
    screen_.password = password_->text().toStdString();
    screen_.confirmation = confirmation_->text().toStdString();
    screen_.ok();
    if (!screen_.is_open()) {
        if (screen_.signed_in())
            accept();
        else
            QDialog::reject();
        return;
    }
    show_screen();
}

void FirstAdministratorDialog::show_screen() {
    password_->setText(QString::fromStdString(screen_.password));
    confirmation_->setText(QString::fromStdString(screen_.confirmation));
    using F = access::FirstAdministratorScreen::Field;
    QLineEdit* target = screen_.focus() == F::kLogin      ? login_
                        : screen_.focus() == F::kName     ? name_
                        : screen_.focus() == F::kPassword ? password_
                                                          : confirmation_;
    target->setFocus(Qt::OtherFocusReason);
    target->selectAll();
}

void FirstAdministratorDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
