#include "ui/environment.h"

namespace balcora {

namespace {

Environment& defaults() {
    static platform::SystemClock system_clock;
    static platform::DataRoot default_root(platform::DataRoot::default_location());
    static ui::ConsolePromptPort console;
    // Without a GUI nothing is provided: every window and procedure of
    // another subsystem answers as not in this build.
    static ui::ScreenPort nothing_provided;
    static ui::ServicePort no_services;
    static Environment env{&system_clock, &default_root, &console, &nothing_provided, &no_services};
    return env;
}

}  // namespace

Environment& environment() {
    return defaults();
}
platform::Clock& clock() {
    return *environment().clock;
}
const platform::DataRoot& data_root() {
    return *environment().root;
}
ui::PromptPort& prompt() {
    return *environment().prompt;
}
util::DayNumber today() {
    return util::day_of(clock().now());
}

ui::ScreenPort& screens() {
    return *environment().screens;
}

ui::ServicePort& services() {
    return *environment().services;
}

ScopedEnvironment::ScopedEnvironment(Environment replacement) : saved_(environment()) {
    Environment& e = environment();
    if (replacement.clock) e.clock = replacement.clock;
    if (replacement.root) e.root = replacement.root;
    if (replacement.prompt) e.prompt = replacement.prompt;
    if (replacement.screens) e.screens = replacement.screens;
    if (replacement.services) e.services = replacement.services;
}

ScopedEnvironment::~ScopedEnvironment() {
    environment() = saved_;
}

}  // namespace balcora
