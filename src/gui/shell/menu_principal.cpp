#include "gui/shell/menu_principal.h"

#include "access/access_control.h"
#include "db/record_hash.h"
#include "ecf/printer_configuration_check.h"
#include "globals/globals.h"
#include "gui/access/access_entry.h"
#include "gui/db/database_settings_window.h"
#include "gui/ecf/tape_window.h"
#include "gui/forms/lookup_entry.h"
#include "gui/forms/printer_registration_entry.h"
#include "gui/sale/payment_forms_window.h"
#include "gui/sale/quick_sale_window.h"
#include "gui/shell/main_frame.h"
#include "gui/shell/settings_window.h"
#include "shell/button_texts.h"
#include "shell/screen_registry.h"
#include "shell/startup.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace balcora {

namespace gui {

namespace {

bool& exit_when_ready() {
    static bool on = false;
    return on;
}

}  // namespace

void set_exit_when_ready(bool on) {
    exit_when_ready() = on;
}

void register_shell_screens(QWidget* frame) {
    shell::register_screen("CONFIGURACAO", [] { CONFIGURACAO(); });
    shell::register_screen("CADASTROUSUARIOS", [frame] { open_operator_maintenance(frame); });
    shell::register_screen("TROCASENHA", [frame] { open_change_password(frame); });
    shell::register_screen("CONSULTAPRODUTO", [frame] { open_product_query(frame); });
    shell::register_screen("BROWSEMAQECF", [frame] { open_printer_registration(frame); });
    shell::register_screen("BOBINA", [frame] { open_tape_window(frame); });
    shell::register_screen("FORMAPAGAMENTO", [] { VALIDAFORMAPAGAMENTO(); });
}

// Start-up steps whose Parts are built by now.
void install_startup_hooks() {
    shell::startup_hooks().check_printer_configuration = [] {
        return ecf::check_printer_configuration().program_goes_on();
    };
}

int run_main_frame() {
    // The frame's screens go with it.
    shell::ScopedScreenRegistry screens;
    MainFrame frame;
    register_shell_screens(&frame);
    register_sale_screens();
    install_startup_hooks();
    frame.set_menus(shell::build_main_menu(shell::quick_sale_in_menu()));
    frame.set_operator(access::current_login());
    if (glo::appxsize > 0 && glo::appysize > 0) frame.resize(glo::appxsize, glo::appysize);

    int status = 0;
    QEventLoop loop;
    QObject::connect(&frame, &MainFrame::closed, &loop, &QEventLoop::quit);
    frame.show();
    QTimer::singleShot(0, &frame, [&frame, &status] {
        shell::FrameStartupResult r = shell::run_frame_startup(shell::system_command_runner());
        if (r.close) {
            // Switching the computer off is a normal end; any other refusal is not.
            status = glo::flag_desligar ? 0 : 1;
            frame.close_without_question();
            return;
        }
        frame.set_title(r.title);
        frame.set_company(r.company.name);
        if (exit_when_ready()) frame.close_without_question();
    });
    loop.exec();
    return status;
}

}  // namespace gui

int MENUPRINCIPAL(const std::string& login, const std::string& password,
                  const std::string& host_window) {
    (void)host_window;
    gui::install_database_windows();

    if (!shell::ensure_backup_folder()) return 1;
    DEFINEHASH();
    shell::set_standard_button_texts(shell::kStandardButtonTexts);
    // Operators are rows of the database: it opens before the sign-in.
    if (!shell::open_database_at_start()) return 1;
    if (!gui::sign_in(login, password, nullptr)) return 1;
    glo::nome_operador = access::current_login();

    return gui::run_main_frame();
}

}  // namespace balcora
