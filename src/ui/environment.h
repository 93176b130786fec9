#pragma once

#include "platform/clock.h"
#include "platform/data_root.h"
#include "ui/prompt_port.h"
#include "ui/screen_port.h"
#include "ui/service_port.h"
#include "util/day_number.h"

namespace balcora {

// The injected services every procedure reaches: the clock, the data root,
// the prompt port, the screen port (the windows and procedures of other
// subsystems) and the service port (the typed services of layers above). The host sets them once;
// tests replace them for a scope.
struct Environment {
    platform::Clock* clock = nullptr;
    const platform::DataRoot* root = nullptr;
    ui::PromptPort* prompt = nullptr;
    ui::ScreenPort* screens = nullptr;
    ui::ServicePort* services = nullptr;
};

Environment& environment();
platform::Clock& clock();
const platform::DataRoot& data_root();
ui::PromptPort& prompt();
ui::ScreenPort& screens();
ui::ServicePort& services();

// The day of the injected clock.
util::DayNumber today();

// Puts the given services in place and restores the previous ones on exit.
// Null members keep the current service.
class ScopedEnvironment {
  public:
    explicit ScopedEnvironment(Environment replacement);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    Environment saved_;
};

}  // namespace balcora
