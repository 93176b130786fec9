#pragma once

#include <string>

namespace balcora::access {

// "Troca de Senha" of the operator signed in: the current password, then the
// new one twice. Three wrong current passwords close the window.
class ChangePasswordScreen {
  public:
    enum class Field { kCurrent, kNew, kConfirmation };
    static constexpr int kMaxTries = 3;
    static constexpr const char* kCaption = "Troca de Senha";

    // False (after a message) when nobody is signed in.
    bool open();
    // "&Ok": stores the new password and closes, or shows why not.
    bool ok();
    void cancel() { open_ = false; }

    bool is_open() const { return open_; }
    bool changed() const { return changed_; }
    Field focus() const { return focus_; }
    const std::string& login() const { return login_; }

    std::string current;
    std::string new_password;
    std::string confirmation;

  private:
    bool refuse(const char* text, Field field);

    std::string login_;
    bool open_ = false;
    bool changed_ = false;
    Field focus_ = Field::kCurrent;
    int failed_ = 0;
};

}  // namespace balcora::access
