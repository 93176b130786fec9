#include "access/sign_in.h"

#include "access/access_control.h"
#include "globals/globals.h"

namespace balcora::access {

bool sign_in_at_startup(std::string_view host_login, std::string_view host_password,
                        const SignInViews& views) {
    if (!initialise_access_control(kSystemName)) return false;
    if (!has_operators()) {
        FirstAdministratorScreen first(AppNameDesc, host_login);
        if (views.first_administrator) views.first_administrator(first);
        if (first.signed_in()) return true;
        if (!has_operators()) return false;
    }
    LoginScreen login(AppNameDesc, host_login, host_password);
    if (login.try_host_texts()) return true;
    if (!login.is_open() || !views.login) return false;
    views.login(login);
    return login.signed_in();
}

}  // namespace balcora::access
