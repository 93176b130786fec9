#pragma once

#include "access/operator_maintenance_screen.h"
#include "gui/shell/screen_dialog.h"

class QCheckBox;
class QLineEdit;

namespace balcora::gui {

// The record of one operator, added or edited from the operator maintenance
// (the screen's form). Fields "login", "name", "active", "administrator",
// and for a new operator "password", "confirmation"; buttons "ok", "cancel".
class OperatorFormDialog : public ScreenDialog<access::OperatorMaintenanceScreen,
                                               &access::OperatorMaintenanceScreen::cancel_form> {
    Q_OBJECT
  public:
    explicit OperatorFormDialog(access::OperatorMaintenanceScreen& screen,
                                QWidget* parent = nullptr);

  private:
    void confirm();
    void show_focus();

    QLineEdit* login_;
    QLineEdit* name_;
    QCheckBox* active_;
    QCheckBox* administrator_;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirmation_ = nullptr;
};

// Asks a new password for the selected operator ("password_reset_dialog":
// "password", "confirmation") until the screen takes one or it is cancelled.
void ask_new_password(access::OperatorMaintenanceScreen& screen, QWidget* parent);

}  // namespace balcora::gui
