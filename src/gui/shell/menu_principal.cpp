#include "gui/shell/menu_principal.h"

#include "globals/checkout_state.h"
#include "gui/access/access_entry.h"
#include "gui/provide_windows.h"
#include "gui/shell/main_frame.h"
#include "shell/external_command.h"
#include "shell/startup.h"
#include "ui/environment.h"

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

std::unique_ptr<MainFrame> open_main_frame(ui::ScreenPort& port, CheckoutState& checkout) {
    auto frame = std::make_unique<MainFrame>(checkout);
    provide_frame_windows(port, frame.get());
    return frame;
}

}  // namespace gui

int MENUPRINCIPAL(CheckoutState& checkout, const std::string& login, const std::string& password,
                  const std::string& host_window) {
    (void)host_window;
    // The windows go with the run.
    ui::ScreenPort windows;
    ui::ServicePort services;
    ScopedEnvironment env({.screens = &windows, .services = &services});
    gui::provide_windows(windows, services, checkout);

    shell::StartupViews views;
    views.sign_in = gui::sign_in_views();
    views.open_frame = [&windows, &checkout] { return gui::open_main_frame(windows, checkout); };
    return shell::run_program(checkout, login, password, views, shell::system_command_runner(),
                              gui::exit_when_ready());
}

}  // namespace balcora
