#pragma once

#include "access/login_screen.h"
#include "gui/shell/screen_dialog.h"

namespace balcora::gui {

// The sign-in window over a LoginScreen. Fields "login" and "password",
// buttons "ok" and "cancel" (object names, for tests and styles).
class LoginDialog : public ScreenFormDialog<access::LoginScreen> {
    Q_OBJECT
  public:
    explicit LoginDialog(access::LoginScreen& screen, QWidget* parent = nullptr);
};

}  // namespace balcora::gui
