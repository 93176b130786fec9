#include "gui/access/change_login_dialog.h"

#include "gui/qt_text.h"
#include "gui/shell/enter_navigation.h"
#include "gui/shell/form_dialog.h"

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
    auto* form = new QFormLayout;
    usuario_ = form_line(this, form, tr("&Usuário:"), "usuario", width, width);
    senha_ = form_line(this, form, tr("&Senha:"), "senha", width, width, true);

    auto* ok = new QPushButton(tr("&Ok"), this);
    ok->setObjectName("ok");
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &ChangeLoginDialog::confirm);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);

    form_column(this, form)->addLayout(row);

    // Enter in "Senha:" moves to "&Ok" as Tab does; Enter there presses it.
    auto* enter = new EnterNavigation(this);
    enter->watch({usuario_, senha_});
    tab_chain({usuario_, senha_, ok});
    show_screen();
}

void ChangeLoginDialog::confirm() {
    screen_.usuario = usuario_->text().toStdString();
    screen_.senha = senha_->text().toStdString();
    screen_.ok();
    if (!ended_with_screen(this, screen_.is_open(), screen_.result() == 0)) show_screen();
}

void ChangeLoginDialog::show_screen() {
    senha_->setText(qs(screen_.senha));
    focus_field(screen_.focus() == access::ChangeLoginScreen::Field::kUsuario ? usuario_ : senha_);
}

void ChangeLoginDialog::reject() {
    screen_.cancel();
    QDialog::reject();
}

}  // namespace balcora::gui
