#pragma once

#include "access/login_screen.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace balcora::gui {

// The sign-in window over a LoginScreen. Fields "login" and "password",
// buttons "ok" and "cancel" (object names, for tests and styles).
class LoginDialog : public QDialog {
    Q_OBJECT
  public:
    explicit LoginDialog(access::LoginScreen& screen, QWidget* parent = nullptr);

    void reject() override;

  private:
    void confirm();
    void show_screen();

    access::LoginScreen& screen_;
    QLineEdit* login_;
    QLineEdit* password_;
};

}  // namespace balcora::gui
