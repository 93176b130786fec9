#pragma once

#include "access/focused_window.h"

#include <string>

namespace balcora {

namespace access {

enum class ChangeLoginField { kUsuario, kSenha };

// "Login / Troca de Usuário": another operator takes over the sign-in of the
// process (the handle stays the same), e.g. a supervisor at the checkout.
class ChangeLoginScreen : public FocusedWindow<ChangeLoginField> {
  public:
    using Field = ChangeLoginField;
    static constexpr const char* kCaption = "Login / Troca de Usuário";
    static constexpr int kFieldWidth = 12;
    // result() of a window closed without a change attempt that closed it.
    static constexpr int kClosed = 3;

    // "&Ok": a blank field takes the focus back. Otherwise the change-login
    // operation decides: refused (1) keeps the window open on "Usuário:",
    // any other result closes it.
    void ok();
    // cancel(): closes without a change.

    // The change-login result that closed the window (0 = changed, see
    // ChangeLoginResult), or kClosed.
    int result() const { return result_; }

    std::string usuario;
    std::string senha;

  private:
    int result_ = kClosed;
};

}  // namespace access

// The operator change of the sale screens: 0 when another (or the same)
// operator signed in through the window, otherwise the reason it closed:
// 2 nobody signed in, 3 closed by the operator (or no window available).
int TROCAUSUARIO();

}  // namespace balcora
