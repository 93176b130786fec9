#include "gui/access/change_login_dialog.h"

#include "gui/shell/enter_navigation.h"
#include "gui/shell/list_widgets.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

ChangeLoginDialog::ChangeLoginDialog(access::ChangeLoginScreen& screen, QWidget* parent)
    : ScreenFormDialog(screen, parent, "change_login_dialog") {
    setWindowTitle(tr(access::ChangeLoginScreen::kCaption));

    constexpr int width = access::ChangeLoginScreen::kFieldWidth;
    auto* form = new QFormLayout;
    QLineEdit* usuario = bind(form_line(this, form, tr("&Usuário:"), "usuario", width, width),
                              Field::kUsuario, screen_.usuario);
    QLineEdit* senha = bind(form_line(this, form, tr("&Senha:"), "senha", width, width, true),
                            Field::kSenha, screen_.senha, true);

    QPushButton* ok = dialog_button(this, tr("&Ok"), "ok");
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this,
            [this] { submit([this] { return screen_.result() == 0; }); });
    form_column(this, form)->addLayout(button_row({}, {ok}));

    // Enter in "Senha:" moves to "&Ok" as Tab does; Enter there presses it.
    auto* enter = new EnterNavigation(this);
    enter->watch({usuario, senha});
    tab_chain({usuario, senha, ok});
    show_screen();
}

}  // namespace balcora::gui
