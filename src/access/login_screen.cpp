#include "access/login_screen.h"

#include "access/access_control.h"
#include "access/sign_in_attempts.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::access {

LoginScreen::LoginScreen(std::string_view system_name, std::string_view host_login,
                         std::string_view host_password)
    : login(host_login), password(host_password), caption_(std::string(system_name) + " | Menu") {
    focus_ = login.empty() ? Field::kLogin : Field::kPassword;
}

bool LoginScreen::try_host_texts() {
    if (locked_out()) return false;
    if (util::trim(login).empty() || password.empty()) return false;
    attempt();
    return signed_in_;
}

void LoginScreen::ok() {
    if (!open_ || focus_blank_sign_in(login, password, Field::kLogin, Field::kPassword)) return;
    attempt();
}

// The tries failed at this computer lately, also before the program was last
// started, count against the limit; with none left the screen closes.
bool LoginScreen::locked_out() {
    const auto recent = recent_failed_sign_ins();
    if (!recent) return false;  // the database error was shown; the sign-in will show its own
    if (recent->count > failed_) failed_ = recent->count;
    if (failed_ < kMaxTries) return false;
    prompt().message(
        "Aviso",
        std::string(kTriesExhaustedMessage) +
            (recent->until.empty() ? "" : "|Tente novamente após " + recent->until + "."),
        ui::Icon::kWarning);
    password.clear();
    open_ = false;
    return true;
}

void LoginScreen::attempt() {
    if (locked_out()) return;
    switch (sign_in_operator(login, password)) {
        case SignInResult::kSignedIn:
            clear_failed_sign_ins();
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
    record_failed_sign_in(login);
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
