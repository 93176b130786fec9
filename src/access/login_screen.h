#pragma once

#include "access/focused_window.h"

#include <string>
#include <string_view>

namespace balcora::access {

enum class LoginField { kLogin, kPassword };

// The sign-in dialog: login and password, prefilled from the two texts the
// host passed. Three refusals end the sign-in; they are counted per computer
// in the database, so a restart within the lock-out window gives no new tries.
class LoginScreen : public FocusedWindow<LoginField> {
  public:
    using Field = LoginField;
    static constexpr int kMaxTries = 3;
    static constexpr int kLoginWidth = 12;
    static constexpr int kPasswordWidth = 12;

    LoginScreen(std::string_view system_name, std::string_view host_login,
                std::string_view host_password);

    // With both host texts given, tries them at once; true when that signed
    // in, so no dialog is needed. A refusal counts as the first try and
    // leaves the dialog to show with the login kept.
    bool try_host_texts();

    // "&Ok": a blank field takes the focus back; otherwise the operator is
    // signed in, or the refusal is shown.
    void ok();
    // cancel(): the sign-in fails.

    const std::string& caption() const { return caption_; }
    bool signed_in() const { return signed_in_; }
    int failed_tries() const { return failed_; }

    std::string login;
    std::string password;

  private:
    void attempt();
    bool locked_out();

    std::string caption_;
    bool signed_in_ = false;
    int failed_ = 0;
};

}  // namespace balcora::access
