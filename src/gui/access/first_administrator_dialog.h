#pragma once

#include "access/first_administrator_screen.h"
#include "gui/shell/screen_dialog.h"

namespace balcora::gui {

// The first administrator's window over a FirstAdministratorScreen. Fields
// "login", "name", "password", "confirmation"; buttons "ok", "cancel".
class FirstAdministratorDialog : public ScreenFormDialog<access::FirstAdministratorScreen> {
    Q_OBJECT
  public:
    explicit FirstAdministratorDialog(access::FirstAdministratorScreen& screen,
                                      QWidget* parent = nullptr);
};

}  // namespace balcora::gui
