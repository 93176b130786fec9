#pragma once

#include "shell/first_administrator_screen.h"

#include <QDialog>

class QLineEdit;

namespace balcora::gui {

// The first administrator's window over a FirstAdministratorScreen. Fields
// "login", "name", "password", "confirmation"; buttons "ok", "cancel".
class FirstAdministratorDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FirstAdministratorDialog(shell::FirstAdministratorScreen& screen,
                                      QWidget* parent = nullptr);

    void reject() override;

  private:
    void confirm();
    void show_screen();

    shell::FirstAdministratorScreen& screen_;
    QLineEdit* login_;
    QLineEdit* name_;
    QLineEdit* password_;
    QLineEdit* confirmation_;
};

}  // namespace balcora::gui
