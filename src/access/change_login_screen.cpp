#include "access/change_login_screen.h"

#include "access/access_control.h"
#include "globals/globals.h"
#include "util/text.h"

namespace balcora {

namespace access {

namespace {

ChangeLoginRunner& runner_slot() {
    static ChangeLoginRunner r;
    return r;
}

}  // namespace

void ChangeLoginScreen::ok() {
    if (!open_) return;
    if (util::trim(usuario).empty()) {
        focus_ = Field::kUsuario;
        return;
    }
    if (senha.empty()) {
        focus_ = Field::kSenha;
        return;
    }
    const int r = change_login(AppNumQueue, usuario, senha);
    senha.clear();
    if (r == kLoginRefused) {
        focus_ = Field::kUsuario;
        return;
    }
    result_ = r;
    open_ = false;
}

void set_change_login_runner(ChangeLoginRunner runner) {
    runner_slot() = std::move(runner);
}

}  // namespace access

int TROCAUSUARIO() {
    access::ChangeLoginScreen screen;
    if (access::runner_slot()) access::runner_slot()(screen);
    return screen.result();
}

}  // namespace balcora
