#pragma once

#include "ui/screen_port.h"

class QWidget;

namespace balcora::gui {

// The Bloco X windows by name ("BROWSELIBENVEST", "UPDATELIBENVEST") and the
// printing of its list reports.
void provide_blocox_windows(ui::ScreenPort& port, QWidget* frame);

}  // namespace balcora::gui
