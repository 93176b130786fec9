#pragma once

#include "access/change_password_screen.h"

#include <QDialog>

class QLineEdit;

namespace balcora::gui {

// "Troca de Senha" over a ChangePasswordScreen. Fields "current",
// "new_password", "confirmation"; buttons "ok", "cancel".
class ChangePasswordDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ChangePasswordDialog(access::ChangePasswordScreen& screen, QWidget* parent = nullptr);

    void reject() override;

  private:
    void confirm();
    void show_screen();

    access::ChangePasswordScreen& screen_;
    QLineEdit* current_;
    QLineEdit* new_password_;
    QLineEdit* confirmation_;
};

}  // namespace balcora::gui
