#include "access/change_login_screen.h"

#include "access/access_control.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora {

namespace access {

void ChangeLoginScreen::ok() {
    if (!open_ || focus_blank_sign_in(usuario, senha, Field::kUsuario, Field::kSenha)) return;
    const int r = change_login(AppNumQueue, usuario, senha);
    senha.clear();
    if (r == kLoginRefused) {
        focus_ = Field::kUsuario;
        return;
    }
    result_ = r;
    open_ = false;
}

}  // namespace access

int TROCAUSUARIO() {
    access::ChangeLoginScreen screen;
    // The window is modal: it has closed when show() returns.
    screens().show(screen);
    return screen.result();
}

}  // namespace balcora
