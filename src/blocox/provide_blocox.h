#pragma once

#include "ui/screen_port.h"

namespace balcora::blocox {

// "BLOCOX" for the callers below this layer (the day close, the fiscal
// menu): its first argument is the action; the result is BLOCOX's.
void provide_blocox(ui::ScreenPort& port);

}  // namespace balcora::blocox
