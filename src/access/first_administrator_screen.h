#pragma once

#include <string>
#include <string_view>

namespace balcora::access {

// With no operator at all, the first start asks for the administrator: login,
// name and the password twice. Saving creates it and signs it in.
class FirstAdministratorScreen {
  public:
    enum class Field { kLogin, kName, kPassword, kConfirmation };
    static constexpr const char* kExplanation =
        "Nenhum usuário cadastrado.|Cadastre o administrador do sistema para continuar.";

    FirstAdministratorScreen(std::string_view system_name, std::string_view suggested_login);

    // "&Gravar": false (with the reason shown and the focus on the field to
    // mend) unless the administrator was created and signed in.
    bool ok();
    void cancel() { open_ = false; }

    const std::string& caption() const { return caption_; }
    bool is_open() const { return open_; }
    bool signed_in() const { return signed_in_; }
    Field focus() const { return focus_; }

    std::string login;
    std::string name;
    std::string password;
    std::string confirmation;

  private:
    bool refuse(const std::string& text, Field field);

    std::string caption_;
    bool open_ = true;
    bool signed_in_ = false;
    Field focus_ = Field::kLogin;
};

}  // namespace balcora::access
