#pragma once

#include "access/change_login_screen.h"

#include <QDialog>

class QLineEdit;

namespace balcora::gui {

// "Login / Troca de Usuário" over a ChangeLoginScreen: fields "usuario" and
// "senha", button "ok"; Enter moves on like Tab, Esc closes.
class ChangeLoginDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ChangeLoginDialog(access::ChangeLoginScreen& screen, QWidget* parent = nullptr);

    void reject() override;

  private:
    void confirm();
    void show_screen();

    access::ChangeLoginScreen& screen_;
    QLineEdit* usuario_;
    QLineEdit* senha_;
};

}  // namespace balcora::gui
