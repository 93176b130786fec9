#pragma once

#include "access/change_login_screen.h"
#include "gui/shell/screen_dialog.h"

namespace balcora::gui {

// "Login / Troca de Usuário" over a ChangeLoginScreen: fields "usuario" and
// "senha", button "ok"; Enter moves on like Tab, Esc closes.
class ChangeLoginDialog : public ScreenFormDialog<access::ChangeLoginScreen> {
    Q_OBJECT
  public:
    explicit ChangeLoginDialog(access::ChangeLoginScreen& screen, QWidget* parent = nullptr);
};

}  // namespace balcora::gui
