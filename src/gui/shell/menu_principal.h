#pragma once

#include <string>

class QWidget;

namespace balcora {

// Runs the whole application: start-up checks, sign-in, the database, the
// frame with the main menu and its checks once it is open. Returns when the
// frame closes: 0 after a normal close, 1 when the start stopped (no sign-in,
// no database, a check that closes the program). The host window handle is
// accepted for the host's sake; this host has no window to hide.
int MENUPRINCIPAL(const std::string& login, const std::string& password,
                  const std::string& host_window);

namespace gui {

// Closes the frame as soon as it has been shown and its start-up checks ran
// (for measuring the start-up).
void set_exit_when_ready(bool on);

// Registers the screens of the application shell for the menu.
void register_shell_screens(QWidget* frame);

// The frame with the main menu and the start-up checks it runs once open,
// for an operator already signed in on an open database. Returns as
// MENUPRINCIPAL does when the frame closes.
int run_main_frame();

}  // namespace gui
}  // namespace balcora
