#pragma once

#include "access/focused_window.h"

#include <string>
#include <string_view>

namespace balcora::access {

enum class FirstAdministratorField { kLogin, kName, kPassword, kConfirmation };

// With no operator at all, the first start asks for the administrator: login,
// name and the password twice. Saving creates it and signs it in.
class FirstAdministratorScreen : public FocusedWindow<FirstAdministratorField> {
  public:
    using Field = FirstAdministratorField;
    static constexpr const char* kExplanation =
        "Nenhum usuário cadastrado.|Cadastre o administrador do sistema para continuar.";

    FirstAdministratorScreen(std::string_view system_name, std::string_view suggested_login);

    // "&Gravar": false (with the reason shown and the focus on the field to
    // mend) unless the administrator was created and signed in.
    bool ok();

    const std::string& caption() const { return caption_; }
    bool signed_in() const { return signed_in_; }

    std::string login;
    std::string name;
    std::string password;
    std::string confirmation;

  private:
    std::string caption_;
    bool signed_in_ = false;
};

}  // namespace balcora::access
