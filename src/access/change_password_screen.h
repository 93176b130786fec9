#pragma once

#include "access/focused_window.h"

#include <string>

namespace balcora::access {

enum class ChangePasswordField { kCurrent, kNew, kConfirmation };

// "Troca de Senha" of the operator signed in: the current password, then the
// new one twice. Three wrong current passwords close the window.
class ChangePasswordScreen : public FocusedWindow<ChangePasswordField> {
  public:
    using Field = ChangePasswordField;
    static constexpr int kMaxTries = 3;
    static constexpr const char* kCaption = "Troca de Senha";

    ChangePasswordScreen() : FocusedWindow(false) {}

    // False (after a message) when nobody is signed in.
    bool open();
    // "&Ok": stores the new password and closes, or shows why not.
    bool ok();

    bool changed() const { return changed_; }
    const std::string& login() const { return login_; }

    std::string current;
    std::string new_password;
    std::string confirmation;

  private:
    std::string login_;
    bool changed_ = false;
    int failed_ = 0;
};

}  // namespace balcora::access
