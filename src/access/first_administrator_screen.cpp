#include "access/first_administrator_screen.h"

#include "access/access_control.h"
#include "ui/environment.h"

namespace balcora::access {

FirstAdministratorScreen::FirstAdministratorScreen(std::string_view system_name,
                                                   std::string_view suggested_login)
    : login(suggested_login), caption_(std::string(system_name) + " | Cadastro do Administrador") {}

bool FirstAdministratorScreen::ok() {
    if (!open_) return false;
    if (auto p = login_problem(login); !p.empty()) return refuse(p, Field::kLogin);
    if (auto p = name_problem(name); !p.empty()) return refuse(p, Field::kName);
    if (auto p = new_password_problem(password, confirmation); !p.empty())
        return refuse(p, Field::kPassword);
    // Another station may have created one meanwhile: it stays the only way in.
    if (has_operators()) {
        open_ = false;
        return refuse("Já existe usuário cadastrado! Entre com ele.", Field::kLogin);
    }
    Operator admin;
    admin.login = login;
    admin.name = name;
    admin.administrator = true;
    if (create_operator(admin, password) == 0) return false;
    signed_in_ = sign_in_operator(login, password) == SignInResult::kSignedIn;
    open_ = false;
    return signed_in_;
}

}  // namespace balcora::access
