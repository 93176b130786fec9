#include "access/login_screen.h"

#include "access/access_control.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::access {

LoginScreen::LoginScreen(std::string_view system_name, std::string_view host_login,
                         std::string_view host_password)
    : login(host_login), password(host_password), caption_(std::string(system_name) + " | Menu") {
    focus_ = login.empty() ? Field::kLogin : Field::kPassword;
}

bool LoginScreen::try_host_texts() {
    if (util::trim(login).empty() || password.empty()) return false;
    attempt();
    return signed_in_;
}

void LoginScreen::ok() {
    if (!open_) return;
    if (util::trim(login).empty()) {
        focus_ = Field::kLogin;
        return;
    }
    if (password.empty()) {
        focus_ = Field::kPassword;
        return;
    }
    attempt();
}

void LoginScreen::attempt() {
    switch (sign_in_operator(login, password)) {
        case SignInResult::kSignedIn:
            signed_in_ = true;
            open_ = false;
            return;
        case SignInResult::kFailed:
            // The database error was shown; it is not the operator's mistake.
            focus_ = Field::kPassword;
            return;
        case SignInResult::kRefused:
            break;
    }
    password.clear();
    focus_ = Field::kPassword;
    if (++failed_ >= kMaxTries) {
        prompt().message("Aviso", kTriesExhaustedMessage, ui::Icon::kWarning);
        open_ = false;
        return;
    }
    prompt().message("Aviso", kInvalidLoginMessage, ui::Icon::kWarning);
}

}  // namespace balcora::access
