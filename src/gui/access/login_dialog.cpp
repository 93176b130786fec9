#include "gui/access/login_dialog.h"

#include "gui/shell/dialog_buttons.h"
#include "gui/shell/enter_navigation.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

LoginDialog::LoginDialog(access::LoginScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(QString::fromStdString(screen_.caption()));
    setObjectName("login_dialog");

    auto* title = new QLabel(tr("Identificação do usuário"), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    title->setFont(bold);

    login_ = new QLineEdit(this);
    login_->setObjectName("login");
    login_->setMaxLength(access::LoginScreen::kLoginWidth);
    password_ = new QLineEdit(this);
    password_->setObjectName("password");
    password_->setMaxLength(access::LoginScreen::kPasswordWidth);
    password_->setEchoMode(QLineEdit::Password);
    for (QLineEdit* e : {login_, password_})
        e->setFixedWidth(field_width(*e, access::LoginScreen::kLoginWidth));

    auto* form = new QFormLayout;
    auto* login_label = new QLabel(tr("&Usuário:"), this);
    login_label->setBuddy(login_);
    auto* password_label = new QLabel(tr("&Senha:"), this);
    password_label->setBuddy(password_);
    form->addRow(login_label, login_);
    form->addRow(password_label, password_);

    QDialogButtonBox* buttons = ok_cancel(this, tr("&Ok"), [this] { confirm(); });
    QPushButton* ok = ok_button(buttons);
    QPushButton* cancel = cancel_button(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* enter = new EnterNavigation(this, [this] { confirm(); });
    enter->watch({login_, password_});
    setTabOrder(login_, password_);
    setTabOrder(password_, ok);
    setTabOrder(ok, cancel);

    login_->setText(QString::fromStdString(screen_.login));
    password_->setText(QString::fromStdString(screen_.password));
    show_screen();
}

void LoginDialog::confirm() {
    screen_.login = login_->text().toStdString();
    screen_.password = password_->text().toStdString();
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

void LoginDialog::show_screen() {
    password_->setText(QString::fromStdString(screen_.password));
    QLineEdit* target = screen_.focus() == access::LoginScreen::Field::kLogin ? login_ : password_;
    target->setFocus(Qt::OtherFocusReason);
    target->selectAll();
}

void LoginDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
