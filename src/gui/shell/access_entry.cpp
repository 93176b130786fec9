#include "gui/shell/access_entry.h"

#include "gui/shell/change_login_dialog.h"
#include "gui/shell/change_password_dialog.h"
#include "gui/shell/first_administrator_dialog.h"
#include "gui/shell/login_dialog.h"
#include "gui/shell/operator_maintenance_window.h"
#include "gui/shell/procedure_rights_dialog.h"
#include "shell/change_password_screen.h"
#include "shell/operator_maintenance_screen.h"
#include "shell/sign_in.h"

#include <QApplication>

namespace balcora::gui {

bool sign_in(const std::string& login, const std::string& password, QWidget* parent) {
    install_access_views();
    shell::SignInViews views;
    views.first_administrator = [parent](shell::FirstAdministratorScreen& screen) {
        FirstAdministratorDialog dialog(screen, parent);
        dialog.exec();
    };
    views.login = [parent](shell::LoginScreen& screen) {
        LoginDialog dialog(screen, parent);
        dialog.exec();
    };
    return shell::sign_in_at_startup(login, password, views);
}

void open_operator_maintenance(QWidget* parent) {
    shell::OperatorMaintenanceScreen screen;
    if (!screen.open()) return;
    OperatorMaintenanceWindow window(screen, parent);
    window.exec();
}

void open_change_password(QWidget* parent) {
    shell::ChangePasswordScreen screen;
    if (!screen.open()) return;
    ChangePasswordDialog dialog(screen, parent);
    dialog.exec();
}

void open_procedure_rights(const std::string& procedure, const std::vector<std::string>& rights,
                           QWidget* parent) {
    shell::ProcedureRightsScreen screen;
    if (!screen.open(procedure, rights)) return;
    ProcedureRightsDialog dialog(screen, parent);
    dialog.exec();
}

void install_access_views() {
    shell::set_change_login_runner([](shell::ChangeLoginScreen& screen) {
        ChangeLoginDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
    shell::set_procedure_rights_runner([](shell::ProcedureRightsScreen& screen) {
        ProcedureRightsDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
}

}  // namespace balcora::gui
