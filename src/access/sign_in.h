#pragma once

#include "access/first_administrator_screen.h"
#include "access/login_screen.h"

#include <functional>
#include <string_view>

namespace balcora::access {

inline constexpr const char* kSystemName = "Balcora";

// The windows the sign-in may need; each shows its screen modally and
// returns when it closes. A missing one counts as cancelled.
struct SignInViews {
    std::function<void(FirstAdministratorScreen&)> first_administrator;
    std::function<void(LoginScreen&)> login;
};

// The access-control steps of start-up: the security data, the first
// administrator when there is no operator at all, then the login (at once,
// without a window, when both host texts are given and right). Needs the
// process connection, since operators are rows of the database. True when an
// operator is signed in.
bool sign_in_at_startup(std::string_view host_login, std::string_view host_password,
                        const SignInViews& views);

}  // namespace balcora::access
