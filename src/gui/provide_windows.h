#pragma once

#include "ui/screen_port.h"
#include "ui/service_port.h"

class QWidget;

namespace balcora {
struct CheckoutState;
}

namespace balcora::gui {

// Every window and procedure this build has, provided to the screen port:
// what the program needs from the start (database settings, script
// progress, operator change, rights, the sale screens and their menus) and
// the start-up steps that are built, and the typed services of the layers
// above for the code below them. A subsystem with windows adds its own
// provide_* call here.
void provide_windows(ui::ScreenPort& port, ui::ServicePort& services, CheckoutState& checkout);

// The main menu's windows that open over the frame.
void provide_frame_windows(ui::ScreenPort& port, QWidget* frame);

}  // namespace balcora::gui
