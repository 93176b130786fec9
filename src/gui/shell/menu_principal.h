#pragma once

#include "ui/screen_port.h"

#include <memory>
#include <string>

class QWidget;

namespace balcora {
struct CheckoutState;
}

namespace balcora {

// Runs the whole application: start-up checks, sign-in, the database, the
// frame with the main menu and its checks once it is open. Returns when the
// frame closes: 0 after a normal close, 1 when the start stopped (no sign-in,
// no database, a check that closes the program). The host window handle is
// accepted for the host's sake; this host has no window to hide.
int MENUPRINCIPAL(CheckoutState& checkout, const std::string& login, const std::string& password,
                  const std::string& host_window);

namespace gui {

class MainFrame;

// Closes the frame as soon as it has been shown and its start-up checks ran
// (for measuring the start-up).
void set_exit_when_ready(bool on);

// The frame with its windows provided to the port, for the start-up to run.
std::unique_ptr<MainFrame> open_main_frame(ui::ScreenPort& port, CheckoutState& checkout);

}  // namespace gui
}  // namespace balcora
