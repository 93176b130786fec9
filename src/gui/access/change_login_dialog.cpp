#include "gui/access/change_login_dialog.h"

#include "gui/shell/enter_navigation.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

ChangeLoginDialog::ChangeLoginDialog(access::ChangeLoginScreen& screen, QWidget* parent)
    : QDialog(parent), screen_(screen) {
    setWindowTitle(tr(access::ChangeLoginScreen::kCaption));
    setObjectName("change_login_dialog");

    constexpr int width = access::ChangeLoginScreen::kFieldWidth;
    usuario_ = new QLineEdit(this);
    usuario_->setObjectName("usuario");
    senha_ = new QLineEdit(this);
    senha_->setObjectName("senha");
    senha_->setEchoMode(QLineEdit::Password);
    for (QLineEdit* e : {usuario_, senha_}) {
        e->setMaxLength(width);
        e->setFixedWidth(field_width(*e, width));
    }

    auto* form = new QFormLayout;
    auto* usuario_label = new QLabel(tr("&Usuário:"), this);
    usuario_label->setBuddy(usuario_);
    auto* senha_label = new QLabel(tr("&Senha:"), this);
    senha_label->setBuddy(senha_);
    form->addRow(usuario_label, usuario_);
    form->addRow(senha_label, senha_);

    auto* ok = new QPushButton(tr("&Ok"), this);
    ok->setObjectName("ok");
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &ChangeLoginDialog::confirm);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Enter in "Senha:" moves to "&Ok" as Tab does; Enter there presses it.
    auto* enter = new EnterNavigation(this);
    enter->watch({usuario_, senha_});
    setTabOrder(usuario_, senha_);
    setTabOrder(senha_, ok);
    show_screen();
}

void ChangeLoginDialog::confirm() {
    screen_.usuario = usuario_->text().toStdString();
    screen_.senha = senha_->text().toStdString();
    screen_.ok();
    if (!screen_.is_open()) {
        if (screen_.result() == 0)
            accept();
        else
            QDialog::reject();
        return;
    }
    show_screen();
}

void ChangeLoginDialog::show_screen() {
    senha_->setText(QString::fromStdString(screen_.senha));
    QLineEdit* target =
        screen_.focus() == access::ChangeLoginScreen::Field::kUsuario ? usuario_ : senha_;
    target->setFocus(Qt::OtherFocusReason);
    target->selectAll();
}

void ChangeLoginDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
