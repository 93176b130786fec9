#pragma once

#include <string>
#include <vector>

class QWidget;

namespace balcora::gui {

// Start-up steps of the access control: the security data, the first
// administrator when there is no operator at all, then the login dialog (or,
// with both texts given, a silent attempt). Operators are rows of the
// database, so the process connection must be open. True when signed in;
// installs the windows below for the procedures that open them.
bool sign_in(const std::string& login, const std::string& password, QWidget* parent = nullptr);

// "Seg&urança" → "&Cadastro Usuários": only for operators with the right,
// otherwise the refusal is shown.
void open_operator_maintenance(QWidget* parent);

// "Seg&urança" → "Troca de &Senha" of the operator signed in.
void open_change_password(QWidget* parent);

// The rights of one procedure for every operator (Quick Sale's Ctrl+F8 with
// {"Access", "Supervisor"}).
void open_procedure_rights(const std::string& procedure, const std::vector<std::string>& rights,
                           QWidget* parent);

// Makes TROCAUSUARIO and the rights window of the procedures show their Qt
// windows (parented to the active window). sign_in does it; idempotent.
void install_access_views();

}  // namespace balcora::gui
