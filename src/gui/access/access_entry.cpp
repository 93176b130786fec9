#include "gui/access/access_entry.h"

#include "access/change_login_screen.h"
#include "access/change_password_screen.h"
#include "access/operator_maintenance_screen.h"
#include "access/procedure_rights_screen.h"
#include "access/sign_in.h"
#include "gui/access/change_login_dialog.h"
#include "gui/access/change_password_dialog.h"
#include "gui/access/first_administrator_dialog.h"
#include "gui/access/login_dialog.h"
#include "gui/access/operator_maintenance_window.h"
#include "gui/access/procedure_rights_dialog.h"

#include <QApplication>

namespace balcora::gui {

access::SignInViews sign_in_views(QWidget* parent) {
    access::SignInViews views;
    views.first_administrator = [parent](access::FirstAdministratorScreen& screen) {
        FirstAdministratorDialog dialog(screen, parent);
        dialog.exec();
    };
    views.login = [parent](access::LoginScreen& screen) {
        LoginDialog dialog(screen, parent);
        dialog.exec();
    };
    return views;
}

void open_operator_maintenance(QWidget* parent) {
    access::OperatorMaintenanceScreen screen;
    if (!screen.open()) return;
    OperatorMaintenanceWindow window(screen, parent);
    window.exec();
}

void open_change_password(QWidget* parent) {
    access::ChangePasswordScreen screen;
    if (!screen.open()) return;
    ChangePasswordDialog dialog(screen, parent);
    dialog.exec();
}

void open_procedure_rights(const std::string& procedure, const std::vector<std::string>& rights,
                           QWidget* parent) {
    access::ProcedureRightsScreen screen;
    if (!screen.open(procedure, rights)) return;
    ProcedureRightsDialog dialog(screen, parent);
    dialog.exec();
}

void provide_access_views(ui::ScreenPort& port) {
    port.provide_view<access::ChangeLoginScreen>([](access::ChangeLoginScreen& screen) {
        ChangeLoginDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
    port.provide_view<access::ProcedureRightsScreen>([](access::ProcedureRightsScreen& screen) {
        ProcedureRightsDialog dialog(screen, QApplication::activeWindow());
        dialog.exec();
    });
}

}  // namespace balcora::gui
