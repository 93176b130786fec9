#pragma once

#include "access/change_password_screen.h"
#include "gui/shell/screen_dialog.h"

namespace balcora::gui {

// "Troca de Senha" over a ChangePasswordScreen. Fields "current",
// "new_password", "confirmation"; buttons "ok", "cancel".
class ChangePasswordDialog : public ScreenFormDialog<access::ChangePasswordScreen> {
    Q_OBJECT
  public:
    explicit ChangePasswordDialog(access::ChangePasswordScreen& screen, QWidget* parent = nullptr);
};

}  // namespace balcora::gui
