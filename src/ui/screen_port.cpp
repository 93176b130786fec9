#include "ui/screen_port.h"

namespace balcora::ui {

void ScreenPort::provide(std::string name, Procedure procedure) {
    if (procedure) {
        procedures_[std::move(name)] = std::move(procedure);
        return;
    }
    auto it = procedures_.find(name);
    if (it != procedures_.end()) procedures_.erase(it);
}

bool ScreenPort::available(std::string_view name) const {
    return procedures_.find(name) != procedures_.end();
}

std::optional<int> ScreenPort::run(std::string_view name, const Arguments& args) const {
    auto it = procedures_.find(name);
    if (it == procedures_.end()) return std::nullopt;
    // A copy: the procedure may provide or withdraw others while it runs.
    Procedure procedure = it->second;
    return procedure(args);
}

}  // namespace balcora::ui
