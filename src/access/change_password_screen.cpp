#include "access/change_password_screen.h"

#include "access/access_control.h"
#include "ui/environment.h"

namespace balcora::access {

bool ChangePasswordScreen::open() {
    if (!signed_in()) {
        prompt().message("Aviso", "Nenhum usuário identificado.", ui::Icon::kWarning);
        return false;
    }
    login_ = current_login();
    current.clear();
    new_password.clear();
    confirmation.clear();
    focus_ = Field::kCurrent;
    failed_ = 0;
    open_ = true;
    return true;
}

bool ChangePasswordScreen::ok() {
    if (!open_) return false;
    if (current.empty()) return refuse("Informe a senha atual!", Field::kCurrent);
    if (!current_password_matches(current)) {
        current.clear();
        if (++failed_ >= kMaxTries) {
            open_ = false;
            return refuse("Senha atual inválida!|Número máximo de tentativas atingido.",
                          Field::kCurrent);
        }
        return refuse("Senha atual inválida!", Field::kCurrent);
    }
    if (auto p = new_password_problem(new_password, confirmation); !p.empty())
        return refuse(p, Field::kNew);
    if (new_password == current) {
        new_password.clear();
        confirmation.clear();
        return refuse("A nova senha deve ser diferente da atual!", Field::kNew);
    }
    if (!set_operator_password(current_operator_id(), new_password)) return false;
    prompt().message("Aviso", "Senha alterada com sucesso!", ui::Icon::kInformation);
    changed_ = true;
    open_ = false;
    return true;
}

}  // namespace balcora::access
