#pragma once

#include "access/first_administrator_screen.h"

#include <QDialog>

class QLineEdit;

namespace balcora::gui {

// The first administrator's window over a FirstAdministratorScreen. Fields
// "login", "name", "password", "confirmation"; buttons "ok", "cancel".
class FirstAdministratorDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FirstAdministratorDialog(access::FirstAdministratorScreen& screen,
                                      QWidget* parent = nullptr);

    void reject() override;

  private:
    void confirm();
    void show_screen();

    access::FirstAdministratorScreen& screen_;
    QLineEdit* login_;
    QLineEdit* name_;
    QLineEdit* password_;
    QLineEdit* confirmation_;
};

}  // namespace balcora::gui
