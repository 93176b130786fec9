#pragma once

#include "access/sign_in.h"
#include "ui/screen_port.h"

#include <string>
#include <vector>

class QWidget;

namespace balcora::gui {

// The first-administrator and login dialogs the sign-in at start-up shows.
access::SignInViews sign_in_views(QWidget* parent = nullptr);

// "Seg&urança" → "&Cadastro Usuários": only for operators with the right,
// otherwise the refusal is shown.
void open_operator_maintenance(QWidget* parent);

// "Seg&urança" → "Troca de &Senha" of the operator signed in.
void open_change_password(QWidget* parent);

// The rights of one procedure for every operator (Quick Sale's Ctrl+F8 with
// {"Access", "Supervisor"}).
void open_procedure_rights(const std::string& procedure, const std::vector<std::string>& rights,
                           QWidget* parent);

// The windows of TROCAUSUARIO and of the procedures' rights (parented to the
// active window).
void provide_access_views(ui::ScreenPort& port);

}  // namespace balcora::gui
